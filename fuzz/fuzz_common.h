#pragma once
// What every fuzz run must keep true, whatever its input.

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "files/dxf.h"
#include "batch/window_figures.h"
#include "model/cam_design.h"
#include "model/displacement.h"
#include "files/save_file.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "model/pressure.h"
#include "model/profile.h"

namespace platecam::fuzz {

// The harness's own sweeps over 1801 samples are not what the fuzzer should steer by, and
// their comparison tracing would cost most of each run.
#define PLATECAM_HARNESS __attribute__((no_sanitize("coverage")))

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// The program's own messages; anything else escaping a computation is a fault.
inline bool IsProgramMessage(const std::string& text) {
    static const char* fixed[] = {msg::InvalidOperation, msg::DivisionByZero, msg::Overflow,
                                  msg::WriteError, msg::ReadError};
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
           matches(msg::NotDesignFile) || matches(msg::CannotOpen) || matches(msg::CannotCreate) ||
           matches(msg::ReadOnlyFile) || matches(msg::BlockDevice) || matches(msg::DanglingLink);
}

PLATECAM_HARNESS inline bool AllFinite(const double* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (!std::isfinite(values[i])) return false;
    }
    return true;
}

PLATECAM_HARNESS inline void CheckFinite(const CamDesign& d) {
    static_assert(sizeof(Point2) == 2 * sizeof(double));
    if (!AllFinite(d.Displacement.data(), SampleCount) ||
        !AllFinite(d.PressureAngle.data(), SampleCount) ||
        !AllFinite(&d.PitchCurve[0].x, 2 * SampleCount) ||
        !AllFinite(&d.CamProfile[0].x, 2 * SampleCount)) {
        Fail("a sample array holds NaN or infinity");
    }
    if (!std::isfinite(d.MaxDisplacement) || !std::isfinite(d.MaxPressureAngle) ||
        !std::isfinite(d.MinPressureAngle) || !std::isfinite(d.BaseRadius) ||
        !std::isfinite(d.RollerRadius)) {
        Fail("a design value is NaN or infinity");
    }
}

PLATECAM_HARNESS inline void CheckFiniteMotion(const MotionProfile& motion) {
    if (!AllFinite(motion.velocity.data(), SampleCount) ||
        !AllFinite(motion.acceleration.data(), SampleCount)) {
        Fail("a derivative is NaN or infinity");
    }
}

// Every value after a numeric group code must be a finite decimal with "." as its mark.
PLATECAM_HARNESS inline void CheckDxfNumbers(const DxfLines& lines) {
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

// The user's choices, from a byte of the input that does not also form the design. Most
// inputs run at 1 degree, where a run is cheapest.
struct Choices {
    int stepsPerDegree;
    int law;  // 3: an index beyond the three laws, evaluated as the modified sine
    bool points;
    char decimalMark;
    bool writeFiles;  // half the runs also write and check the DXF file: it costs most
};

inline int StepsFrom(int bits) { return bits < 6 ? 1 : bits == 6 ? 2 : 5; }

inline Choices ChoicesFrom(std::uint8_t byte) {
    return Choices{StepsFrom(byte & 7), (byte >> 3) & 3, (byte & 0x20) != 0,
                   (byte & 0x40) ? ',' : '.', (byte & 0x80) != 0};
}

inline bool Step(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const CamError& e) {
        if (!IsProgramMessage(e.message())) Fail("an unknown message");
        return false;
    }
}

PLATECAM_HARNESS inline bool SameTable(const MotionTable& a, const MotionTable& b) {
    for (int k = 0; k < MotionSlotCount; ++k) {
        // The window shows -0 as "0": the sign of a zero is the one thing texts drop.
        if (a[k].Angle != b[k].Angle ||
            (std::memcmp(&a[k].Value, &b[k].Value, sizeof(double)) != 0 &&
             !(a[k].Value == 0 && b[k].Value == 0))) {
            return false;
        }
    }
    return true;
}

