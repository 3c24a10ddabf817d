#pragma once
// Number to text in the general format of the original program: never through the
// process locale.

#include <string>

namespace platecam {

// The value rounded to `digits` significant digits (halves away from zero, from the
// exact binary value), trailing zeros dropped; fixed notation while the decimal
// exponent E (value = 0.d1d2... x 10^E) lies in -3..maxFixedExponent, else scientific.
std::string FormatGeneral(double value, int digits, int maxFixedExponent, char decimalMark);

// 15 digits, fixed for -3 <= E <= 15: the edits after OPEN and every DXF number.
inline std::string FormatNumber(double value, char decimalMark = '.') {
    return FormatGeneral(value, 15, 15, decimalMark);
}

// 5 digits, fixed for -3 <= E <= 5: the chart labels.
inline std::string LabelText(double value, char decimalMark = '.') {
    return FormatGeneral(value, 5, 5, decimalMark);
}

// Fixed notation with exactly `decimals` decimals (0..9), rounded to nearest (std::to_chars),
// never "-0.000": tables and programs for the workshop. CamError for a value that is not
// finite.
std::string FormatFixed(double value, int decimals);

// Appends FormatNumber(value) to out without a temporary string (the DXF hot path).
void AppendNumber(std::string& out, double value, char decimalMark = '.');

}  // namespace platecam
