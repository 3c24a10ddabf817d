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
    // The options' entries are in the document, or beside a design file's table that is
    // no cam.
    const std::optional<DrawingSection>& drawing =
        run.input.document ? run.input.document->drawing : run.input.drawing;
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
