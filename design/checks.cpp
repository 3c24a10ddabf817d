// The checks of a result as items, each with its code, figures and verdict: the one place
// that judges, for every client that shows a verdict.

#include "design/result.h"

namespace platecam {

namespace {

std::optional<double> FoundValue(const engine::GridExtreme& e) {
    return e.found ? std::optional<double>(e.value) : std::nullopt;
}
std::optional<double> FoundAt(const engine::GridExtreme& e) {
    return e.found ? std::optional<double>(e.atDeg) : std::nullopt;
}

Verdict Judged(bool pass) { return pass ? Verdict::Pass : Verdict::Fail; }

void GeometryItems(DesignResult& r) {
    const engine::GridChecks& g = *r.grid;
    const engine::CamInput& cam = *r.cam;
    auto add = [&](CheckItem item) { r.checks.push_back(std::move(item)); };
    if (cam.follower.kind == engine::FollowerKind::Flat) {
        add({CheckCode::FlatPressureAngle, Verdict::Information, 0.0, {}, {}, {}});
        add({CheckCode::ContourCurvature, Judged(g.curvaturePass), FoundValue(g.contourRadius),
             cam.minRadiusOfCurvature, FoundAt(g.contourRadius), {}});
        add({CheckCode::FaceWidth,
             cam.follower.faceWidth ? Judged(g.faceWidthPass) : Verdict::Information,
             g.faceWidthNeeded, cam.follower.faceWidth, {}, {}});
    } else {
        const Verdict pressure = Judged(g.pressurePass);
        add({CheckCode::PressureAngleMax, pressure, g.maxPressure.value, cam.maxPressureAngle,
             g.maxPressure.atDeg, {}});
        add({CheckCode::PressureAngleMin, pressure, g.minPressure.value, cam.maxPressureAngle,
             g.minPressure.atDeg, {}});
        add({CheckCode::Undercut, Judged(g.undercutPass), FoundValue(g.convexPitchRadius),
             cam.follower.rollerRadius, FoundAt(g.convexPitchRadius), {}});
        add({CheckCode::ConcaveContour, Verdict::Information, FoundValue(g.concaveContourRadius),
             {}, FoundAt(g.concaveContourRadius), {}});
    }
    if (cam.bore && g.innermostContour.found) {
        add({CheckCode::Bore, Judged(g.borePass), g.boreWall, cam.bore->minWall,
             g.innermostContour.atDeg, {}});
    }
    if (r.clearance) {
        const engine::ArmClearance& c = *r.clearance;
        add({CheckCode::ArmClearance, Judged(c.Passes()), c.armRoom.value, cam.follower.clearance,
             c.failsAtDeg.value_or(c.armRoom.atDeg), {}});
    }
}

void WindowItems(DesignResult& r) {
    if (!r.window) return;
    const WindowComputation& w = *r.window;
    r.checks.push_back({CheckCode::WindowContour, Verdict::Information,
                        w.status.completed ? std::nullopt
                                           : std::optional<double>(static_cast<double>(w.status.stoppedAt) / w.S()),
                        {}, {}, {}});
    if (w.pressureError) {
        r.checks.push_back({CheckCode::WindowPressureAngleMax, Verdict::Information, {}, {}, {},
                            *w.pressureError});
        return;
    }
    const CamDesign& d = *w.design;
    r.checks.push_back({CheckCode::WindowPressureAngleMax, Verdict::Information, d.MaxPressureAngle,
                        {}, static_cast<double>(w.maxAt) / w.S(), {}});
    r.checks.push_back({CheckCode::WindowPressureAngleMin, Verdict::Information, d.MinPressureAngle,
                        {}, static_cast<double>(w.minAt) / w.S(), {}});
}

void JoinItems(DesignResult& r) {
    for (const engine::Join& join : r.cam->motion.Joins()) {
        if (join.velocityJump != 0) {
            r.checks.push_back({CheckCode::JoinVelocity, Verdict::Warning, join.velocityJump, {},
                                join.atDeg, {}});
        }
        if (join.accelerationJump != 0) {
            r.checks.push_back({CheckCode::JoinAcceleration, Verdict::Warning, join.accelerationJump,
                                {}, join.atDeg, {}});
        }
    }
}

void LoadItems(DesignResult& r) {
    if (!r.dynamics) return;
    const engine::DynamicsChecks& d = r.dynamics->checks;
    auto add = [&](CheckItem item) { r.checks.push_back(std::move(item)); };
    add({CheckCode::ContactForce, d.jump ? Verdict::Fail : Verdict::Pass, d.minContactForce.value,
         0.0, d.minContactForce.atDeg, {}});
    add({CheckCode::JumpFreeSpeed, Verdict::Information, d.jumpFreeRpm.value, {}, {}, d.jumpFreeRpm.reason});
    add({CheckCode::SpringRate, Verdict::Information, d.minSpringRate.value, {}, {}, d.minSpringRate.reason});
    add({CheckCode::TorqueMax, Verdict::Information, d.peakTorque.value, {}, d.peakTorque.atDeg, {}});
    add({CheckCode::TorqueMin, Verdict::Information, d.minTorque.value, {}, d.minTorque.atDeg, {}});
    if (r.loads->contact) {
        // With an allowable stress it is judged: where it is not defined the contact is a
        // point or an undercut, which no allowable admits.
        const std::optional<double> allowable =
            r.input.document && r.input.document->contact ? r.input.document->contact->allowableStress
                                                          : std::nullopt;
        const Verdict verdict =
            !allowable ? Verdict::Information
                       : Judged(d.maxContactStress.found && d.stressUndefined.empty() &&
                                d.maxContactStress.value <= *allowable);
        add({CheckCode::ContactStress, verdict, FoundValue(d.maxContactStress), allowable,
             FoundAt(d.maxContactStress), d.stressUndefined});
    }
}

}  // namespace

void AddCheckItems(DesignResult& r) {
    r.checks.clear();
    if (!r.noCamAtGivenRadius.empty()) {
        r.checks.push_back({CheckCode::NoCamAtGivenRadius, Verdict::Fail, r.cam->baseRadius, {}, {},
                            r.noCamAtGivenRadius});
        return;
    }
    if (!r.notACam.empty() || !r.grid) {
        r.checks.push_back({CheckCode::NotACam, Verdict::Fail, {}, {}, {}, r.notACam});
        return;
    }
    GeometryItems(r);
    WindowItems(r);
    JoinItems(r);
    LoadItems(r);
}

}  // namespace platecam
