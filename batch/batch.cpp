#include "batch/batch.h"

#include <cmath>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>

#include "files/save_file.h"
#include "platecam_version.h"
#include "files/design_file.h"
#include "files/dxf.h"
#include "model/analysis.h"
#include "model/displacement.h"
#include "model/errors.h"
#include "model/number_text.h"
#include "model/pressure.h"
#include "model/profile.h"

namespace platecam {

namespace {

constexpr const char* Usage =
    "usage: platecam-batch DESIGN.dat [options]\n"
    "\n"
    "Loads a design file saved by platecam, computes displacement, pitch curve, contour and\n"
    "pressure angle as the window does, and writes what the options ask for.\n"
    "\n"
    "options:\n"
    "  --law cycloid|trapezoid|sine   motion law (default cycloid)\n"
    "  --resolution 1|0.5|0.2         degrees per sample (default 1)\n"
    "  --dxf OUT.dxf                  write the contour drawing, as the DXF button does\n"
    "  --points                       with --dxf: points instead of lines on rises and falls\n"
    "  --csv OUT.csv                  write one row per sample\n"
    "  --check                        report pressure angle, undercut and roller test;\n"
    "                                 exit 1 when a check fails\n"
    "  --max-pressure DEG             pressure-angle limit for --check (default 30)\n"
    "  --help                         show this text\n"
    "  --version                      show the version\n"
    "\n"
    "exit status: 0 all checks pass, 1 a check fails, 2 bad input\n";

const char* const LawNames[] = {"cycloid", "trapezoid", "sine"};
const char* const LawCaptions[] = {"サイクロイド曲線(CY)", "変形台形曲線(MT)", "変形正弦曲線(MS)"};

}  // namespace

BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments) {
    BatchOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) throw BadUsage{"option " + a + " needs a value"};
            return arguments[++i];
        };
        auto outputPath = [&]() -> const std::string& {
            const std::string& path = value();
            if (path.empty()) throw BadUsage{"option " + a + " needs a file name, not an empty one"};
            return path;
        };
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--version") {
            options.version = true;
        } else if (a == "--law") {
            const std::string& v = value();
            int found = -1;
            for (int k = 0; k < 3; ++k) {
                if (v == LawNames[k]) found = k;
            }
            if (found < 0) throw BadUsage{"unknown law '" + v + "' (cycloid, trapezoid or sine)"};
            options.law = found;
        } else if (a == "--resolution") {
            const std::string& v = value();
            if (v == "1") {
                options.stepsPerDegree = 1;
            } else if (v == "0.5") {
                options.stepsPerDegree = 2;
            } else if (v == "0.2") {
                options.stepsPerDegree = 5;
            } else {
                throw BadUsage{"unknown resolution '" + v + "' (1, 0.5 or 0.2)"};
            }
        } else if (a == "--dxf") {
            options.dxf = outputPath();
        } else if (a == "--points") {
            options.points = true;
        } else if (a == "--csv") {
            options.csv = outputPath();
        } else if (a == "--check") {
            options.check = true;
        } else if (a == "--max-pressure") {
            const std::string& v = value();
            try {
                options.maxPressure = ParseDecimal(v, '.');
            } catch (const CamError&) {
                throw BadUsage{"--max-pressure needs a number of degrees, not '" + v + "'"};
            }
            if (!(options.maxPressure > 0 && options.maxPressure < 90)) {
                throw BadUsage{"--max-pressure must lie between 0 and 90 degrees"};
            }
        } else if (!a.empty() && a[0] == '-') {
            throw BadUsage{"unknown option " + a};
        } else if (options.design.empty()) {
            options.design = a;
        } else {
            throw BadUsage{"only one design file, not also '" + a + "'"};
        }
    }
    if (!options.help && !options.version && options.design.empty()) {
        throw BadUsage{"no design file given"};
    }
    if (options.points && options.dxf.empty()) throw BadUsage{"--points goes with --dxf"};
    return options;
}

namespace {

std::string Number(double value) { return FormatNumber(value, '.'); }

std::string Angle(int sample, int S) { return Number(static_cast<double>(sample) / S); }

void WriteCsv(const std::string& path, const CamDesign& d, const MotionProfile& motion) {
    std::string text =
        "cam_angle_deg,displacement_mm,velocity_mm_per_rad,acceleration_mm_per_rad2,"
        "pitch_x_mm,pitch_y_mm,contour_x_mm,contour_y_mm,pressure_angle_deg\n";
    const int S = d.StepsPerDegree;
    const int N = RevolutionSamples(d);
    text.reserve(static_cast<std::size_t>(N) * 160);
    for (int i = 0; i < N; ++i) {
        const double values[] = {static_cast<double>(i) / S, d.Displacement[i], motion.velocity[i],
                                 motion.acceleration[i], d.PitchCurve[i].x, d.PitchCurve[i].y,
                                 d.CamProfile[i].x, d.CamProfile[i].y, d.PressureAngle[i]};
        for (std::size_t k = 0; k < std::size(values); ++k) {
            if (k > 0) text += ',';
            AppendNumber(text, values[k]);
        }
        text += '\n';
    }
    SaveFile(path, text);
}

}  // namespace