// OPEN shows a table as texts of 15 significant digits and the displacement button loads
// them back. A value with more digits comes back rounded once; from then on the round trip
// must reproduce the table bit for bit.
inline void CheckTextRoundTrip(const MotionTable& table, char decimalMark) {
    auto once = [decimalMark](const MotionTable& from) {
        auto design = std::make_unique<CamDesign>();
        design->MotionTable = from;
        try {
            LoadDesignFromTexts(*design, TextsFromTable(from, decimalMark), decimalMark);
        } catch (const CamError&) {
            Fail("the texts of a table do not load");
        }
        return design->MotionTable;
    };
    const MotionTable rounded = once(table);
    if (!SameTable(once(rounded), rounded)) Fail("texts changed a table they came from");
}

// What a writer put in a file (an anonymous memory file, named as /proc/self/fd/N).
inline std::string WrittenBytes(const std::function<void(const std::string&)>& write) {
    static const int fd = memfd_create("platecam-fuzz", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) Fail("memfd reset");
    if (!Step([&] { write("/proc/self/fd/" + std::to_string(fd)); })) Fail("a write failed");
    const off_t size = lseek(fd, 0, SEEK_END);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (pread(fd, bytes.data(), bytes.size(), 0) != size) Fail("memfd read");
    return bytes;
}

// The window's actions in order, each of which may end with one of the program's
// messages; `steps` gives the resolution chosen before each of the six actions (0 keeps
// it), as the window lets the user change it between buttons.
inline void RunPipeline(CamDesign& d, const Choices& choices, const int (&steps)[6] = {}) {
    int at = 0;
    auto step = [&](const std::function<void()>& action) {
        if (steps[at] != 0) d.StepsPerDegree = steps[at];
        ++at;
        return Step(action);
    };
    step([&] { ScanMaxDisplacement(d); });
    step([&] { BuildDisplacement(d, choices.law); });
    step([&] { ComputePitchCurve(d); });
    step([&] { ComputeCamProfile(d); });
    step([&] { ComputePressureAngles(d); });
    CheckFinite(d);
    DxfLines lines;
    if (step([&] { BuildDxf(lines, d, choices.points); }) && choices.writeFiles) {
        CheckDxfNumbers(lines);
        const std::string bytes =
            WrittenBytes([&](const std::string& path) { WriteDxfFile(path, lines); });
        if (bytes.size() < lines.size() * 2) Fail("DXF bytes shorter than its line ends");
    }
    // The derivatives and what the CSV of a design file writes from them.
    auto motion = std::make_unique<MotionProfile>();
    if (Step([&] { BuildMotionProfile(d, choices.law, *motion); })) {
        CheckFiniteMotion(*motion);
        // Turning a point by a sample's angle, as the animation does.
        const Point2 turned = RotatePoint(d.CamProfile[1].x, d.CamProfile[1].y, 1.0 / d.StepsPerDegree);
        if (!std::isfinite(turned.x) || !std::isfinite(turned.y)) Fail("a turned point is not finite");
        // The exact pressure angle and the pitch curve's radius the CSV writes.
        double smallest = 0;
        for (int i = 0; i <= 360 * d.StepsPerDegree; ++i) {
            const double phi = ExactPressureAngle(d.BaseRadius, d.RollerRadius, d.Displacement[i], motion->velocity[i]);
            const double kappa = PitchCurvature(d.BaseRadius, d.RollerRadius, d.Displacement[i], motion->velocity[i],
                                                motion->acceleration[i]);
            if (!(std::fabs(phi) <= 180) || !std::isfinite(kappa)) {
                Fail("an exact pressure angle or curvature out of range");
            }
            if (kappa > 0 && (smallest == 0 || 1 / kappa < smallest)) smallest = 1 / kappa;
        }
        for (double v : {smallest, d.MaxPressureAngle, d.MinPressureAngle}) {
            if (FormatGeneral(v, 6, 15, '.').empty()) Fail("an empty number text");
        }
    }
}

}  // namespace platecam::fuzz
