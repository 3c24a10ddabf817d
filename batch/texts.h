#pragma once
// The number texts and law names every output of platecam-batch shares.

#include <string>

namespace platecam {

inline constexpr double Pi = 3.141592653589793;

// The window's three laws: the batch's option names and the window's captions.
extern const char* const LawNames[3];
extern const char* const LawCaptions[3];

// Every number as the window writes it (15 significant digits).
std::string Number(double value);
// Six significant digits, the figures of the check report.
std::string Figure(double value);

}  // namespace platecam
