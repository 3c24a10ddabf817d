#pragma once
// The one exception type of the program: it carries the message the user sees (UTF-8).

#include <cmath>
#include <stdexcept>
#include <string>

namespace platecam {

namespace msg {
inline constexpr const char* InvalidOperation = "不正な浮動小数点数演算命令";
inline constexpr const char* DivisionByZero = "0 による浮動小数点数除算";
inline constexpr const char* Overflow = "浮動小数点数のオーバーフロー";
inline constexpr const char* NotFloat = "'%s' は浮動小数点数ではありません";
inline constexpr const char* NotInteger = "'%s' は整数ではありません";
inline constexpr const char* AngleOutOfRange = "角度 %d は範囲外です";
inline constexpr const char* RollerTooLarge = "コロに対して変動が大きすぎる";
inline constexpr const char* CannotOpen = "ファイル %s は開けません";
inline constexpr const char* CannotCreate = "ファイル %s を作成できません";
inline constexpr const char* ReadError = "ストリームからの読み込みエラー";
inline constexpr const char* WriteError = "ストリームへの書き込みエラー";
inline constexpr const char* NotDesignFile = "ファイル %s はカムの設計ファイルではありません";
inline constexpr const char* CannotInsertLine = "行を挿入できません";
inline constexpr const char* NoTimer = "タイマーを取得できません";
}  // namespace msg

// Replaces the first "%s" or "%d" of a message pattern.
std::string FormatMessage(const char* pattern, const std::string& argument);

class CamError : public std::runtime_error {
public:
    explicit CamError(const std::string& message)
        : std::runtime_error(message), message_(message) {}
    // The whole text: what() stops at a NUL byte that a user's text may hold.
    const std::string& message() const { return message_; }

private:
    std::string message_;
};

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
