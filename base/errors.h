#pragma once
// The one exception type of the program: it carries the message the user sees (UTF-8), in
// the language in use when it was raised.

#include <cmath>
#include <stdexcept>
#include <string>

#include "base/language.h"
#include "base/text.h"

namespace platecam {

namespace msg {
// Message ids: the English texts; the Japanese ones come from the catalogue (po/ja.po).
inline constexpr const char* InvalidOperation = "invalid floating-point operation";
inline constexpr const char* DivisionByZero = "floating-point division by zero";
inline constexpr const char* Overflow = "floating-point overflow";
inline constexpr const char* NotFloat = "'%s' is not a valid floating-point value";
inline constexpr const char* NotInteger = "'%s' is not a valid integer value";
inline constexpr const char* AngleOutOfRange = "angle %d is out of range";
inline constexpr const char* RollerTooLarge = "the motion changes too fast for the roller";
inline constexpr const char* CannotOpen = "cannot open file %s";
inline constexpr const char* CannotCreate = "cannot create file %s";
inline constexpr const char* ReadError = "stream read error";
inline constexpr const char* WriteError = "stream write error";
inline constexpr const char* NotDesignFile = "file %s is not a cam design file";
inline constexpr const char* CannotInsertLine = "cannot insert a line";
inline constexpr const char* NoTimer = "no timer available";
inline constexpr const char* OutOfMemory = "out of memory";
}  // namespace msg

// The text of a message id in the language in use.
std::string Message(const char* id);

// The text of a message id with its first "%s" or "%d" replaced by the argument.
std::string FormatMessage(const char* id, const std::string& argument);

class CamError : public std::runtime_error {
public:
    explicit CamError(const std::string& message) : CamError(Text::Literal(message)) {}
    explicit CamError(Text text)
        : std::runtime_error(text.Render()), text_(std::move(text)), message_(text_.Render()) {}
    // The whole text in the language in use when it was raised: what() stops at a NUL byte
    // that a user's text may hold.
    const std::string& message() const { return message_; }
    // What it says, to be put into words in another language (a stored file's English).
    const Text& text() const { return text_; }

private:
    Text text_;
    std::string message_;
};

// Where the C++ runtime gives up (it cannot even allocate an exception when memory is
// gone, or an exception escaped), the program `name` ends with a message and status 2
// instead of an abort: "name: out of memory", or the exception's own text.
void EndFailuresWithAMessage(const char* name);

// The arithmetic traps of the original program, as explicit checks: a result that is
// not finite never reaches storage.
[[noreturn]] void ThrowInvalidOperation();
[[noreturn]] void ThrowDivisionByZero();
[[noreturn]] void ThrowOverflow();

// Division with the trap rules: 0/0 is an invalid operation, x/0 a division by zero.
inline long double CheckedDivide(long double numerator, long double denominator) {
    if (denominator == 0) {
        if (numerator == 0 || std::isnan(numerator)) ThrowInvalidOperation();
        ThrowDivisionByZero();
    }
    long double q = numerator / denominator;
    if (std::isnan(q)) ThrowInvalidOperation();
    if (std::isinf(q)) ThrowOverflow();
    return q;
}

// Rounds an extended value to the double that is held, refusing NaN and infinity.
inline double ToHeld(long double value) {
    if (std::isnan(value)) ThrowInvalidOperation();
    double held = static_cast<double>(value);
    if (std::isinf(held)) ThrowOverflow();
    return held;
}

inline long double CheckedSqrt(long double value) {
    if (value < 0 || std::isnan(value)) ThrowInvalidOperation();
    return std::sqrt(value);
}

}  // namespace platecam
