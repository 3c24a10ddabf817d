// The G-code of a cam's outside.
//
// Words written, and no others, so that LinuxCNC and Fanuc-style controls read every line
// alike: G00 G01 G02 G03 G17 G21 G40 G90 G94, M03 M05 M30, S F X Y Z I J, and comments in
// parentheses. I and J are the centre relative to the move's start (LinuxCNC's default
// G91.1, Fanuc's only mode), so no G90.1. Each motion line names its G code again.
#include "files/gcode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string_view>

#include "base/errors.h"
#include "base/utf8.h"

namespace platecam {

namespace {

// Message ids (English; the Japanese texts are in po/ja.po).
namespace text {
inline constexpr const char* OutOfRange = "%1 must be a number from %2 to %3";
inline constexpr const char* ToolRadius = "the tool radius";
inline constexpr const char* Feed = "the feed";
inline constexpr const char* PlungeFeed = "the plunge feed";
inline constexpr const char* Spindle = "the spindle speed";
inline constexpr const char* Depth = "the cutting depth";
inline constexpr const char* SafeZ = "the safe height";
inline constexpr const char* LeadIn = "the lead-in radius";
inline constexpr const char* Tolerance = "the arc tolerance";
inline constexpr const char* MaxDeviation = "the largest deviation";
inline constexpr const char* EmptyPath = "the tool path is empty";
inline constexpr const char* OpenPath =
    "the tool path is not closed: piece %1 does not start where the one before it ends";
inline constexpr const char* BadPiece = "piece %1 of the tool path is no consistent line or arc";
inline constexpr const char* NoArea = "the tool path encloses no area";
inline constexpr const char* TooFar = "the program would need a coordinate beyond %1 mm";
inline constexpr const char* NoRoomForLead =
    "a lead arc of radius %1 mm finds no room outside the tool path at its start";
}  // namespace text

using arcs::Piece;
using arcs::Point;

constexpr double Pi = std::numbers::pi;
// The written resolution: 4 decimals of a millimetre.
constexpr double UnitsPerMm = 10000;
// 8 digits, the most a Fanuc word takes: 9999.9999.
constexpr double MaxUnits = 99999999;
constexpr const char* MaxText = "9999.9999";
// A straight move within half the resolution of an arc draws that arc.
constexpr double HalfUnit = 0.5 / UnitsPerMm;
// Neighbouring pieces of a fitted path share their end points to rounding.
constexpr double JoinTolerance = 1e-6;

Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
Point operator*(double k, Point a) { return {k * a.x, k * a.y}; }
double Dot(Point a, Point b) { return a.x * b.x + a.y * b.y; }
double Cross(Point a, Point b) { return a.x * b.y - a.y * b.x; }
double Length(Point a) { return std::hypot(a.x, a.y); }
double Distance(Point a, Point b) { return Length(a - b); }
// Turned counter-clockwise by `angle` radians.
Point Rotated(Point a, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {c * a.x - s * a.y, s * a.x + c * a.y};
}
Point Left(Point a) { return {-a.y, a.x}; }
bool Finite(Point a) { return std::isfinite(a.x) && std::isfinite(a.y); }

// The largest distance between an arc of `radius` turning through `sweep` and its chord.
double Sagitta(double radius, double sweep) {
    const double s = std::sin(sweep / 4);
    return 2 * radius * s * s;
}

// ---- The values ----------------------------------------------------------------------

void RequireRange(const char* name, double value, double low, double high, const char* lowText,
                  const char* highText) {
    if (std::isfinite(value) && value >= low && value < high) return;
    throw CamError(Text::Message(
        text::OutOfRange,
        std::vector<Text>{Text::Message(name), Text::Literal(lowText), Text::Literal(highText)}));
}

// A length or feed with 4 decimals: from 0.0001 to 9999.9999 once rounded.
void RequireWritable(const char* name, double value) {
    RequireRange(name, value, HalfUnit, (MaxUnits + 0.5) / UnitsPerMm, "0.0001", MaxText);
}

void CheckSetup(const MachiningSetup& s, const GcodeHeader& h) {
    RequireWritable(text::ToolRadius, s.toolRadius);
    RequireWritable(text::Feed, s.feed);
    RequireWritable(text::PlungeFeed, s.plungeFeed);
    // Whole revolutions per minute, 5 digits.
    RequireRange(text::Spindle, s.spindle, 0.5, 99999.5, "1", "99999");
    RequireWritable(text::Depth, s.depth);
    RequireWritable(text::SafeZ, s.safeZ);
    RequireWritable(text::LeadIn, s.leadIn);
    RequireWritable(text::Tolerance, h.tolerance);
    RequireRange(text::MaxDeviation, h.maxDeviation, 0, (MaxUnits + 0.5) / UnitsPerMm, "0",
                 MaxText);
}

[[noreturn]] void ThrowTooFar() { throw CamError(Text::Message(text::TooFar, {MaxText})); }

long long Units(double mm) {
    const double units = std::round(mm * UnitsPerMm);
    if (!(std::abs(units) <= MaxUnits)) ThrowTooFar();
    return static_cast<long long>(units);
}

// Fixed point, 4 decimals, never "-0.0000".
std::string UnitsText(long long units) {
    const unsigned long long size = units < 0 ? -units : units;
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, "%s%llu.%04llu", units < 0 ? "-" : "",
                                size / 10000, size % 10000);
    return std::string(buffer, static_cast<std::size_t>(n));
}

std::string Number(double mm) { return UnitsText(Units(mm)); }

// ---- The path ------------------------------------------------------------------------

bool Consistent(const Piece& p) {
    if (!Finite(p.from) || !Finite(p.to)) return false;
    if (p.line) return true;
    if (!Finite(p.centre) || !std::isfinite(p.radius) || !(p.radius > 0) ||
        !std::isfinite(p.sweep) || std::abs(p.sweep) > 2 * Pi + 1e-9) {
        return false;
    }
    const double tolerance = JoinTolerance + 1e-9 * p.radius;
    return std::abs(Distance(p.from, p.centre) - p.radius) <= tolerance &&
           Distance(p.centre + Rotated(p.from - p.centre, p.sweep), p.to) <= tolerance;
}

// Every coordinate a program of this path writes lies within the 8 digits.
void RequireNear(Point a) {
    const double limit = (MaxUnits + 0.5) / UnitsPerMm;
    if (!(std::abs(a.x) < limit && std::abs(a.y) < limit)) ThrowTooFar();
}

// The path checked and cleaned: pieces too short to move the tool dropped, arcs that do
// not leave their chord by a thousandth of the resolution made lines (an arc of nearly
// infinite radius would only lose digits in the geometry below).
std::vector<Piece> CheckedPath(const std::vector<Piece>& path) {
    if (path.empty()) throw CamError(Text::Message(text::EmptyPath));
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (!Consistent(path[i])) {
            throw CamError(Text::Message(text::BadPiece, {std::to_string(i + 1)}));
        }
        RequireNear(path[i].from);
        RequireNear(path[i].to);
    }
    for (std::size_t i = 0; i < path.size(); ++i) {
        const Piece& before = path[(i + path.size() - 1) % path.size()];
        if (Distance(before.to, path[i].from) > JoinTolerance) {
            throw CamError(Text::Message(text::OpenPath, {std::to_string(i + 1)}));
        }
    }
    std::vector<Piece> kept;
    for (Piece p : path) {
        if (!p.line && Sagitta(p.radius, p.sweep) <= 1e-3 * HalfUnit) {
            if (std::abs(p.sweep) > Pi) continue;  // a whole circle of no size
            p.line = true;
        }
        const double length = p.line ? Distance(p.from, p.to) : p.radius * std::abs(p.sweep);
        if (length > 1e-9) kept.push_back(p);
    }
    return kept;
}

