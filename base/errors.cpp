#include "base/errors.h"

namespace platecam {

std::string Message(const char* id) { return Tr(id); }

std::string FormatMessage(const char* id, const std::string& argument) {
    std::string text(Tr(id));
    for (const char* hole : {"%s", "%d"}) {
        auto at = text.find(hole);
        if (at != std::string::npos) {
            text.replace(at, 2, argument);
            break;
        }
    }
    return text;
}

void ThrowInvalidOperation() { throw CamError(Message(msg::InvalidOperation)); }
void ThrowDivisionByZero() { throw CamError(Message(msg::DivisionByZero)); }
void ThrowOverflow() { throw CamError(Message(msg::Overflow)); }

}  // namespace platecam