int RunBatch(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    BatchOptions options;
    try {
        options = ParseBatchOptions(arguments);
    } catch (const BadUsage& bad) {
        err << "platecam-batch: " << bad.text << "\n" << "Try 'platecam-batch --help'.\n";
        return 2;
    }
    if (options.help) {
        out << Usage;
        return 0;
    }
    if (options.version) {
        out << "platecam-batch " << PLATECAM_VERSION << "\n";
        return 0;
    }
    // Writing over the design would destroy it: refuse before anything is written.
    for (const std::string* output : {&options.dxf, &options.csv}) {
        if (!output->empty() && SameFile(*output, options.design)) {
            err << "platecam-batch: output " << *output << " is the design file "
                << options.design << " itself; nothing written\n";
            return 2;
        }
    }
    auto design = std::make_unique<CamDesign>();
    CamDesign& d = *design;
    d.StepsPerDegree = options.stepsPerDegree;
    auto motion = std::make_unique<MotionProfile>();
    ProfileStatus status;
    std::optional<std::string> pressureError;
    try {
        // OPEN, then the displacement button reading the window's texts, then the cam
        // calculation: the same calls in the same order as the window makes them.
        ReadDesignFile(options.design, d.MotionTable);
        d.BaseRadius = d.MotionTable[BaseRadiusSlot].Value;
        d.RollerRadius = d.MotionTable[RollerRadiusSlot].Value;
        LoadDesignFromTexts(d, TextsFromTable(d.MotionTable, '.'), '.');
        ScanMaxDisplacement(d);
        BuildDisplacement(d, options.law);
        ComputePitchCurve(d);
        status = ComputeCamProfile(d);
        if (!status.completed) err << msg::RollerTooLarge << "\n";
        try {
            ComputePressureAngles(d);
        } catch (const CamError& e) {
            pressureError = e.message();
        }
        BuildMotionProfile(d, options.law, *motion);
        if (!options.dxf.empty()) {
            DxfLines lines;
            BuildDxf(lines, d, options.points);
            WriteDxfFile(options.dxf, lines);
        }
        if (!options.csv.empty()) WriteCsv(options.csv, d, *motion);
    } catch (const CamError& e) {
        err << "platecam-batch: " << e.message() << "\n";
        return 2;
    }
    if (!options.check) return 0;

    const int S = d.StepsPerDegree;
    const int N = RevolutionSamples(d);
    bool pass = true;
    out << "design: " << options.design << "\n";
    out << "law: " << LawCaptions[options.law] << ", resolution: " << Number(1.0 / S)
        << " deg (" << N << " samples)\n";
    out << "base radius " << Number(d.BaseRadius) << " mm, roller radius " << Number(d.RollerRadius)
        << " mm, largest lift " << Number(d.MaxDisplacement) << " mm\n";
    if (pressureError) {
        out << "pressure angle: not computed (" << *pressureError << ")  FAIL\n";
        pass = false;
    } else {
        int maxAt = 0, minAt = 0;
        for (int i = 0; i < N; ++i) {
            if (d.PressureAngle[i] == d.MaxPressureAngle) maxAt = i;
            if (d.PressureAngle[i] == d.MinPressureAngle && minAt == 0) minAt = i;
        }
        const bool ok = d.MaxPressureAngle <= options.maxPressure &&
                        -d.MinPressureAngle <= options.maxPressure;
        pass = pass && ok;
        out << "pressure angle: max " << FormatGeneral(d.MaxPressureAngle, 6, 15, '.') << " deg at "
            << Angle(maxAt, S) << " deg, min " << FormatGeneral(d.MinPressureAngle, 6, 15, '.')
            << " deg at " << Angle(minAt, S) << " deg, limit +-" << Number(options.maxPressure)
            << " deg  " << (ok ? "ok" : "FAIL") << "\n";
    }
    const CurvatureCheck curvature = CheckPitchCurvature(d, *motion);
    if (curvature.convexFound) {
        const bool ok = curvature.minRadius >= d.RollerRadius;
        pass = pass && ok;
        out << "pitch curve: smallest convex radius of curvature "
            << FormatGeneral(curvature.minRadius, 6, 15, '.') << " mm at "
            << Angle(curvature.sample, S) << " deg, roller radius " << Number(d.RollerRadius)
            << " mm  " << (ok ? "ok" : "FAIL (undercut)") << "\n";
    } else {
        out << "pitch curve: no convex part  ok\n";
    }
    if (status.completed) {
        out << "contour: complete  ok\n";
    } else {
        pass = false;
        out << "contour: stopped at " << Angle(status.stoppedAt, S) << " deg (" << msg::RollerTooLarge
            << ")  FAIL\n";
    }
    out << (pass ? "result: all checks pass\n" : "result: a check fails\n");
    return pass ? 0 : 1;
}

}  // namespace platecam