// The area the closed path encloses, positive when it runs counter-clockwise.
double SignedArea(const std::vector<Piece>& path) {
    double area = 0;
    for (const Piece& p : path) {
        area += Cross(p.from, p.to) / 2;
        if (p.line) continue;
        // The segment between the chord and the arc; sweep - sin(sweep) by its series
        // where the difference would lose its digits.
        const double s = p.sweep;
        const double segment =
            std::abs(s) < 1e-3 ? s * s * s / 6 - s * s * s * s * s / 120 : s - std::sin(s);
        area += p.radius * p.radius * segment / 2;
    }
    return area;
}

Piece Reversed(Piece p) {
    std::swap(p.from, p.to);
    p.sweep = -p.sweep;
    return p;
}

// The unit direction of travel at the start (or end) of a piece.
Point Tangent(const Piece& p, bool atEnd) {
    if (p.line) return (1 / Distance(p.from, p.to)) * (p.to - p.from);
    const Point radial = (1 / p.radius) * ((atEnd ? p.to : p.from) - p.centre);
    return p.sweep > 0 ? Left(radial) : -1.0 * Left(radial);
}

// Whether the direction `d` from an arc's centre lies within the arc.
bool WithinSweep(const Piece& arc, Point d) {
    if (std::abs(arc.sweep) >= 2 * Pi) return true;
    const Point r = arc.from - arc.centre;
    double delta = std::atan2(Cross(r, d), Dot(r, d));  // (-pi, pi] from the start
    if (arc.sweep > 0 && delta < 0) delta += 2 * Pi;
    if (arc.sweep < 0 && delta > 0) delta -= 2 * Pi;
    return std::abs(delta) <= std::abs(arc.sweep) + 1e-12;
}

