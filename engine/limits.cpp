#include "engine/limits.h"

#include <cmath>

#include "base/language.h"
#include "base/errors.h"
#include "base/number_text.h"

namespace platecam::engine {

namespace {

namespace text {
inline constexpr const char* Open = "must be greater than %1 and less than %2";
inline constexpr const char* Closed = "must be at least %1 and less than %2";
inline constexpr const char* NotFinite = "must be a finite number";
}  // namespace text

constexpr double Million = 1e6;

// In the order of Quantity.
constexpr Limit Limits[] = {
    {"cam.base_radius", "mm", 0, false, Million},
    {"cam.rpm", "rpm", 0, false, Million},
    {"cam.max_pressure_angle", "°", 0, false, 90},
    {"cam.min_base_radius", "mm", 0, true, Million},
    {"cam.min_radius_of_curvature", "mm", 0, true, Million},
    {"follower.roller_radius", "mm", 0, true, Million},
    {"follower.offset", "mm", -Million, false, Million},
    {"follower.face_width", "mm", 0, false, Million},
    {"follower.arm_length", "mm", 0, false, Million},
    {"follower.pivot_distance", "mm", 0, false, Million},
    {"lift", "mm", -Million, false, Million},
    // An arm that swings a whole turn is no follower.
    {"lift", "°", -360, false, 360},
    {"dynamics.mass", "kg", 0, false, Million},
    {"dynamics.spring_rate", "N/mm", 0, true, Million},
    {"dynamics.preload", "N", -Million, false, Million},
    {"dynamics.damping", "N s/m", 0, true, Million},
    {"dynamics.load", "N", -Million, false, Million},
    // A line of contact narrower than a micrometre is no contact to compute a stress for.
    {"contact.width", "mm", 1e-3, true, Million},
    // Ten times a diamond's.
    {"contact.elastic_modulus", "MPa", 0, false, 1e7},
    {"contact.poisson_ratio", "", 0, true, 0.5},
    {"drawing.bore_diameter", "mm", 0, false, 2 * Million},
    {"drawing.min_wall", "mm", 0, true, Million},
    {"dynamics.train_stiffness", "N/mm", 0, false, 1e9},
    // An undamped (0) to nearly critically damped train: one that rings at all.
    {"dynamics.damping_ratio", "", 0, true, 1},
    {"dynamics.inertia", "kg m²", 0, false, Million},
    {"dynamics.spring_torque_rate", "N m/rad", 0, true, Million},
    {"dynamics.preload_torque", "N m", -Million, false, Million},
    {"dynamics.load_torque", "N m", -Million, false, Million},
    {"dynamics.damping", "N m s/rad", 0, true, Million},
    {"contact.allowable_stress", "MPa", 0, false, 1e5},
    {"follower.clearance", "mm", 0, true, Million},
    // Per radian of cam turn; the lift's own ceiling times the steepest join a law makes.
    {"velocity", "", -Million, false, Million},
    {"acceleration", "", -1e9, false, 1e9},
    {"jerk", "", -1e12, false, 1e12},
    {"machining.tool_radius", "mm", 0, false, Million},
    {"machining.feed", "mm/min", 0, false, Million},
    {"machining.plunge_feed", "mm/min", 0, false, Million},
    {"machining.spindle", "rpm", 0, false, Million},
    {"machining.depth", "mm", 0, false, Million},
    {"machining.safe_z", "mm", 0, false, Million},
    {"machining.lead_in", "mm", 0, false, Million},
    // A tenth of a micrometre is the G-code's last digit; a millimetre is no drawing of a cam.
    {"--tolerance", "mm", 1e-4, true, 1},
    // A hundredth of a degree gives 36000 rows; a table needs two rows at least.
    {"--lift-step", "°", 0.01, true, 180},
    {"--table-step", "°", 0.1, true, 180},
};
static_assert(std::size(Limits) == static_cast<std::size_t>(Quantity::TableStep) + 1);

std::string WithUnit(double value, const char* unit) {
    std::string text = FormatNumber(value);
    if (*unit == '\0') return text;
    // Degrees stand against the number, other units after a space.
    return text + (std::string(unit) == "°" ? "" : " ") + unit;
}

}  // namespace

const Limit& LimitOf(Quantity quantity) {
    const auto index = static_cast<std::size_t>(quantity);
    if (index >= std::size(Limits)) ThrowInvalidOperation();
    return Limits[index];
}

bool InRange(Quantity quantity, double value) {
    const Limit& l = LimitOf(quantity);
    return std::isfinite(value) && (l.lowIncluded ? value >= l.low : value > l.low) &&
           value < l.high;
}

Text RangeRule(Quantity quantity) {
    const Limit& l = LimitOf(quantity);
    return Text::Message(l.lowIncluded ? text::Closed : text::Open,
                         {WithUnit(l.low, l.unit), WithUnit(l.high, l.unit)});
}

Text RangeProblem(Quantity quantity, double value) {
    if (InRange(quantity, value)) return {};
    if (!std::isfinite(value)) return Text::Message(text::NotFinite);
    return RangeRule(quantity);
}

void RequireInRange(Quantity quantity, double value) {
    const Text problem = RangeProblem(quantity, value);
    if (!problem.empty()) throw CamError(Text::Literal(std::string(LimitOf(quantity).key) + ": ") + problem);
}

}  // namespace platecam::engine
