#include "batch/title_block.h"

#include "batch/texts.h"
#include "base/language.h"
#include "model/cam_design.h"

namespace platecam {

std::string DesignName(const std::string& path) {
    const auto slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return FileNameText(name);
}

std::vector<std::pair<std::string, std::string>> TitleBlock(const Run& run, bool translated) {
    std::vector<std::pair<std::string, std::string>> entries;
    // The options' entries are in the document (a design file's too, once it is a cam).
    std::optional<DrawingSection> drawing =
        run.input.document ? run.input.document->drawing : std::nullopt;
    if (!run.input.document) {
        for (const auto& [key, value] : run.options.titleBlock) {
            for (const TitleText& t : TitleTexts()) {
                if (key == t.key) (drawing ? *drawing : drawing.emplace()).*t.field = value;
            }
        }
    }
    if (!drawing) return entries;
    for (const TitleText& t : TitleTexts()) {
        const std::optional<std::string>& value = (*drawing).*t.field;
        if (value && !value->empty()) entries.emplace_back(translated ? Tr(t.label) : t.label, *value);
    }
    return entries;
}

std::optional<double> BoreDiameter(const Run& run) {
    if (run.input.document && run.input.document->drawing) return run.input.document->drawing->boreDiameter;
    return std::nullopt;
}

}  // namespace platecam
