#include "model/errors.h"

namespace platecam {

std::string FormatMessage(const char* pattern, const std::string& argument) {
    std::string text(pattern);
    for (const char* hole : {"%s", "%d"}) {
        auto at = text.find(hole);
        if (at != std::string::npos) {
            text.replace(at, 2, argument);
            break;
        }
    }
    return text;
}

void ThrowInvalidOperation() { throw CamError(msg::InvalidOperation); }
void ThrowDivisionByZero() { throw CamError(msg::DivisionByZero); }
void ThrowOverflow() { throw CamError(msg::Overflow); }

}  // namespace platecam
