#include "batch/run.h"

#include <cmath>

#include "batch/texts.h"

namespace platecam {

Run ComputeRun(const BatchOptions& options) {
    DesignInput input = ReadBatchDesign(options);
    const Request request = RequestOf(options, input);
    return Run(options, ComputeDesign(std::move(input), request));
}

std::string Shown(const Text& text) { return FileNameText(text.Render()); }

std::string LawText(const Run& run, engine::Law law) {
    if (run.input.origin == Origin::DesignFile) return LawCaptions[*engine::WindowLawIndex(law)];
    return engine::LawName(law);
}

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
