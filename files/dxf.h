#pragma once
// The DXF drawing of the cam contour (AC1009 text, Shift_JIS, CR LF).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/save_file.h"
#include "model/cam_design.h"

namespace platecam {

// An ordered list of text lines kept in one buffer, so that an export of thousands of
// lines allocates once.
class DxfLines {
public:
    void Clear() {
        text_.clear();
        ends_.clear();
    }
    void Reserve(std::size_t lines, std::size_t bytes) {
        ends_.reserve(lines);
        text_.reserve(bytes);
    }
    void Append(std::string_view line) {
        text_.append(line);
        ends_.push_back(static_cast<std::uint32_t>(text_.size()));
    }
    // Appends a line holding FormatNumber(value) with "." as the decimal mark.
    void AppendNumber(double value);
    std::size_t size() const { return ends_.size(); }
    std::string_view operator[](std::size_t i) const {
        const std::uint32_t from = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(text_).substr(from, ends_[i] - from);
    }

private:
    std::string text_;
    std::vector<std::uint32_t> ends_;
};

inline constexpr std::size_t DxfHeaderLineCount = 590;

void WriteDxfHeader(DxfLines& lines);
void WriteDxfArc(DxfLines& lines, double centreX, double centreY, double radius,
                 double startAngle, double endAngle);

// The whole drawing from the design's table, BaseRadius, CamProfile and resolution:
// arcs on dwells, lines (or points) along the contour on rises and falls. Refuses
// angles outside the sample arrays before the list is touched.
void BuildDxf(DxfLines& lines, const CamDesign& design, bool points);

// One segment of a contour in the drawing: a dwell is an arc about the cam centre, from
// the polar angle of its end to that of its start (counter-clockwise); a rise or fall is a
// chain through the contour samples firstSample..lastSample.
struct DxfSegment {
    bool dwell = false;
    double radius = 0, startPolarDeg = 0, endPolarDeg = 0;  // dwell
    std::int64_t firstSample = 0, lastSample = 0;           // rise or fall
};

// The drawing of an exact contour in the window's format (its header and tables, ARCs on
// dwells, LINE or POINT chains on rises and falls). `contour` holds one revolution; sample
// contour.size() is sample 0 again.
void BuildContourDxf(DxfLines& lines, const std::vector<DxfSegment>& segments,
                     const std::vector<Point2>& contour, bool points);

// The file's bytes: every line in Shift_JIS (code page 932) followed by CR LF.
std::string EncodeDxf(const DxfLines& lines);

void WriteDxfFile(const std::string& path, const DxfLines& lines, const ByteWriter& writer = {});

}  // namespace platecam
