#include "base/number_text.h"

#include "base/errors.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace platecam {

namespace {

// Digits d1..dn (n <= 17) of the rounded value and its exponent E, value = 0.d1.. x 10^E.
struct Decimal {
    char digits[24];
    int count;
    int exponent;
    bool negative;
};

// Rounds the significant digits in `text` (scientific form "d.ddddde±x" from to_chars)
// to `digits` places, halves away from zero. `exact` says whether text holds every
// digit of the binary value.
bool RoundDigits(const char* mantissa, int available, int digits, bool exact, Decimal& out) {
    // mantissa: available digits with the point removed.
    if (available <= digits) {
        std::memcpy(out.digits, mantissa, static_cast<std::size_t>(available));
        out.count = available;
        return true;
    }
    const char first = mantissa[digits];
    bool up;
    if (first > '5') {
        up = true;
    } else if (first < '5') {
        up = false;
    } else {
        bool rest_zero = true;
        for (int i = digits + 1; i < available; ++i) {
            if (mantissa[i] != '0') {
                rest_zero = false;
                break;
            }
        }
        // A 5 followed by zeros in a rounded rendering may hide digits below it.
        if (rest_zero && !exact) return false;
        up = true;  // a half or more: away from zero
    }
    std::memcpy(out.digits, mantissa, static_cast<std::size_t>(digits));
    out.count = digits;
    if (up) {
        int i = digits - 1;
        while (i >= 0 && out.digits[i] == '9') out.digits[i--] = '0';
        if (i < 0) {
            // 9.99.. rounds to 10.0..: one more place before the point.
            std::memmove(out.digits + 1, out.digits, static_cast<std::size_t>(digits - 1));
            out.digits[0] = '1';
            ++out.exponent;
        } else {
            ++out.digits[i];
        }
    }
    return true;
}

bool Split(double magnitude, int precision, Decimal& out, char* mantissa, int& available) {
    static thread_local char buffer[800];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                std::chars_format::scientific, precision);
    if (result.ec != std::errc()) return false;
    const char* p = buffer;
    available = 0;
    for (; p < result.ptr && *p != 'e'; ++p) {
        if (*p != '.') mantissa[available++] = *p;
    }
    int exp10 = 0;
    std::from_chars(p + 1 + (p[1] == '+'), result.ptr, exp10);
    out.exponent = exp10 + 1;
    return true;
}

Decimal ToDecimal(double value, int digits) {
    Decimal d{};
    d.negative = std::signbit(value);
    const double magnitude = std::fabs(value);
    static thread_local char mantissa[800];
    int available = 0;
    // Seventeen digits decide nearly every case; only a rendered tie at the cut
    // needs the exact expansion (a double has at most 767 significant digits).
    Split(magnitude, 16, d, mantissa, available);
    if (!RoundDigits(mantissa, available, digits, false, d)) {
        Split(magnitude, 780, d, mantissa, available);
        RoundDigits(mantissa, available, digits, true, d);
    }
    while (d.count > 1 && d.digits[d.count - 1] == '0') --d.count;
    return d;
}

}  // namespace

void AppendGeneral(std::string& out, double value, int digits, int maxFixedExponent,
                   char decimalMark) {
    if (std::isnan(value)) {
        out += "NAN";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-INF" : "INF";
        return;
    }
    if (value == 0) {
        out += '0';
        return;
    }
    const Decimal d = ToDecimal(value, digits);
    if (d.negative) out += '-';
    const int E = d.exponent;
    if (E >= -3 && E <= maxFixedExponent) {
        if (E <= 0) {
            out += '0';
            out += decimalMark;
            out.append(static_cast<std::size_t>(-E), '0');
            out.append(d.digits, static_cast<std::size_t>(d.count));
        } else {
            for (int i = 0; i < E; ++i) out += i < d.count ? d.digits[i] : '0';
            if (d.count > E) {
                out += decimalMark;
                out.append(d.digits + E, static_cast<std::size_t>(d.count - E));
            }
        }
        return;
    }
    out += d.digits[0];
    if (d.count > 1) {
        out += decimalMark;
        out.append(d.digits + 1, static_cast<std::size_t>(d.count - 1));
    }
    out += 'E';
    char exponent[8];
    auto r = std::to_chars(exponent, exponent + sizeof exponent, E - 1);
    out.append(exponent, r.ptr);
}

std::string FormatFixed(double value, int decimals) {
    if (!std::isfinite(value) || decimals < 0 || decimals > 9) ThrowInvalidOperation();
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) ThrowInvalidOperation();
    std::string text(buffer, result.ptr);
    // A negative value that rounds to zero is written as zero.
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

std::string FormatGeneral(double value, int digits, int maxFixedExponent, char decimalMark) {
    std::string out;
    AppendGeneral(out, value, digits, maxFixedExponent, decimalMark);
    return out;
}

void AppendNumber(std::string& out, double value, char decimalMark) {
    AppendGeneral(out, value, 15, 15, decimalMark);
}

}  // namespace platecam