double DistanceToPiece(Point q, const Piece& p) {
    if (p.line) {
        const Point d = p.to - p.from;
        const double t = std::clamp(Dot(q - p.from, d) / Dot(d, d), 0.0, 1.0);
        return Distance(q, p.from + t * d);
    }
    const Point d = q - p.centre;
    if (Length(d) > 0 && WithinSweep(p, d)) return std::abs(Length(d) - p.radius);
    return std::min(Distance(q, p.from), Distance(q, p.to));
}

double DistanceToPath(Point q, const std::vector<Piece>& path) {
    double nearest = INFINITY;
    for (const Piece& p : path) nearest = std::min(nearest, DistanceToPiece(q, p));
    return nearest;
}

// How often the path winds round q, for a q at least `clearance` from it: each arc
// replaced by chords that stay within half the clearance of it, which cannot carry the
// path across q.
long WindingNumber(Point q, const std::vector<Piece>& path, double clearance) {
    double turn = 0;
    auto add = [&](Point a, Point b) {
        turn += std::atan2(Cross(a - q, b - q), Dot(a - q, b - q));
    };
    for (const Piece& p : path) {
        if (p.line) {
            add(p.from, p.to);
            continue;
        }
        const double step =
            std::min(Pi / 4, 4 * std::asin(std::min(1.0, std::sqrt(clearance / 4 / p.radius))));
        const long n = std::max(1L, std::lround(std::ceil(std::abs(p.sweep) / step)));
        Point a = p.from;
        for (long k = 1; k <= n; ++k) {
            const Point b = k == n ? p.to : p.centre + Rotated(p.from - p.centre, p.sweep * k / n);
            add(a, b);
            a = b;
        }
    }
    return std::lround(turn / (2 * Pi));
}

// Where the circle about c of radius r meets the piece.
std::vector<Point> CircleMeets(Point c, double r, const Piece& p) {
    std::vector<Point> found;
    if (p.line) {
        const Point d = p.to - p.from, f = p.from - c;
        const double a = Dot(d, d), b = 2 * Dot(f, d), e = Dot(f, f) - r * r;
        const double disc = b * b - 4 * a * e;
        if (disc < 0) return found;
        for (double sign : {-1.0, 1.0}) {
            const double t = (-b + sign * std::sqrt(disc)) / (2 * a);
            if (t >= -1e-12 && t <= 1 + 1e-12) found.push_back(p.from + t * d);
        }
        return found;
    }
    const Point between = p.centre - c;
    const double d = Length(between);
    if (d == 0 || d > r + p.radius || d < std::abs(r - p.radius)) return found;
    const double along = (r * r - p.radius * p.radius + d * d) / (2 * d);
    const double across = std::sqrt(std::max(0.0, r * r - along * along));
    const Point u = (1 / d) * between;
    for (double sign : {-1.0, 1.0}) {
        const Point x = c + along * u + sign * across * Left(u);
        if (WithinSweep(p, x - p.centre)) found.push_back(x);
    }
    return found;
}

// The lead arc of radius r meeting the path at its start point `at` with the direction of
// travel `tangent` there: its centre on the side `side` (+1 left, -1 right: outside the
// path), turning through `angle`; ending at `at` (the lead-in) or starting there.
Piece LeadArc(Point at, Point tangent, double side, double r, double angle, bool in) {
    Piece arc;
    arc.centre = at + (side * r) * Left(tangent);
    arc.radius = r;
    arc.sweep = side * angle;
    if (in) {
        arc.from = arc.centre + Rotated(at - arc.centre, -arc.sweep);
        arc.to = at;
    } else {
        arc.from = at;
        arc.to = arc.centre + Rotated(at - arc.centre, arc.sweep);
    }
    return arc;
}

