#pragma once
// The one design record and the rules for reading the motion table.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace platecam {

inline constexpr int MotionRowCount = 20;
inline constexpr int BaseRadiusSlot = 20;
inline constexpr int RollerRadiusSlot = 21;
inline constexpr int MotionSlotCount = 22;
inline constexpr std::int32_t TerminatorAngle = 360;
inline constexpr int MaxSampleIndex = 1800;
inline constexpr int SampleCount = MaxSampleIndex + 1;

#pragma pack(push, 1)
struct MotionRecord {
    std::int32_t Angle;  // whole degrees
    double Value;        // millimetres
};
#pragma pack(pop)
static_assert(sizeof(MotionRecord) == 12, "MotionRecord must be 12 packed bytes");
static_assert(offsetof(MotionRecord, Value) == 4, "Value follows Angle without a gap");

using MotionTable = std::array<MotionRecord, MotionSlotCount>;
static_assert(sizeof(MotionTable) == 264, "the table is the 264 bytes of the design file");

struct Point2 {
    double x;
    double y;
};

using PointSamples = std::array<Point2, SampleCount>;
using ValueSamples = std::array<double, SampleCount>;

struct CamDesign {
    ::platecam::MotionTable MotionTable{};
    PointSamples PitchCurve{};
    PointSamples CamProfile{};
    PointSamples RotatedProfile{};
    double BaseRadius = 0;
    double RollerRadius = 0;
    ValueSamples Displacement{};
    double MaxDisplacement = 0;
    ValueSamples PressureAngle{};
    double MaxPressureAngle = 0;
    double MinPressureAngle = 0;
    std::int32_t AnimationAngle = 0;
    std::int32_t StepMode = 0;
    std::int32_t StepsPerDegree = 0;
};

// Samples per revolution at the design's resolution.
inline int RevolutionSamples(const CamDesign& design) { return 360 * design.StepsPerDegree; }

struct DesignTexts {
    std::string BaseRadiusText;
    std::string RollerRadiusText;
    std::array<std::string, MotionRowCount> AngleTexts;
    std::array<std::string, MotionRowCount> ValueTexts;
};

// One segment of the table walk, from row `row` (1-based) to row `row` + 1.
struct Segment {
    int row;
    std::int32_t startAngle;
    std::int32_t endAngle;
    double startValue;
    double endValue;
    bool dwell;
    // Sample indices in 64 bits: a huge angle times the resolution cannot overflow.
    std::int64_t FirstSample(int stepsPerDegree) const {
        return std::int64_t{startAngle} * stepsPerDegree;
    }
    std::int64_t LastSample(int stepsPerDegree) const {
        return std::int64_t{endAngle} * stepsPerDegree;
    }
};

struct TableWalk {
    std::array<Segment, MotionRowCount - 1> segments{};
    int count = 0;
    int terminatorRow = 0;  // 1-based row holding angle 360, 0 when none was met
    const Segment* begin() const { return segments.data(); }
    const Segment* end() const { return segments.data() + count; }
};

// Rows in order; the first row at 360 ends the table; row 20 starts nothing;
// a segment between exactly equal values is a dwell.
TableWalk WalkTable(const MotionTable& table);

// Refuses (with "角度 %d は範囲外です") a walk that reaches an angle below 0 or above
// 360, at every resolution, before anything is computed.
void CheckTableAngles(const TableWalk& walk);

// Text to number with the parsing rules of the window's cells. Both throw CamError.
double ParseDecimal(const std::string& text, char decimalMark);
std::int32_t ParseInteger(const std::string& text);

void LoadDesignFromTexts(CamDesign& design, const DesignTexts& texts, char decimalMark);

// The texts the window shows for a table (after OPEN): FormatNumber for the radii and
// displacements, plain integers for the angles.
DesignTexts TextsFromTable(const MotionTable& table, char decimalMark);
void ScanMaxDisplacement(CamDesign& design);

}  // namespace platecam
