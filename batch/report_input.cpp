#include "batch/report_input.h"

#include <ctime>

#include "batch/check_text.h"
#include "batch/texts.h"

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
    const CamDesign& d = *run.design;
    const CheckTexts t = FormatChecks(run);
    ReportInput r;
    const auto slash = run.options.design.rfind('/');
    r.title = slash == std::string::npos ? run.options.design : run.options.design.substr(slash + 1);
    r.date = Today();
    r.inputs = {{{"base radius", Number(d.BaseRadius) + " mm"}},
                {{"roller radius", Number(d.RollerRadius) + " mm"}},
                {{"largest lift", Number(d.MaxDisplacement) + " mm"}},
                {{"motion law", LawCaptions[run.law]}},
                {{"resolution", Number(1.0 / run.S()) + " deg (" + std::to_string(run.N()) +
                                    " samples)"}}};
    if (run.options.rpm) r.inputs.push_back({{"speed", Number(*run.options.rpm) + " rpm"}});
    const TableWalk walk = WalkTable(d.MotionTable);
    const int rows = walk.terminatorRow ? walk.terminatorRow : MotionRowCount;
    for (int k = 0; k < rows; ++k) {
        r.motionTable.push_back({{std::to_string(k + 1), std::to_string(d.MotionTable[k].Angle),
                                  Number(d.MotionTable[k].Value)}});
    }
    r.checks = {{{"pressure angle (exact)", t.pressureValue, t.pressureWhere, t.pressureLimit,
                  Verdict(run.verdicts.pressure)}},
                {{"undercut (pitch curve)", t.undercutValue, t.undercutWhere, t.undercutLimit,
                  run.verdicts.undercut ? "ok" : "FAIL (undercut)"}},
                {{"contour", t.contourValue, "", "", Verdict(run.verdicts.contour)}}};
    r.notes = {ConcaveText(run), WindowMethodText(run), KinematicsText(run)};
    if (run.sizing) r.notes.push_back(SizingText(run));
    r.notes.push_back(run.verdicts.all() ? "result: all checks pass" : "result: a check fails");
    r.design = &d;
    r.motion = run.motion.get();
    r.contourComplete = run.status.completed;
    r.contourSamples = run.status.completed ? run.N() + 1 : run.status.stoppedAt;
    r.maxPressure = run.maxPressure;
    r.rpm = run.options.rpm;
    for (const Segment& s : walk) {
        r.boundaries.push_back(s.startAngle);
        r.boundaries.push_back(s.endAngle);
    }
    return r;
}

}  // namespace platecam
