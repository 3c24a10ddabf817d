#pragma once
// What every fuzz run must keep true, whatever its input.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/dxf.h"
#include "model/cam_design.h"
#include "model/displacement.h"
#include "model/errors.h"
#include "model/pressure.h"
#include "model/profile.h"

namespace platecam::fuzz {

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// The program's own messages; anything else escaping a computation is a fault.
inline bool IsProgramMessage(const std::string& text) {
    static const char* fixed[] = {msg::InvalidOperation, msg::DivisionByZero, msg::Overflow};
    for (const char* m : fixed) {
        if (text == m) return true;
    }
    auto matches = [&text](const char* pattern) {
        const std::string p(pattern);
        const auto hole = p.find('%');
        return text.size() >= p.size() - 2 && text.compare(0, hole, p, 0, hole) == 0 &&
               text.compare(text.size() - (p.size() - hole - 2), std::string::npos, p,
                            hole + 2) == 0;
    };
    return matches(msg::NotFloat) || matches(msg::NotInteger) || matches(msg::AngleOutOfRange) ||
           matches(msg::NotDesignFile) || matches(msg::CannotOpen);
}

inline void CheckFinite(const CamDesign& d) {
    for (int i = 0; i < SampleCount; ++i) {
        if (!std::isfinite(d.Displacement[i]) || !std::isfinite(d.PressureAngle[i]) ||
            !std::isfinite(d.PitchCurve[i].x) || !std::isfinite(d.PitchCurve[i].y) ||
            !std::isfinite(d.CamProfile[i].x) || !std::isfinite(d.CamProfile[i].y)) {
            Fail("a sample array holds NaN or infinity");
        }
    }
    if (!std::isfinite(d.MaxDisplacement) || !std::isfinite(d.MaxPressureAngle) ||
        !std::isfinite(d.MinPressureAngle) || !std::isfinite(d.BaseRadius) ||
        !std::isfinite(d.RollerRadius)) {
        Fail("a design value is NaN or infinity");
    }
}

// Every value after a numeric group code must be a finite decimal with "." as its mark.
inline void CheckDxfNumbers(const DxfLines& lines) {
    for (std::size_t i = DxfHeaderLineCount + 4; i + 1 < lines.size(); i += 2) {
        const std::string_view code = lines[i];
        if (code != " 10" && code != " 20" && code != " 11" && code != " 21" && code != " 40" &&
            code != " 50" && code != " 51") {
            continue;
        }
        const std::string value(lines[i + 1]);
        if (value.find(',') != std::string::npos) Fail("a DXF number uses a comma");
        char* end = nullptr;
        const double parsed = std::strtod(value.c_str(), &end);
        if (end != value.c_str() + value.size() || !std::isfinite(parsed)) {
            Fail("a DXF number does not parse as a finite decimal");
        }
    }
}

// The window's actions in order; each step may end with one of the program's messages.
inline void RunPipeline(CamDesign& d, int law, bool points) {
    auto step = [](auto&& action) {
        try {
            action();
            return true;
        } catch (const CamError& e) {
            if (!IsProgramMessage(e.message())) Fail("an unknown message");
            return false;
        }
    };
    step([&] { ScanMaxDisplacement(d); });
    step([&] { BuildDisplacement(d, law); });
    CheckFinite(d);
    step([&] { ComputePitchCurve(d); });
    step([&] { ComputeCamProfile(d); });
    CheckFinite(d);
    step([&] { ComputePressureAngles(d); });
    CheckFinite(d);
    DxfLines lines;
    if (step([&] { BuildDxf(lines, d, points); })) {
        CheckDxfNumbers(lines);
        const std::string bytes = EncodeDxf(lines);
        if (bytes.size() < lines.size() * 2) Fail("DXF bytes shorter than its line ends");
    }
}

}  // namespace platecam::fuzz
