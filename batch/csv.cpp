#include "batch/csv.h"

#include "batch/texts.h"
#include "model/number_text.h"

namespace platecam {

std::string CsvText(const Run& run) {
    const CamDesign& d = *run.design;
    const MotionProfile& m = *run.motion;
    const std::optional<double> omega = run.Omega();
    std::string text =
        "cam_angle_deg,displacement_mm,velocity_mm_per_rad,acceleration_mm_per_rad2,"
        "pitch_x_mm,pitch_y_mm,contour_x_mm,contour_y_mm,pressure_angle_deg,"
        "jerk_mm_per_rad3,pitch_radius_of_curvature_mm,contour_radius_of_curvature_mm,"
        "pressure_angle_exact_deg";
    if (omega) text += ",velocity_mm_s,acceleration_m_s2,jerk_m_s3";
    text += '\n';
    const int S = run.S();
    text.reserve(static_cast<std::size_t>(run.N()) * 300);
    for (int i = 0; i < run.N(); ++i) {
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

}  // namespace platecam
