#include "engine/design_chart.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "engine/cam.h"
#include "engine/checks.h"
#include "engine/limits.h"

namespace platecam::engine {

namespace {

using detail::Geometry;

// Calls work(k) for k = 0 .. count - 1 on the machine's cores; the first exception any
// call throws is thrown here once all have stopped.
template <typename Work>
void ParallelFor(int count, Work&& work) {
    const int threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, std::max(count, 1));
    std::atomic<int> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto worker = [&] {
        try {
            for (int k = next++; k < count; k = next++) work(k);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(failureLock);
            if (!failure) failure = std::current_exception();
            next = count;
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
}

void RequireRoller(const CamInput& cam) {
    if (cam.follower.kind != FollowerKind::Roller) detail::RefuseValue("follower.kind");
}

// The sized radius in hundredths, or none.
constexpr long long None = -1;
long long Hundredths(const Sizing& s) { return s.found ? std::llround(s.baseRadius * 100) : None; }
bool Better(long long a, long long b) { return a != None && (b == None || a < b); }

}  // namespace

OffsetSizing SizeBaseRadiusAndOffset(const CamInput& cam) {
    detail::CheckInputs(cam);
    RequireRoller(cam);
    // Sizings by offset in hundredths of a millimetre, each computed once.
    std::map<long long, Sizing> sized;
    auto size = [&](std::vector<long long> offsets) {
        offsets.erase(std::remove_if(offsets.begin(), offsets.end(),
                                     [&](long long h) { return sized.count(h) > 0; }),
                      offsets.end());
        std::vector<Sizing> found(offsets.size());
        ParallelFor(static_cast<int>(offsets.size()), [&](int k) {
            CamInput at = cam;
            at.follower.offset = static_cast<double>(offsets[static_cast<std::size_t>(k)]) / 100;
            found[static_cast<std::size_t>(k)] = SizeBaseRadius(at);
        });
        for (std::size_t k = 0; k < offsets.size(); ++k) sized[offsets[k]] = std::move(found[k]);
    };
    auto value = [&](long long h) {
        size({h});
        return Hundredths(sized[h]);
    };

    OffsetSizing result;
    result.sizing.passesAsGiven = SizeBaseRadius(cam).passesAsGiven;
    auto choose = [&](long long h) {
        const bool given = result.sizing.passesAsGiven;
        result.sizing = sized[h];
        result.sizing.passesAsGiven = given;
        result.offset = static_cast<double>(h) / 100;
        return result;
    };
    size({0});
    const Sizing& inLine = sized[0];
    result.reach = (inLine.found ? inLine.baseRadius : inLine.searchedUpTo) + cam.follower.rollerRadius;
    const long long reach = static_cast<long long>(std::ceil(result.reach * 100)) - 1;
    if (!(reach >= 0)) return result;

    // Scans that narrow in: the least of the values scanned, from the first to the last
    // point that has it and one point beyond either side, brackets the least of all.
    long long low = -reach, high = reach;
    int intervals = 64;
    for (;;) {
        std::vector<long long> points;
        for (int k = 0; k <= intervals; ++k) {
            const long long h = low + (high - low) * k / intervals;
            if (points.empty() || points.back() != h) points.push_back(h);
        }
        size(points);
        long long best = None;
        for (long long h : points) {
            if (Better(Hundredths(sized[h]), best)) best = Hundredths(sized[h]);
        }
        if (best == None) return result;
        std::size_t first = points.size(), last = 0;
        for (std::size_t k = 0; k < points.size(); ++k) {
            if (Hundredths(sized[points[k]]) != best) continue;
            first = std::min(first, k);
            last = k;
        }
        if (high - low <= intervals) {
            // Every offset of the bracket is sized: the middle of the longest run of those
            // at the least radius.
            std::size_t runStart = first, bestStart = first, bestLength = 0;
            for (std::size_t k = first; k <= last; ++k) {
                if (Hundredths(sized[points[k]]) != best) {
                    runStart = k + 1;
                } else if (k - runStart + 1 > bestLength) {
                    bestStart = runStart;
                    bestLength = k - runStart + 1;
                }
            }
            return choose(points[bestStart + (bestLength - 1) / 2]);
        }
        if (sized[points[first]].isMinimum) {
            // The minimum base radius itself: nothing is smaller, and the offsets that reach
            // it may be many. Their ends, halving towards each from the scan.
            auto edge = [&](long long outside, long long inside) {
                while (std::llabs(inside - outside) > 1) {
                    const long long middle = outside + (inside - outside) / 2;
                    (value(middle) == best ? inside : outside) = middle;
                }
                return value(outside) == best ? outside : inside;
            };
            const long long left = edge(points[first > 0 ? first - 1 : first], points[first]);
            const long long right = edge(points[std::min(last + 1, points.size() - 1)], points[last]);
            return choose(left + (right - left) / 2);
        }
        const long long newLow = points[first > 0 ? first - 1 : 0];
        const long long newHigh = points[std::min(last + 1, points.size() - 1)];
        if (newLow == low && newHigh == high) {
            // The least value all across: look closer between the points.
            intervals *= 2;
        } else {
            low = newLow;
            high = newHigh;
            intervals = 8;
        }
    }
}

// ---- The plane ----

double DesignPlane::Offset(int i) const {
    return columns > 1 ? offsetLow + (offsetHigh - offsetLow) * i / (columns - 1) : offsetLow;
}

double DesignPlane::Radius(int j) const {
    return rows > 1 ? radiusLow + (radiusHigh - radiusLow) * j / (rows - 1) : radiusLow;
}

DesignPlane ChartDesigns(const CamInput& cam, double offsetLow, double offsetHigh, double radiusLow,
                         double radiusHigh, int columns, int rows) {
    detail::CheckInputs(cam);
    RequireRoller(cam);
    DesignPlane plane;
    plane.offsetLow = offsetLow;
    plane.offsetHigh = offsetHigh;
    plane.radiusLow = radiusLow;
    plane.radiusHigh = radiusHigh;
    plane.columns = std::max(columns, 1);
    plane.rows = std::max(rows, 1);
    plane.limitDeg = cam.maxPressureAngle;
    for (double v : {offsetLow, offsetHigh}) RequireInRange(Quantity::Offset, v);
    for (double v : {radiusLow, radiusHigh}) RequireInRange(Quantity::BaseRadius, v);
    plane.nodes.resize(static_cast<std::size_t>(plane.columns * plane.rows));
    // A row at a time: each thread fills the motion on its own grid once and checks its
    // rows' designs against it.
    ParallelFor(plane.rows, [&](int j) {
        const detail::GridMotion& gm = detail::MakeGridMotion(cam);
        CamInput at = cam;
        GridChecks checks;
        for (int i = 0; i < plane.columns; ++i) {
            at.follower.offset = plane.Offset(i);
            DesignPlane::Node& node = plane.nodes[static_cast<std::size_t>(j * plane.columns + i)];
            node.margin = cam.maxPressureAngle - 90;
            const Geometry g = detail::MakeGeometry(at, plane.Radius(j));
            if (g.error || detail::RunChecks(gm, g, at, checks).fault != detail::Fault::None) continue;
            node.exists = true;
            node.pass = checks.AllPass();
            node.pressureDeg = std::max(checks.maxPressure.value, -checks.minPressure.value);
            double margin = cam.maxPressureAngle - node.pressureDeg;
            if (checks.convexPitchRadius.found)
                margin = std::min(margin, checks.convexPitchRadius.value - cam.follower.rollerRadius);
            if (cam.bore && checks.innermostContour.found)
                margin = std::min(margin, checks.boreWall - cam.bore->minWall);
            // The verdicts decide at the nodes; the margins only place the edge between.
            if (node.pass != (margin >= 0)) margin = node.pass ? 0.0 : -1e-9;
            node.margin = margin;
        }
    });
    return plane;
}

// ---- Marching squares ----

namespace {

// The sides of the cells: side 2 n of node n = j * columns + i runs to (i + 1, j), side
// 2 n + 1 to (i, j + 1).
struct Sides {
    const DesignPlane& plane;
    long long Across(int i, int j) const { return 2LL * (j * plane.columns + i); }
    long long Up(int i, int j) const { return 2LL * (j * plane.columns + i) + 1; }
    std::pair<int, int> From(long long side) const {
        const long long n = side / 2;
        return {static_cast<int>(n % plane.columns), static_cast<int>(n / plane.columns)};
    }
    // Where `value` crosses `level` along the side, from its first node: the same point
    // for both cells that share it.
    template <typename Value>
    Point Crossing(long long side, double level, Value value) const {
        const auto [i, j] = From(side);
        const int i1 = side % 2 == 0 ? i + 1 : i, j1 = side % 2 == 0 ? j : j + 1;
        const double a = value(plane.At(i, j)), b = value(plane.At(i1, j1));
        const double t = std::clamp((level - a) / (b - a), 0.0, 1.0);
        const double x0 = plane.Offset(i), x1 = plane.Offset(i1);
        const double y0 = plane.Radius(j), y1 = plane.Radius(j1);
        return {x0 + t * (x1 - x0), y0 + t * (y1 - y0)};
    }
};

}  // namespace

std::vector<PlaneLine> PressureContours(const DesignPlane& plane, double levelDeg) {
    const Sides sides{plane};
    auto pressure = [](const DesignPlane::Node& n) { return n.pressureDeg; };
    // The pieces, each joining two sides; every side has at most two.
    std::vector<std::pair<long long, long long>> pieces;
    std::unordered_map<long long, std::vector<std::size_t>> bySide;
    for (int j = 0; j + 1 < plane.rows; ++j) {
        for (int i = 0; i + 1 < plane.columns; ++i) {
            // Corners counter-clockwise from (i, j); side k runs from corner k to k + 1.
            const DesignPlane::Node* c[4] = {&plane.At(i, j), &plane.At(i + 1, j), &plane.At(i + 1, j + 1),
                                             &plane.At(i, j + 1)};
            if (!(c[0]->exists && c[1]->exists && c[2]->exists && c[3]->exists)) continue;
            const long long side[4] = {sides.Across(i, j), sides.Up(i + 1, j), sides.Across(i, j + 1),
                                       sides.Up(i, j)};
            bool above[4];
            for (int k = 0; k < 4; ++k) above[k] = c[k]->pressureDeg >= levelDeg;
            std::vector<int> crossed;
            for (int k = 0; k < 4; ++k) {
                if (above[k] != above[(k + 1) % 4]) crossed.push_back(k);
            }
            auto add = [&](int a, int b) {
                pieces.push_back({side[a], side[b]});
                bySide[side[a]].push_back(pieces.size() - 1);
                bySide[side[b]].push_back(pieces.size() - 1);
            };
            if (crossed.size() == 2) {
                add(crossed[0], crossed[1]);
            } else if (crossed.size() == 4) {
                // A saddle: the centre's mean decides which pair of corners it joins; the
                // lines then cut off the other two, each by its two sides.
                double centre = 0;
                for (const auto* n : c) centre += n->pressureDeg / 4;
                const bool cutEven = (centre >= levelDeg) != above[0];
                if (cutEven) {
                    add(3, 0);  // corner 0
                    add(1, 2);  // corner 2
                } else {
                    add(0, 1);  // corner 1
                    add(2, 3);  // corner 3
                }
            }
        }
    }
    // Join the pieces through their shared sides: from a loose end first, then the loops.
    std::vector<bool> used(pieces.size(), false);
    auto other = [&](std::size_t piece, long long side) {
        return pieces[piece].first == side ? pieces[piece].second : pieces[piece].first;
    };
    auto walk = [&](std::size_t piece, long long from) {
        PlaneLine line{sides.Crossing(from, levelDeg, pressure)};
        long long at = from;
        for (;;) {
            used[piece] = true;
            at = other(piece, at);
            line.push_back(sides.Crossing(at, levelDeg, pressure));
            std::size_t next = pieces.size();
            for (std::size_t p : bySide[at]) {
                if (!used[p]) next = p;
            }
            if (next == pieces.size()) return line;
            piece = next;
        }
    };
    std::vector<PlaneLine> lines;
    for (std::size_t p = 0; p < pieces.size(); ++p) {
        if (used[p]) continue;
        for (long long end : {pieces[p].first, pieces[p].second}) {
            if (bySide[end].size() == 1) {
                lines.push_back(walk(p, end));
                break;
            }
        }
    }
    for (std::size_t p = 0; p < pieces.size(); ++p) {
        if (!used[p]) lines.push_back(walk(p, pieces[p].first));
    }
    return lines;
}

std::vector<PlaneLine> PassRegion(const DesignPlane& plane) {
    const Sides sides{plane};
    auto margin = [](const DesignPlane::Node& n) { return n.margin; };
    std::vector<PlaneLine> region;
    for (int j = 0; j + 1 < plane.rows; ++j) {
        int whole = -1;  // the first of a run of whole cells
        auto closeRun = [&](int end) {
            if (whole < 0) return;
            const double x0 = plane.Offset(whole), x1 = plane.Offset(end);
            const double y0 = plane.Radius(j), y1 = plane.Radius(j + 1);
            region.push_back({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
            whole = -1;
        };
        for (int i = 0; i + 1 < plane.columns; ++i) {
            const int ci[4] = {i, i + 1, i + 1, i}, cj[4] = {j, j, j + 1, j + 1};
            const long long side[4] = {sides.Across(i, j), sides.Up(i + 1, j), sides.Across(i, j + 1),
                                       sides.Up(i, j)};
            bool inside[4];
            int count = 0;
            for (int k = 0; k < 4; ++k) {
                inside[k] = plane.At(ci[k], cj[k]).margin >= 0;
                count += inside[k] ? 1 : 0;
            }
            if (count == 4) {
                if (whole < 0) whole = i;
                continue;
            }
            closeRun(i);
            if (count == 0) continue;
            PlaneLine piece;
            for (int k = 0; k < 4; ++k) {
                if (inside[k]) piece.push_back({plane.Offset(ci[k]), plane.Radius(cj[k])});
                if (inside[k] != inside[(k + 1) % 4]) piece.push_back(sides.Crossing(side[k], 0.0, margin));
            }
            region.push_back(std::move(piece));
        }
        closeRun(plane.columns - 1);
    }
    return region;
}

}  // namespace platecam::engine