// Whether the lead arc stays outside the path: it crosses no piece (but where it meets the
// path, at `at`), and its far end is outside, at least its radius from the path.
bool LeadFits(const Piece& lead, Point at, bool in, const std::vector<Piece>& path) {
    const Point far = in ? lead.from : lead.to;
    const double r = lead.radius;
    if (DistanceToPath(far, path) < r * (1 - 1e-9) - 1e-9) return false;
    if (WindingNumber(far, path, r / 2) != 0) return false;
    const Point tangent = Tangent(lead, in);
    for (std::size_t i = 0; i < path.size(); ++i) {
        const Piece& p = path[i];
        const bool first = i == 0, last = i + 1 == path.size();
        // A piece that leaves or reaches `at` along the lead arc touches it there only.
        if ((first && std::abs(Cross(Tangent(p, false), tangent)) < 1e-6) ||
            (last && std::abs(Cross(Tangent(p, true), tangent)) < 1e-6)) {
            continue;
        }
        const double nearAt = 1e-4 + 1e-8 * std::max(r, p.line ? 0.0 : p.radius);
        for (Point x : CircleMeets(lead.centre, r, p)) {
            if (Distance(x, at) > nearAt && WithinSweep(lead, x - lead.centre)) return false;
        }
    }
    return true;
}

// A quarter turn where it fits, else the first of longer turns up to a half that does: at
// a concave start the far end of a quarter turn lies nearer the path than its radius.
Piece ChooseLead(const std::vector<Piece>& path, Point at, Point tangent, double side, double r,
                 bool in) {
    for (int degrees = 90; degrees <= 180; degrees += 15) {
        const Piece lead = LeadArc(at, tangent, side, r, degrees * Pi / 180, in);
        if (LeadFits(lead, at, in, path)) return lead;
    }
    throw CamError(Text::Message(text::NoRoomForLead, {Number(r)}));
}

// ---- The text --------------------------------------------------------------------------

// Printable ASCII a control takes in a comment: letters (in capitals, as older controls
// want them), digits, space and a few marks; anything else, parentheses among them, '?'.
std::string CommentText(std::string_view utf8, std::size_t maxLength) {
    std::string out;
    for (std::size_t at = 0; at < utf8.size() && out.size() < maxLength;) {
        const Utf8Char c = DecodeUtf8(utf8, at);
        at += std::max<std::size_t>(c.length, 1);
        const char32_t code = c.length == 0 ? U'?' : c.code;
        if ((code >= U'A' && code <= U'Z') || (code >= U'0' && code <= U'9') ||
            std::u32string_view(U" .,-_+/=").find(code) != std::u32string_view::npos) {
            out += static_cast<char>(code);
        } else if (code >= U'a' && code <= U'z') {
            out += static_cast<char>(code - U'a' + U'A');
        } else {
            out += '?';
        }
    }
    return out;
}

class Program {
public:
    void Line(const std::string& line) {
        text_ += line;
        text_ += '\n';
    }

    void RapidTo(Point p) {
        at_ = Rounded(p);
        Line("G00 X" + UnitsText(at_.x) + " Y" + UnitsText(at_.y));
    }

    // The F word goes with the next cutting move in the plane.
    void SetFeed(double feed) { feed_ = " F" + Number(feed); }

    void LineTo(Point p) {
        const Position to = Rounded(p);
        if (to.x == at_.x && to.y == at_.y) return;  // nothing to move at this resolution
        Move("G01", to, "");
    }

    void ArcTo(const Piece& arc) {
        // More than half a turn is two halves: a whole circle, whose ends are one point,
        // is read differently by different controls, and so may be one whose rounded ends
        // come near each other.
        const int halves = std::abs(arc.sweep) > Pi + 1e-9 ? 2 : 1;
        Point from = arc.from;
        for (int k = 1; k <= halves; ++k) {
            const Point to =
                k == halves ? arc.to
                            : arc.centre + Rotated(arc.from - arc.centre, arc.sweep * k / halves);
            SpanTo(arc.centre, arc.radius, arc.sweep / halves, from, to);
            from = to;
        }
    }

    std::string Finish() && { return std::move(text_); }

private:
    struct Position {
        long long x = 0, y = 0;
    };

