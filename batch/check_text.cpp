#include "batch/check_text.h"

#include "batch/texts.h"
#include "model/errors.h"

namespace platecam {

std::string Verdict(bool ok) { return ok ? "ok" : "FAIL"; }

CheckTexts FormatChecks(const Run& run) {
    const CamDesign& d = *run.design;
    const int S = run.S();
    CheckTexts t;
    t.pressureValue = "max " + Figure(run.checks.maxPressure.value) + " deg, min " +
                      Figure(run.checks.minPressure.value) + " deg";
    t.pressureWhere = Angle(run.checks.maxPressure.sample, S) + " deg, " +
                      Angle(run.checks.minPressure.sample, S) + " deg";
    t.pressureLimit = "+-" + Number(run.maxPressure) + " deg";
    if (run.checks.convexPitchRadius.found) {
        t.undercutValue = Figure(run.checks.convexPitchRadius.value) + " mm";
        t.undercutWhere = Angle(run.checks.convexPitchRadius.sample, S) + " deg";
    } else {
        t.undercutValue = "no convex part";
    }
    t.undercutLimit = "roller " + Number(d.RollerRadius) + " mm";
    t.contourValue = run.status.completed
                         ? "complete"
                         : "stopped at " + Angle(run.status.stoppedAt, S) + " deg (" +
                               Message(msg::RollerTooLarge) + ")";
    return t;
}

std::string SizingText(const Run& run) {
    const SizingResult& s = *run.sizing;
    if (!s.found) {
        return "sizing: nothing up to " + Number(s.searchedUpTo) + " mm passes every check";
    }
    std::string text = "sizing: smallest base radius " + Number(s.baseRadius) +
                       " mm (pressure angle max " + Figure(s.checks.maxPressure.value) +
                       " deg, min " + Figure(s.checks.minPressure.value) + " deg";
    if (s.checks.convexPitchRadius.found) {
        text += ", smallest convex radius of curvature " +
                Figure(s.checks.convexPitchRadius.value) + " mm";
    }
    text += ")";
    if (s.passesAsGiven) {
        text += "; the checks pass at the radius " + Number(run.design->BaseRadius) +
                " mm already";
    }
    return text;
}

std::string ConcaveText(const Run& run) {
    const Extreme& c = run.checks.concaveContourRadius;
    if (!c.found) return "contour: no concave part (information)";
    return "contour: smallest concave radius of curvature " + Figure(-c.value) + " mm at " +
           Angle(c.sample, run.S()) + " deg; a milling cutter must be smaller (information)";
}

std::string WindowMethodText(const Run& run) {
    const CamDesign& d = *run.design;
    if (run.windowPressureError) {
        return "pressure angle (window method): not computed (" + *run.windowPressureError + ")";
    }
    const WindowExtremes w = FindWindowExtremes(d);
    return "pressure angle (window method): max " + Figure(d.MaxPressureAngle) + " deg at " +
           Angle(w.maxAt, run.S()) + " deg, min " + Figure(d.MinPressureAngle) + " deg at " +
           Angle(w.minAt, run.S()) + " deg";
}

std::string KinematicsText(const Run& run) {
    const Peaks p = FindPeaks(run);
    if (run.options.rpm) {
        return "kinematics at " + Number(*run.options.rpm) + " rpm: peak velocity " +
               Figure(p.velocity) + " mm/s, acceleration " + Figure(p.acceleration) +
               " m/s2, jerk " + Figure(p.jerk) + " m/s3";
    }
    return "kinematics per radian: peak velocity " + Figure(p.velocity) + " mm/rad, acceleration " +
           Figure(p.acceleration) + " mm/rad2, jerk " + Figure(p.jerk) + " mm/rad3";
}

void PrintCheck(std::ostream& out, const Run& run) {
    const CamDesign& d = *run.design;
    const CheckTexts t = FormatChecks(run);
    out << "design: " << run.options.design << "\n";
    out << "law: " << LawCaptions[run.law] << ", resolution: " << Number(1.0 / run.S())
        << " deg (" << run.N() << " samples)";
    if (run.options.rpm) out << ", speed " << Number(*run.options.rpm) << " rpm";
    out << "\n";
    out << "base radius " << Number(d.BaseRadius) << " mm, roller radius " << Number(d.RollerRadius)
        << " mm, largest lift " << Number(d.MaxDisplacement) << " mm\n";
    out << "pressure angle: max " << Figure(run.checks.maxPressure.value) << " deg at "
        << Angle(run.checks.maxPressure.sample, run.S()) << " deg, min "
        << Figure(run.checks.minPressure.value) << " deg at "
        << Angle(run.checks.minPressure.sample, run.S()) << " deg, limit " << t.pressureLimit
        << "  " << Verdict(run.verdicts.pressure) << "\n";
    out << WindowMethodText(run) << "\n";
    if (run.checks.convexPitchRadius.found) {
        out << "pitch curve: smallest convex radius of curvature " << t.undercutValue << " at "
            << t.undercutWhere << ", roller radius " << Number(d.RollerRadius) << " mm  "
            << (run.verdicts.undercut ? "ok" : "FAIL (undercut)") << "\n";
    } else {
        out << "pitch curve: no convex part  ok\n";
    }
    out << "contour: " << t.contourValue << "  " << Verdict(run.verdicts.contour) << "\n";
    out << ConcaveText(run) << "\n";
    out << KinematicsText(run) << "\n";
    if (run.sizing) out << SizingText(run) << "\n";
    out << (run.verdicts.all() ? "result: all checks pass\n" : "result: a check fails\n");
}

}  // namespace platecam
