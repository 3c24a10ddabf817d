#include "batch/run.h"

#include <cmath>

#include "batch/texts.h"
#include "base/language.h"

namespace platecam {

Run ComputeRun(const BatchOptions& options) {
    DesignInput input = ReadBatchDesign(options);
    const Request request = RequestOf(options, input);
    return Run(options, ComputeDesign(std::move(input), request));
}

std::string Shown(const Text& text) { return FileNameText(text.Render()); }

std::string LawText(const Run&, engine::Law law) {
    // The document's name is the message id: English readers read the name they write,
    // Japanese readers the glossary's word.
    return Tr(engine::LawName(law));
}

namespace {
// The laws' names for the catalogue, which finds a message id only as a literal.
[[maybe_unused]] const char* const LawNameIds[] = {
    N_("cycloid"),         N_("modified-trapezoid"), N_("modified-sine"),
    N_("simple-harmonic"), N_("3-4-5"),              N_("4-5-6-7"),
    N_("double-harmonic"), N_("constant-velocity"),  N_("polynomial")};
}  // namespace

LiftUnits UnitsOf(const Run& run) {
    if (run.cam && run.cam->follower.kind == engine::FollowerKind::SwingRoller) {
        return {"°", {"rad/rad", "rad/rad²", "rad/rad³"}, {"rad/s", "rad/s²", "rad/s³"}, Pi / 180,
                {1, 1, 1}};
    }
    return {"mm", {"mm/rad", "mm/rad²", "mm/rad³"}, {"mm/s", "m/s²", "m/s³"}, 1, {1, 1e-3, 1e-3}};
}

Peaks FindPeaks(const Run& run) {
    Peaks p;
    if (!run.grid) return p;
    for (const engine::SegmentPeaks& s : run.grid->segments) {
        p.velocity = std::max(p.velocity, s.velocity);
        p.acceleration = std::max(p.acceleration, s.acceleration);
        p.jerk = std::max(p.jerk, s.jerk);
    }
    const LiftUnits u = UnitsOf(run);
    if (const auto w = run.Omega()) {
        p.velocity *= u.perRadianScale * u.perSecondScale[0] * *w;
        p.acceleration *= u.perRadianScale * u.perSecondScale[1] * *w * *w;
        p.jerk *= u.perRadianScale * u.perSecondScale[2] * *w * *w * *w;
    } else {
        p.velocity *= u.perRadianScale;
        p.acceleration *= u.perRadianScale;
        p.jerk *= u.perRadianScale;
    }
    return p;
}

}  // namespace platecam
