#include "batch/title_block.h"

#include "language/language.h"
#include "model/cam_design.h"

namespace platecam {

namespace {

struct Key {
    const char* key;
    const char* label;
    std::optional<std::string> DrawingSection::*field;
};

const Key Keys[] = {
    {"part_number", N_("part number"), &DrawingSection::partNumber},
    {"material", N_("material"), &DrawingSection::material},
    {"designer", N_("designer"), &DrawingSection::designer},
    {"checker", N_("checker"), &DrawingSection::checker},
    {"revision", N_("revision"), &DrawingSection::revision},
    {"date", N_("date"), &DrawingSection::date},
};

// The value the options give a key, else nothing.
std::optional<std::string> FromOptions(const Run& run, const std::string& key) {
    std::optional<std::string> value;
    for (const auto& [k, v] : run.options.titleBlock) {
        if (k == key) value = v;  // the last one given stands
    }
    return value;
}

}  // namespace

std::string DesignName(const std::string& path) {
    const auto slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

std::vector<std::pair<std::string, std::string>> TitleBlock(const Run& run, bool translated) {
    std::vector<std::pair<std::string, std::string>> entries;
    const std::optional<DrawingSection>& drawing =
        run.input.document ? run.input.document->drawing : std::nullopt;
    for (const Key& k : Keys) {
        std::optional<std::string> value = FromOptions(run, k.key);
        if (!value && drawing) value = (*drawing).*(k.field);
        if (value && !value->empty()) entries.emplace_back(translated ? Tr(k.label) : k.label, *value);
    }
    return entries;
}

std::optional<double> BoreDiameter(const Run& run) {
    if (const auto text = FromOptions(run, "bore_diameter")) return ParseDecimal(*text, '.');
    if (run.input.document && run.input.document->drawing) return run.input.document->drawing->boreDiameter;
    return std::nullopt;
}

}  // namespace platecam
