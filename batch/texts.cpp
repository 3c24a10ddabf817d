#include "batch/texts.h"

#include "base/utf8.h"
#include "base/number_text.h"

namespace platecam {

const char* const LawNames[3] = {"cycloid", "trapezoid", "sine"};
const char* const LawCaptions[3] = {"サイクロイド曲線(CY)", "変形台形曲線(MT)", "変形正弦曲線(MS)"};

std::string Number(double value) { return FormatNumber(value, '.'); }
std::string Figure(double value) { return FormatGeneral(value, 6, 15, '.'); }

std::string FileNameText(const std::string& name) { return PrintableText(name); }

}  // namespace platecam
