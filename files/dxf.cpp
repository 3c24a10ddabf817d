#include "files/dxf.h"

#include <cerrno>
#include <stdexcept>

#include "files/shift_jis.h"
#include "base/errors.h"
#include "base/number_text.h"

namespace platecam {

void DxfLines::AppendNumber(double value) {
    platecam::AppendNumber(text_, value, '.');
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
}

namespace {

void Pair(DxfLines& lines, std::string_view code, std::string_view value) {
    lines.Append(code);
    lines.Append(value);
}

struct LineType {
    const char* name;
    const char* description;
    const char* count;
    const char* length;
    std::vector<const char*> elements;
};

const char* const Center1 = "----- - ----- - ----- - ----- - ";
const char* const Center2 = "----------  --  ----------  --  ";
const char* const Phantom1 = "--- - - --- - - --- - - --- - - ";
const char* const Phantom2 = "--------  -  -  --------  -  -  ";

const std::vector<LineType>& LineTypes() {
    static const std::vector<const char*> c1{"6.25", "-1.25", "1.25", "-1.25"};
    static const std::vector<const char*> c2{"12.5", "-2.5", "2.5", "-2.5"};
    static const std::vector<const char*> p1{"3.25", "-1.25", "1.25", "-1.25", "1.25", "-1.25"};
    static const std::vector<const char*> p2{"10.0", "-2.5", "1.25", "-2.5", "1.25", "-2.5"};
    static const std::vector<LineType> types{
        {"CONTINUOUS", "実線", "     0", "0.0", {}},
        {"DASHED1", "--  --  --  --  --  --  --  -- ", "     2", "2.5", {"1.25", "-1.25"}},
        {"DASHED2", "----    ----    ----    ----    ", "     2", "5.0", {"2.5", "-2.5"}},
        {"DASHED3", "------  ------  ------  -----   ", "     2", "5.0", {"3.75", "-1.25"}},
        {"CENTER1", Center1, "     4", "10.0", c1},
        {"CENTER2", Center2, "     4", "20.0", c2},
        {"PHANTOM1", Phantom1, "     6", "10.0", p1},
        {"PHANTOM2", Phantom2, "     6", "20.0", p2},
        {"DOT", "-   -   -   -   -   -   -   -   ", "     2", "2.5", {"0.625", "-1.875"}},
        {"DUMMY", "ダミー", "     0", "0.0", {}},
        {"RAND1", Center1, "     4", "10.0", c1},
        {"RAND2", Center2, "     4", "20.0", c2},
        {"RAND3", Phantom1, "     6", "10.0", p1},
        {"RAND4", Phantom2, "     6", "20.0", p2},
        {"RAND5", Center1, "     4", "10.0", c1},
        {"LONG1", Center2, "     4", "20.0", c2},
        {"LONG2", Phantom1, "     6", "10.0", p1},
        {"LONG3", Phantom2, "     6", "20.0", p2},
        {"LONG4", "----- - ----- - ----- - ----- -", "     4", "10.0", c1},
        {"LONG5", "----------  --  ----------  --", "     4", "20.0", c2},
    };
    return types;
}

void WriteStyle(DxfLines& lines, const char* handle, const char* name, const char* flags,
                const char* lastHeight) {
    Pair(lines, "  0", "STYLE");
    Pair(lines, "  5", handle);
    Pair(lines, "100", "AcDbSymbolTableRecord");
    Pair(lines, "100", "AcDbTextStyleTableRecord");
    Pair(lines, "  2", name);
    Pair(lines, " 70", flags);
    Pair(lines, " 40", "0.0");
    Pair(lines, " 41", "1.0");
    Pair(lines, " 50", "0.0");
    Pair(lines, " 71", "     0");
    Pair(lines, " 42", lastHeight);
    Pair(lines, "  3", "txt");
    Pair(lines, "  4", "bigfont.shx");
}

void EntityHead(DxfLines& lines, std::string_view kind, bool lineType) {
    Pair(lines, "  0", kind);
    Pair(lines, "  8", "_0-0_");
    if (lineType) Pair(lines, "  6", "CONTINUOUS");
    Pair(lines, "  62", "    7");
}

void NumberPair(DxfLines& lines, std::string_view code, double value) {
    lines.Append(code);
    lines.AppendNumber(value);
}

}  // namespace

void WriteDxfHeader(DxfLines& lines) {
    lines.Clear();
    Pair(lines, "  0", "SECTION");
    Pair(lines, "  2", "HEADER");
    Pair(lines, "  9", "$ACADVER");
    Pair(lines, "  1", "AC1009");
    Pair(lines, "  9", "$INSBASE");
    Pair(lines, " 10", "0");
    Pair(lines, " 20", "0");
    Pair(lines, " 30", "0");
    Pair(lines, "  9", "$EXTMIN");
    Pair(lines, " 10", "0");
    Pair(lines, " 20", "0");
    Pair(lines, "  9", "$EXTMAX");
    Pair(lines, " 10", "841");
    Pair(lines, " 20", "594");
    Pair(lines, "  9", "$LIMMIN");
    Pair(lines, " 10", "0");
    Pair(lines, " 20", "0");
    Pair(lines, "  9", "$LIMMAX");
    Pair(lines, " 10", "841");
    Pair(lines, " 20", "594");
    Pair(lines, "  9", "$LTSCALE");
    Pair(lines, " 40", "1");
    Pair(lines, "  0", "ENDSEC");

    Pair(lines, "  0", "SECTION");
    Pair(lines, "  2", "TABLES");
    Pair(lines, "  0", "TABLE");
    Pair(lines, "  2", "LTYPE");
    Pair(lines, " 70", "     9");
    for (const LineType& type : LineTypes()) {
        Pair(lines, "  0", "LTYPE");
        Pair(lines, "  2", type.name);
        Pair(lines, " 70", "    64");
        Pair(lines, "  3", type.description);
        Pair(lines, " 72", "    65");
        Pair(lines, " 73", type.count);
        Pair(lines, " 40", type.length);
        for (const char* element : type.elements) Pair(lines, " 49", element);
    }
    Pair(lines, "  0", "ENDTAB");

    Pair(lines, "  0", "TABLE");
    Pair(lines, "  2", "STYLE");
    Pair(lines, "  5", "3");
    Pair(lines, "100", "AcDbSymbolTable");
    Pair(lines, " 70", "     1");
    WriteStyle(lines, "10", "STANDARD", "     0", "0.2");
    WriteStyle(lines, "26", "TATEGAKI", "    68", "1.0");
    Pair(lines, "  0", "ENDTAB");

    Pair(lines, "  0", "TABLE");
    Pair(lines, "  2", "LAYER");
    Pair(lines, " 70", "    2");
    for (const char* name : {"_0-0_", "ADD_LINE"}) {
        Pair(lines, "  0", "LAYER");
        Pair(lines, "  2", name);
        Pair(lines, " 70", "   64");
        Pair(lines, " 62", "    7");
        Pair(lines, "  6", "CONTINUOUS");
    }
    Pair(lines, " 0", "ENDTAB");

    Pair(lines, "  0", "ENDSEC");
    Pair(lines, "  0", "SECTION");
    Pair(lines, "  2", "BLOCKS");
    Pair(lines, "  0", "ENDSEC");
}

void WriteDxfArc(DxfLines& lines, double centreX, double centreY, double radius,
                 double startAngle, double endAngle) {
    EntityHead(lines, "ARC", true);
    NumberPair(lines, " 10", centreX);
    NumberPair(lines, " 20", centreY);
    NumberPair(lines, " 40", radius);
    NumberPair(lines, " 50", startAngle);
    NumberPair(lines, " 51", endAngle);
}

void BuildDxf(DxfLines& lines, const CamDesign& design, bool points) {
    const int S = design.StepsPerDegree;
    const TableWalk walk = WalkTable(design.MotionTable);
    CheckTableAngles(walk);
    std::size_t entityLines = 0;
    for (const Segment& segment : walk) {
        const std::int64_t span = segment.LastSample(S) - segment.FirstSample(S);
        entityLines += segment.dwell ? 36 : (span > 0 ? static_cast<std::size_t>(span) * 16 : 0);
    }
    lines.Reserve(DxfHeaderLineCount + 8 + entityLines, 12 * (DxfHeaderLineCount + entityLines));

    WriteDxfHeader(lines);
    Pair(lines, "  0", "SECTION");
    Pair(lines, "  2", "ENTITIES");
    const auto& profile = design.CamProfile;
    for (const Segment& segment : walk) {
        if (segment.dwell) {
            // Angles in whole degrees: integer arithmetic, as the table holds them.
            const std::int32_t A1 = 90 - segment.startAngle;
            const std::int32_t A2 = 90 - segment.endAngle;
            const double R =
                ToHeld(static_cast<long double>(design.BaseRadius) + segment.startValue);
            if (A2 >= 0) {
                WriteDxfArc(lines, 0, 0, R, A2, A1);
            } else if (A1 > 0) {
                WriteDxfArc(lines, 0, 0, R, 0, A1);
                WriteDxfArc(lines, 0, 0, R, 360 + A2, 360);
            } else {
                WriteDxfArc(lines, 0, 0, R, 360 + A2, 360 + A1);
            }
            continue;
        }
        const std::int64_t last = segment.LastSample(S);
        for (std::int64_t k = segment.FirstSample(S); k < last; ++k) {
            if (points) {
                EntityHead(lines, "POINT", false);
                NumberPair(lines, " 10", profile[k].x);
                NumberPair(lines, " 20", profile[k].y);
            } else {
                EntityHead(lines, "LINE", true);
                NumberPair(lines, " 10", profile[k].x);
                NumberPair(lines, " 20", profile[k].y);
                NumberPair(lines, " 11", profile[k + 1].x);
                NumberPair(lines, " 21", profile[k + 1].y);
            }
        }
    }
    Pair(lines, "  0", "ENDSEC");
    Pair(lines, "  0", "EOF");
}

void BuildContourDxf(DxfLines& lines, const std::vector<DxfSegment>& segments,
                     const std::vector<Point2>& contour, bool points) {
    WriteDxfHeader(lines);
    Pair(lines, "  0", "SECTION");
    Pair(lines, "  2", "ENTITIES");
    const auto n = static_cast<std::int64_t>(contour.size());
    auto at = [&](std::int64_t k) -> const Point2& { return contour[static_cast<std::size_t>(k % n)]; };
    for (const DxfSegment& segment : segments) {
        if (segment.dwell) {
            WriteDxfArc(lines, 0, 0, segment.radius, segment.startPolarDeg, segment.endPolarDeg);
            continue;
        }
        if (n == 0) continue;
        for (std::int64_t k = segment.firstSample; k < segment.lastSample; ++k) {
            if (points) {
                EntityHead(lines, "POINT", false);
                NumberPair(lines, " 10", at(k).x);
                NumberPair(lines, " 20", at(k).y);
            } else {
                EntityHead(lines, "LINE", true);
                NumberPair(lines, " 10", at(k).x);
                NumberPair(lines, " 20", at(k).y);
                NumberPair(lines, " 11", at(k + 1).x);
                NumberPair(lines, " 21", at(k + 1).y);
            }
        }
    }
    Pair(lines, "  0", "ENDSEC");
    Pair(lines, "  0", "EOF");
}

std::string EncodeDxf(const DxfLines& lines) {
    std::string out;
    std::size_t total = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) total += lines[i].size() + 2;
    out.reserve(total + 16);
    ShiftJis shiftJis;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // A character without a code becomes '?': the line count stays intact.
        shiftJis.Append(out, lines[i]);
        out += "\r\n";
    }
    return out;
}

void WriteDxfFile(const std::string& path, const DxfLines& lines, const ByteWriter& writer) {
    SaveFile(path, EncodeDxf(lines), writer);
}

}  // namespace platecam
