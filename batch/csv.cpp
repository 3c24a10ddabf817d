#include "batch/csv.h"

#include <charconv>
#include <memory>

#include "batch/texts.h"
#include "batch/window_figures.h"
#include "base/number_text.h"

namespace platecam {

namespace {

// The shortest text that reads back to the same double.
void AppendShortest(std::string& text, double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value + 0.0);
    text.append(buffer, result.ptr);
}

// A design file's samples as the window computes them; these columns and their texts are
// the batch tool's since its first version.
std::string WindowCsv(const Run& run) {
    const CamDesign& d = *run.window->design;
    auto profile = std::make_unique<MotionProfile>();
    BuildMotionProfile(d, run.input.law, *profile);
    const MotionProfile& m = *profile;
    const std::optional<double> omega = run.Omega();
    std::string text =
        "cam_angle_deg,displacement_mm,velocity_mm_per_rad,acceleration_mm_per_rad2,"
        "pitch_x_mm,pitch_y_mm,contour_x_mm,contour_y_mm,pressure_angle_deg,"
        "jerk_mm_per_rad3,pitch_radius_of_curvature_mm,contour_radius_of_curvature_mm,"
        "pressure_angle_exact_deg";
    if (omega) text += ",velocity_mm_s,acceleration_m_s2,jerk_m_s3";
    text += '\n';
    const int S = run.window->S();
    const int N = run.window->N();
    text.reserve(static_cast<std::size_t>(N) * 300);
    for (int i = 0; i < N; ++i) {
        const double values[] = {static_cast<double>(i) / S, d.Displacement[i], m.velocity[i],
                                 m.acceleration[i], d.PitchCurve[i].x, d.PitchCurve[i].y,
                                 d.CamProfile[i].x, d.CamProfile[i].y, d.PressureAngle[i],
                                 m.jerk[i]};
        for (std::size_t k = 0; k < std::size(values); ++k) {
            if (k > 0) text += ',';
            AppendNumber(text, values[k]);
        }
        // A straight piece has no radius: its cells stay empty.
        const double kappa = PitchCurvature(d.BaseRadius, d.RollerRadius, d.Displacement[i],
                                            m.velocity[i], m.acceleration[i]);
        text += ',';
        if (kappa != 0) AppendNumber(text, 1 / kappa);
        text += ',';
        if (kappa != 0) AppendNumber(text, 1 / kappa - d.RollerRadius);
        text += ',';
        AppendNumber(text, ExactPressureAngle(d.BaseRadius, d.RollerRadius, d.Displacement[i],
                                              m.velocity[i]));
        if (omega) {
            const double w = *omega;
            for (double v : {m.velocity[i] * w, m.acceleration[i] * w * w / 1000,
                             m.jerk[i] * w * w * w / 1000}) {
                text += ',';
                AppendNumber(text, v);
            }
        }
        text += '\n';
    }
    return text;
}

// A design document's samples from the exact computation.
std::string EngineCsv(const Run& run) {
    run.RequireSamples();
    const bool swing = run.cam->follower.kind == engine::FollowerKind::SwingRoller;
    const LiftUnits u = UnitsOf(run);
    const std::optional<double> omega = run.Omega();
    std::string text = swing ? "cam_angle_deg,lift_deg,velocity_rad_per_rad,acceleration_rad_per_rad2,"
                               "jerk_rad_per_rad3,"
                             : "cam_angle_deg,lift_mm,velocity_mm_per_rad,acceleration_mm_per_rad2,"
                               "jerk_mm_per_rad3,";
    text += "pressure_angle_deg,pitch_x_mm,pitch_y_mm,contact_x_mm,contact_y_mm,"
            "contour_radius_of_curvature_mm";
    if (omega) {
        text += swing ? ",velocity_rad_s,acceleration_rad_s2,jerk_rad_s3"
                      : ",velocity_mm_s,acceleration_m_s2,jerk_m_s3";
    }
    const bool stress = run.loads && run.loads->contact;
    if (run.dynamics) {
        text += ",contact_force_N,normal_force_N,camshaft_torque_N_m";
        if (swing) text += ",arm_torque_N_m";
        if (stress) text += ",contact_stress_MPa";
    }
    if (run.vibration) {
        text += ",follower_deviation_mm";
        if (run.compensated) text += ",contour_correction_mm";
    }
    text += '\n';
    text.reserve(run.samples.size() * 320);
    for (std::size_t i = 0; i < run.samples.size(); ++i) {
        const engine::Sample& s = run.samples[i];
        const double k = u.perRadianScale;
        const double values[] = {s.angleDeg,       s.motion.s,  s.motion.v * k,     s.motion.a * k,
                                 s.motion.j * k,   s.pressureAngleDeg, s.pitch.x,  s.pitch.y,
                                 s.contact.x,      s.contact.y};
        for (std::size_t c = 0; c < std::size(values); ++c) {
            if (c > 0) text += ',';
            AppendShortest(text, values[c]);
        }
        text += ',';
        if (s.contourRadius) AppendShortest(text, *s.contourRadius);
        if (omega) {
            const double w = *omega;
            const double perTime[] = {s.motion.v * k * u.perSecondScale[0] * w,
                                      s.motion.a * k * u.perSecondScale[1] * w * w,
                                      s.motion.j * k * u.perSecondScale[2] * w * w * w};
            for (double v : perTime) {
                text += ',';
                AppendShortest(text, v);
            }
        }
        if (run.dynamics) {
            const engine::DynamicsSample& d = run.dynamics->samples[i];
            for (double v : {d.contactForce, d.normalForce, d.torque}) {
                text += ',';
                AppendShortest(text, v);
            }
            if (swing) {
                text += ',';
                AppendShortest(text, d.armTorque);
            }
            // Empty where the contact stress has no meaning (an undercut or a point).
            if (stress) {
                text += ',';
                if (d.stress) AppendShortest(text, *d.stress);
            }
        }
        if (run.vibration) {
            const engine::VibrationSample& v = run.vibration->samples[i];
            text += ',';
            AppendShortest(text, v.deviation);
            if (run.compensated) {
                text += ',';
                AppendShortest(text, v.correction);
            }
        }
        text += '\n';
    }
    return text;
}

}  // namespace

// The rows of a speed sweep (--sweep-csv); the contact force's cell stays empty at a speed
// where the undamped train resonates and has no steady state.
std::string SweepCsvText(const Run& run) {
    std::string text = "rpm,residual_mm,min_contact_force_N\n";
    for (const engine::SpeedPoint& p : run.sweep) {
        AppendShortest(text, p.rpm);
        text += ',';
        AppendShortest(text, p.residual);
        text += ',';
        if (p.minContactForce) AppendShortest(text, *p.minContactForce);
        text += '\n';
    }
    return text;
}

std::string CsvText(const Run& run) {
    if (run.input.origin == Origin::DesignFile) return WindowCsv(run);
    return EngineCsv(run);
}

}  // namespace platecam
