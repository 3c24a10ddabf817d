#include "base/errors.h"

#include <errno.h>
#include <unistd.h>

#include <cstring>
#include <exception>

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

void ThrowInvalidOperation() { throw CamError(Text::Message(msg::InvalidOperation)); }
void ThrowDivisionByZero() { throw CamError(Text::Message(msg::DivisionByZero)); }
void ThrowOverflow() { throw CamError(Text::Message(msg::Overflow)); }

namespace {

const char* programName = program_invocation_short_name;

void Say(const char* text) {
    // Nothing here may allocate: write(2) the pieces.
    for (const char* piece : {programName, ": ", text, "\n"}) {
        if (::write(2, piece, std::strlen(piece)) < 0) break;
    }
}

[[noreturn]] void EndWithAMessage() {
    const std::exception_ptr escaped = std::current_exception();
    if (!escaped) {
        // The runtime calls this without an exception where it could not allocate one.
        Say("out of memory");
        ::_exit(2);
    }
    try {
        std::rethrow_exception(escaped);
    } catch (const std::bad_alloc&) {
        Say("out of memory");
    } catch (const std::exception& e) {
        Say(e.what());
    } catch (...) {
        Say("an unknown failure");
    }
    ::_exit(2);
}

}  // namespace

void EndFailuresWithAMessage(const char* name) {
    programName = name;
    std::set_terminate(EndWithAMessage);
}

namespace {

// Before every other static object of the program: memory may already run out while they
// are made, before main could install this.
struct EarlyTermination {
    EarlyTermination() { std::set_terminate(EndWithAMessage); }
};
__attribute__((init_priority(101))) const EarlyTermination earlyTermination;

}  // namespace

}  // namespace platecam
