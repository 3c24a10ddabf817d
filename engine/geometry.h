#pragma once
// The pieces the engine's parts share (not for its clients): the plane's vectors, the
// 0.05-degree grid of the checks with its turns, the motion evaluated on it once, and the
// faults a point of the grid may have.

#include <limits>
#include <utility>
#include <vector>

#include "engine/cam_types.h"
#include "engine/sine_cosine.h"

namespace platecam::engine::detail {

inline constexpr double Pi = 3.141592653589793;
inline constexpr double DegreesToRadians = Pi / 180;
inline constexpr double RadiansToDegrees = 180 / Pi;
inline constexpr int GridPerDegree = 20;
inline constexpr int GridCount = 360 * GridPerDegree;
inline constexpr double Infinity = std::numeric_limits<double>::infinity();

struct Vec {
    double x = 0, y = 0;
};
inline Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
inline Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
inline Vec operator*(double k, Vec a) { return {k * a.x, k * a.y}; }
inline double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
inline double Cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
// J, the quarter turn counter-clockwise.
inline Vec Quarter(Vec v) { return {-v.y, v.x}; }

inline double GridDegrees(int k) { return static_cast<double>(k % GridCount) / GridPerDegree; }

// sin and cos of the grid angles k * 0.05 degrees, exact at the quarter turns.
const std::vector<SinCos>& GridTurns();

// A point of the follower's frame at cam angle theta, in the cam's frame: turned by
// -theta. Adding 0 keeps -0 out of the tables.
inline Point ToCam(Vec p, SinCos turn) {
    return {p.x * turn.c + p.y * turn.s + 0.0, p.y * turn.c - p.x * turn.s + 0.0};
}

// Refuses a value the engine cannot compute with, naming its key.
[[noreturn]] void RefuseValue(const char* key);

// What may be wrong at a point of the grid: the follower reaches the cam centre, its path
// has no direction, a figure is not finite.
enum class Fault { None, AtCentre, NoDirection, NotFinite };

struct GridFault {
    Fault fault = Fault::None;
    int k = 0;
};

// GeometryError naming the angle (CamError overflow for a figure not finite).
[[noreturn]] void ThrowFault(Fault fault, double deg);

// The motion on the grid, evaluated once for the checks, the samples and every radius
// the sizing tries: `at[k]` at k * 0.05 degrees (the later side at a join), `ends[g]` at
// the end of segment g from its own side; for a swinging arm the sine and cosine of its
// turn there.
struct GridMotion {
    std::vector<Kinematics> at, ends;
    std::vector<SinCos> turnAt, turnEnds;
    std::vector<std::pair<int, int>> spans;  // each segment's grid points k0..k1
};

// The turn of a swinging arm whose lift (degrees) is m.s.
inline SinCos ArmTurn(const Kinematics& m) { return SineCosine(m.s * DegreesToRadians); }

// The grid of the calling thread, filled for the cam's motion: its quarter megabyte is
// allocated once, not at every call. Valid until the next call on the thread: no caller
// holds it across another.
GridMotion& MakeGridMotion(const CamInput& cam);

}  // namespace platecam::engine::detail