    static Position Rounded(Point p) { return {Units(p.x), Units(p.y)}; }

    void Move(const char* g, Position to, const std::string& words) {
        Line(std::string(g) + " X" + UnitsText(to.x) + " Y" + UnitsText(to.y) + words + feed_);
        feed_.clear();
        at_ = to;
    }

    // An arc of at most half a turn from `from` (which the tool is at, rounded) to `to`.
    void SpanTo(Point centre, double radius, double sweep, Point from, Point to) {
        if (Sagitta(radius, sweep) <= HalfUnit) {
            LineTo(to);
            return;
        }
        const Position end = Rounded(to);
        if (end.x == at_.x && end.y == at_.y) return;
        // The centre from the rounded start, so that it is as exact as 4 decimals allow.
        const double i = std::round((centre.x - at_.x / UnitsPerMm) * UnitsPerMm);
        const double j = std::round((centre.y - at_.y / UnitsPerMm) * UnitsPerMm);
        if (!(std::abs(i) <= MaxUnits && std::abs(j) <= MaxUnits)) {
            // A centre out of reach of the digits: chords, each within half the resolution.
            const double step = 4 * std::asin(std::sqrt(HalfUnit / (2 * radius)));
            const long n = std::max(1L, std::lround(std::ceil(std::abs(sweep) / step)));
            for (long k = 1; k <= n; ++k) {
                LineTo(k == n ? to : centre + Rotated(from - centre, sweep * k / n));
            }
            return;
        }
        Move(sweep < 0 ? "G02" : "G03", end,
             " I" + UnitsText(static_cast<long long>(i)) + " J" +
                 UnitsText(static_cast<long long>(j)));
    }

    std::string text_;
    Position at_;
    std::string feed_;
};

}  // namespace

std::string GcodeProgram(const std::vector<arcs::Piece>& given, const MachiningSetup& setup,
                         const GcodeHeader& header) {
    CheckSetup(setup, header);
    std::vector<Piece> path = CheckedPath(given);
    const double area = SignedArea(path);
    if (path.empty() || !(std::abs(area) > 1e-8)) throw CamError(Text::Message(text::NoArea));

    // Climb milling runs clockwise round the outside; whichever way the pieces run.
    if ((area < 0) != setup.climb) {
        std::reverse(path.begin(), path.end());
        for (Piece& p : path) p = Reversed(p);
    }
    // Outside a clockwise path is on the left of its travel.
    const double side = setup.climb ? 1 : -1;
    const Point start = path.front().from;
    const Piece leadIn =
        ChooseLead(path, start, Tangent(path.front(), false), side, setup.leadIn, true);
    const Piece leadOut =
        ChooseLead(path, start, Tangent(path.back(), true), side, setup.leadIn, false);

    Program program;
    program.Line("(PLATECAM - THE OUTSIDE OF A PLATE CAM)");
    program.Line("(DESIGN " + CommentText(header.designName, 200) + ")");
    program.Line("(TOOL RADIUS " + Number(setup.toolRadius) + " MM - THE PATH OF ITS CENTRE)");
    program.Line("(ARC TOLERANCE " + Number(header.tolerance) + " MM, LARGEST DEVIATION " +
                 Number(header.maxDeviation) + " MM)");
    program.Line(setup.climb ? "(CLIMB MILLING, CLOCKWISE)"
                             : "(CONVENTIONAL MILLING, COUNTER-CLOCKWISE)");
    program.Line("(Z 0 AT THE TOP OF THE PLATE, DEPTH " + Number(setup.depth) + " MM)");
    program.Line("G21 G90 G17 G40 G94");
    program.Line("S" + std::to_string(std::lround(setup.spindle)) + " M03");
    const std::string safe = "G00 Z" + Number(setup.safeZ);
    program.Line(safe);
    program.RapidTo(leadIn.from);
    program.Line("G01 Z" + Number(-setup.depth) + " F" + Number(setup.plungeFeed));
    program.SetFeed(setup.feed);
    program.ArcTo(leadIn);
    for (const Piece& p : path) {
        if (p.line) {
            program.LineTo(p.to);
        } else {
            program.ArcTo(p);
        }
    }
    program.ArcTo(leadOut);
    program.Line(safe);
    program.Line("M05");
    program.Line("M30");
    return std::move(program).Finish();
}

}  // namespace platecam
