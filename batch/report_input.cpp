#include "batch/report_input.h"

#include <ctime>

#include "batch/check_text.h"
#include "batch/texts.h"
#include "language/language.h"

namespace platecam {

namespace {

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

}  // namespace

ReportInput MakeReportInput(const Run& run) {
    const WindowRun& w = *run.window;
    const CamDesign& d = *w.design;
    const FigureStyle style{true};
    ReportInput r;
    const auto slash = run.input.path.rfind('/');
    r.title = slash == std::string::npos ? run.input.path : run.input.path.substr(slash + 1);
    r.date = Today();
    for (const std::string& line : DesignLines(run, style)) r.inputs.push_back({{line}});
    const TableWalk walk = WalkTable(d.MotionTable);
    const int rows = walk.terminatorRow ? walk.terminatorRow : MotionRowCount;
    for (int k = 0; k < rows; ++k) {
        r.motionTable.push_back({{std::to_string(k + 1), std::to_string(d.MotionTable[k].Angle),
                                  Number(d.MotionTable[k].Value)}});
    }
    for (const CheckItem& item : CheckItems(run, style)) {
        std::string verdict = VerdictText(item.verdict);
        if (!item.reason.empty()) verdict += ": " + item.reason;
        r.checks.push_back({{item.check, item.value, "", item.limit, verdict}});
    }
    r.notes.push_back(ResultLine(run));
    r.design = &d;
    r.motion = w.motion.get();
    r.contourComplete = w.status.completed;
    r.contourSamples = w.status.completed ? w.N() + 1 : w.status.stoppedAt;
    r.maxPressure = run.input.maxPressure;
    r.rpm = run.input.rpm;
    for (const Segment& s : walk) {
        r.boundaries.push_back(s.startAngle);
        r.boundaries.push_back(s.endAngle);
    }
    return r;
}

}  // namespace platecam
