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

// A file name in every text an output holds (the check, the JSON, the report, the
// drawing): UTF-8 as it is, each byte that is not part of a UTF-8 character, or belongs to
// a control character, as \xNN. Old shares hold Latin-1 names.
std::string FileNameText(const std::string& name);

}  // namespace platecam
