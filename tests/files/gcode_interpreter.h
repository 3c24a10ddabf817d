#pragma once
// A control, small and strict, for the tests of milling programs: it runs a program as a
// machine would (G00/G01/G02/G03 with I, J relative to each move's start, the modal words,
// the spindle) and refuses every word the programs are not meant to use.

#include <algorithm>
#include <cmath>
#include <complex>
#include <map>
#include <numbers>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace platecam::testing {

using P = std::complex<double>;  // the plane, as the tests measure it
inline constexpr double GcodePi = std::numbers::pi;

// What rounding to 4 decimals allows: an arc's centre and both its ends each within
// 0.00007 mm of where they belong, so a point of the arc within 3 x 0.00007.
inline constexpr double Rounding = 0.00022;

// ---- A control, small and strict: what the machine would do with the program ----------

struct Move {
    int g = 0;
    std::optional<P> from;  // unknown before the first move in the plane
    P to, centre;
    double zFrom = NAN, zTo = NAN, feed = 0;
    bool spindle = false;
};

struct Outcome {
    std::vector<std::string> lines;
    std::vector<Move> moves;
    bool spindle = false, ended = false;
    std::vector<std::string> faults;
};

inline Outcome Interpret(const std::string& program) {
    Outcome run;
    auto fault = [&](std::size_t n, const std::string& what) {
        run.faults.push_back("line " + std::to_string(n + 1) + ": " + what);
    };
    if (program.empty() || program.back() != '\n') fault(0, "no LF at the end");
    std::stringstream in(program);
    for (std::string line; std::getline(in, line);) run.lines.push_back(line);

    // A comment holds printable ASCII but parentheses; words are the few the writer uses.
    const std::regex comment("\\([ -'*-~]*\\)");
    const std::regex word("[GM][0-9]{2}|S[1-9][0-9]*|[XYZIJF]-?[0-9]+\\.[0-9]{4}");
    std::set<int> modes;
    std::optional<double> x, y, z;
    bool speed = false;
    int motion = -1;
    double feed = 0;
    for (std::size_t n = 0; n < run.lines.size(); ++n) {
        if (run.lines[n].size() > 256 || run.ended) fault(n, "too long, or after M30");
        std::istringstream tokens(std::regex_replace(run.lines[n], comment, " "));
        std::map<char, double> w;
        std::vector<int> ms;
        for (std::string t; tokens >> t;) {
            const bool ok = std::regex_match(t, word) && !t.ends_with("-0.0000");
            const int code = ok ? std::stoi(t.substr(1)) : -1;
            if (ok && t[0] == 'G' && code <= 3) {
                motion = code;
            } else if (ok && t[0] == 'G' && std::set{17, 21, 40, 90, 94}.count(code)) {
                modes.insert(code);
            } else if (ok && t[0] == 'M' && (code == 3 || code == 5 || code == 30)) {
                ms.push_back(code);
            } else if (ok && t[0] != 'G' && t[0] != 'M' && !w.count(t[0])) {
                w[t[0]] = std::stod(t.substr(1));
            } else {
                fault(n, "word " + t);
            }
        }
        if (w.count('F')) feed = w['F'];
        speed = speed || w.count('S');
        for (int m : ms) {
            if (m == 3 && !speed) fault(n, "M03 without S");
            run.spindle = m == 3;
            run.ended = run.ended || m == 30;
        }
        if (!w.count('X') && !w.count('Y') && !w.count('Z')) continue;
        if (modes != std::set<int>{17, 21, 40, 90, 94}) fault(n, "moves before the modes are set");
        if (motion < 0 || (motion >= 1 && (!x || !y || !z || feed <= 0))) {
            fault(n, "cuts from nowhere");
        }
        Move m;
        m.g = motion;
        if (x && y) m.from = P{*x, *y};
        m.zFrom = z.value_or(NAN);
        for (auto [letter, axis] : {std::pair{'X', &x}, {'Y', &y}, {'Z', &z}}) {
            if (w.count(letter)) *axis = w[letter];
        }
        if (!x != !y) fault(n, "half a point");
        m.to = {x.value_or(NAN), y.value_or(NAN)};
        m.zTo = z.value_or(NAN);
        m.feed = feed;
        m.spindle = run.spindle;
        if (motion >= 2) {
            if (!w.count('I') || !w.count('J') || m.zFrom != m.zTo) fault(n, "arc");
            m.centre = *m.from + P{w['I'], w['J']};
            // LinuxCNC's own limit is over 0.001 mm; rounding needs far less.
            if (std::abs(std::abs(*m.from - m.centre) - std::abs(m.to - m.centre)) > 0.0005) {
                fault(n, "radius to the end differs");
            }
        }
        run.moves.push_back(m);
    }
    return run;
}

// How far an arc move turns, counter-clockwise positive; a whole turn where it ends at its start.
inline double Turn(const Move& m) {
    double d = std::fmod(std::arg(m.to - m.centre) - std::arg(*m.from - m.centre), 2 * GcodePi);
    if (m.g == 2 && d >= 0) d -= 2 * GcodePi;
    if (m.g == 3 && d <= 0) d += 2 * GcodePi;
    return d;
}

// Points of a move in the plane, as a control interpolates it: an arc whose ends lie at
// different radii turns from the one radius to the other.
inline std::vector<P> Samples(const Move& m) {
    const double turn = m.g < 2 ? 0 : Turn(m);
    const int n = m.g < 2 ? 2 + static_cast<int>(std::abs(m.to - *m.from) / 0.2)
                          : 8 + static_cast<int>(std::abs(turn) / (0.5 * GcodePi / 180));
    std::vector<P> points;
    for (int k = 0; k <= n; ++k) {
        const double t = static_cast<double>(k) / n;
        if (m.g < 2) {
            points.push_back(*m.from + t * (m.to - *m.from));
        } else {
            const double r = std::abs(*m.from - m.centre) * (1 - t) + std::abs(m.to - m.centre) * t;
            points.push_back(m.centre + std::polar(r, std::arg(*m.from - m.centre) + t * turn));
        }
    }
    return points;
}

// The unit direction of travel at the start or end of a move.
inline P Direction(const Move& m, bool atEnd) {
    if (m.g < 2) return (m.to - *m.from) / std::abs(m.to - *m.from);
    const P radial = (atEnd ? m.to : *m.from) - m.centre;
    return (m.g == 3 ? P{0, 1} : P{0, -1}) * radial / std::abs(radial);
}

}  // namespace platecam::testing
