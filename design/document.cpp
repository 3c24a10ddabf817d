#include "design/document.h"

#include <stdexcept>
#include <utility>

#include "base/language.h"
#include "design/rules.h"

namespace platecam {

namespace {
namespace text {
constexpr const char* Resolution = "must be 1, 0.5 or 0.2";
}  // namespace text
}  // namespace

const std::vector<TitleText>& TitleTexts() {
    static const std::vector<TitleText> texts = {
        {"part_number", N_("part number"), &DrawingSection::partNumber},
        {"material", N_("material"), &DrawingSection::material},
        {"designer", N_("designer"), &DrawingSection::designer},
        {"checker", N_("checker"), &DrawingSection::checker},
        {"revision", N_("revision"), &DrawingSection::revision},
        {"date", N_("date"), &DrawingSection::date},
    };
    return texts;
}

const char* MissingProgramKey(const MachiningSection& m) {
    const std::pair<const char*, const std::optional<double>*> keys[] = {
        {"feed", &m.feed},   {"plunge_feed", &m.plungeFeed}, {"spindle", &m.spindle},
        {"depth", &m.depth}, {"safe_z", &m.safeZ},           {"lead_in", &m.leadIn}};
    for (const auto& [key, value] : keys) {
        if (!*value) return key;
    }
    return nullptr;
}

const char* CutDirectionName(CutDirection direction) {
    return direction == CutDirection::Conventional ? "conventional" : "climb";
}

std::optional<CutDirection> CutDirectionFromName(std::string_view name) {
    if (name == "climb") return CutDirection::Climb;
    if (name == "conventional") return CutDirection::Conventional;
    return std::nullopt;
}

int DesignDocument::StepsPerDegree() const {
    if (cam.resolution == 1) return 1;
    if (cam.resolution == 0.5) return 2;
    if (cam.resolution == 0.2) return 5;
    RefuseKey(FilePlaces(""), "cam.resolution", Text::Message(text::Resolution));
}

engine::Law DesignDocument::LawOfSegmentEndingAt(std::size_t row) const {
    if (row == 0) throw std::out_of_range("the first row ends no segment");
    const DocumentRow& end = motion.at(row);
    return end.law ? *end.law : cam.law;
}

}  // namespace platecam
