#include "files/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <stdexcept>

#include "files/shift_jis.h"
#include "base/utf8.h"
#include "base/errors.h"
#include "base/number_text.h"

namespace platecam {

namespace {

// R12 readers take at most 255 bytes in a group's value.
constexpr std::size_t MaxTextBytes = 255;

// The text style: a font and a big font as Japanese CAD drawings name them (romans.shx
// with extfont2.shx, JIS level 1 and 2, in every AutoCAD, IJCAD and BricsCAD). LibreCAD
// reads neither: it draws a text in the stroke font named like its style, so the style is
// named for the one it ships with the JIS kanji (kst32b.lff).
constexpr std::string_view TextStyle = "KST32B";
constexpr std::string_view TextFont = "romans.shx";
constexpr std::string_view TextBigFont = "extfont2.shx";

// Glyph advances in text heights, for the extents: a text's height is its capital
// height, and an em of a Japanese gothic is about 1.37 capital heights.
constexpr double WideAdvance = 1.4;
constexpr double NarrowAdvance = 0.7;
constexpr double TextDescent = 0.3;  // below the baseline, in text heights
constexpr double TextAscent = 1.2;   // above the baseline, full-width glyphs included

struct Box {
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    void Add(double x, double y) {
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
};

void CheckFinite(double value) {
    if (!std::isfinite(value)) ThrowInvalidOperation();
}

// One Shift_JIS text for a TEXT entity and its estimated width in text heights.
struct EncodedText {
    std::string bytes;
    double advance = 0;
};

// Control characters become spaces, characters Shift_JIS lacks (and broken UTF-8) '?'.
// '^' and a second '%' in a row become their full-width forms: DXF readers take "^x" as a
// control character and "%%x" as a symbol or underline code.
EncodedText EncodeText(ShiftJis& shiftJis, std::string_view utf8) {
    EncodedText out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const Utf8Char c = DecodeUtf8(utf8, i);
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::string_view code;
        if (c.length == 0) {
            code = "?";
        } else if (IsControlCharacter(c.code)) {
            code = " ";  // a line break would break the file
        } else if (lead == '^') {
            code = "\x81\x4F";  // ＾
        } else if (lead == '%' && !out.bytes.empty() && out.bytes.back() == '%') {
            code = "\x81\x93";  // ％
        } else if (c.length == 1) {
            code = utf8.substr(i, 1);
        } else {
            code = shiftJis.Character(utf8.substr(i, c.length));
            if (code.empty()) code = "?";
        }
        if (out.bytes.size() + code.size() > MaxTextBytes) break;
        out.bytes += code;
        out.advance += code.size() == 1 ? NarrowAdvance : WideAdvance;
        i += c.length == 0 ? 1 : c.length;
    }
    return out;
}

// The direction of `p` from `centre`, degrees in [0, 360): DXF's arc angles.
double DegreesOf(const arcs::Point& p, const arcs::Point& centre) {
    double deg = std::atan2(p.y - centre.y, p.x - centre.x) * 180 / std::numbers::pi;
    if (deg < 0) deg += 360;
    return deg >= 360 ? 0 : deg + 0.0;
}

class Writer {
  public:
    void Pair(std::string_view code, std::string_view value) {
        out_ += code;
        out_ += "\r\n";
        out_ += value;
        out_ += "\r\n";
    }
    void Number(std::string_view code, double value) {
        out_ += code;
        out_ += "\r\n";
        AppendNumber(out_, value, '.');
        out_ += "\r\n";
    }
    void Point(double x, double y) {
        Number(" 10", x);
        Number(" 20", y);
    }
    std::string Take() { return std::move(out_); }

    // A piece of a path: a LINE, or an ARC (counter-clockwise from its start angle to its
    // end angle, as DXF draws arcs), or a CIRCLE for a whole turn.
    void Piece(std::string_view layer, const arcs::Piece& p) {
        if (p.line) {
            Line(layer, p.from.x, p.from.y, p.to.x, p.to.y);
            return;
        }
        if (std::fabs(p.sweep) >= 2 * std::numbers::pi) {
            Circle(layer, p.centre.x, p.centre.y, p.radius);
            return;
        }
        const arcs::Point& start = p.sweep > 0 ? p.from : p.to;
        const arcs::Point& end = p.sweep > 0 ? p.to : p.from;
        Arc(layer, p.centre.x, p.centre.y, p.radius, DegreesOf(start, p.centre), DegreesOf(end, p.centre));
    }
    void Arc(std::string_view layer, double x, double y, double radius, double startDeg, double endDeg) {
        Pair("  0", "ARC");
        Pair("  8", layer);
        Point(x, y);
        Number(" 40", radius);
        Number(" 50", startDeg);
        Number(" 51", endDeg);
    }
    void Line(std::string_view layer, double x1, double y1, double x2, double y2,
              std::string_view lineType = {}) {
        Pair("  0", "LINE");
        Pair("  8", layer);
        if (!lineType.empty()) Pair("  6", lineType);
        Point(x1, y1);
        Number(" 11", x2);
        Number(" 21", y2);
    }
    void Circle(std::string_view layer, double x, double y, double radius) {
        Pair("  0", "CIRCLE");
        Pair("  8", layer);
        Point(x, y);
        Number(" 40", radius);
    }
    // Left-aligned at (x, y) on its baseline, or centred on x when `centred`.
    void Text(double x, double y, double height, std::string_view bytes, bool centred) {
        Pair("  0", "TEXT");
        Pair("  8", DrawingTextLayer);
        Point(x, y);
        Number(" 40", height);
        Pair("  1", bytes);
        Pair("  7", TextStyle);
        if (centred) {
            Pair(" 72", "1");
            Number(" 11", x);
            Number(" 21", y);
        }
    }

  private:
    std::string out_;
};

// A closed path as drawn: finite, each piece starting where the one before ends (to a
// nanometre: the pieces share their end points).
void CheckPath(const std::vector<arcs::Piece>& path, const char* what) {
    for (const arcs::Piece& p : path) {
        for (double v : {p.from.x, p.from.y, p.to.x, p.to.y, p.centre.x, p.centre.y, p.radius, p.sweep}) {
            CheckFinite(v);
        }
    }
    for (std::size_t i = 0; i < path.size(); ++i) {
        const arcs::Point& end = path[i].to;
        const arcs::Point& next = path[(i + 1) % path.size()].from;
        if (std::hypot(end.x - next.x, end.y - next.y) > 1e-6) {
            throw std::invalid_argument(std::string("workshop drawing: the ") + what + " is not closed");
        }
    }
}

// Grows the box by a piece: its ends, and an arc's points due left, right, up and down of
// its centre where the arc passes them.
void AddPiece(Box& box, const arcs::Piece& p) {
    box.Add(p.from.x, p.from.y);
    box.Add(p.to.x, p.to.y);
    if (p.line) return;
    const double start = std::atan2(p.from.y - p.centre.y, p.from.x - p.centre.x);
    for (int quarter = 0; quarter < 4; ++quarter) {
        const double direction = quarter * std::numbers::pi / 2;
        // How far the arc turns from its start to this direction, in its own sense.
        double turn = std::remainder(direction - start, 2 * std::numbers::pi);
        if (p.sweep > 0 && turn < 0) turn += 2 * std::numbers::pi;
        if (p.sweep < 0 && turn > 0) turn -= 2 * std::numbers::pi;
        if (std::fabs(turn) <= std::fabs(p.sweep)) {
            box.Add(p.centre.x + p.radius * std::cos(direction), p.centre.y + p.radius * std::sin(direction));
        }
    }
}

// The farthest any piece reaches from the cam centre.
double Reach(const std::vector<arcs::Piece>& path) {
    Box box;
    double reach = 0;
    for (const arcs::Piece& p : path) {
        reach = std::max({reach, std::hypot(p.from.x, p.from.y), std::hypot(p.to.x, p.to.y)});
        if (p.line) continue;
        // The arc's point farthest from the centre, where the arc passes it.
        const double away = std::atan2(p.centre.y, p.centre.x);
        const double start = std::atan2(p.from.y - p.centre.y, p.from.x - p.centre.x);
        double turn = std::remainder(away - start, 2 * std::numbers::pi);
        if (p.sweep > 0 && turn < 0) turn += 2 * std::numbers::pi;
        if (p.sweep < 0 && turn > 0) turn -= 2 * std::numbers::pi;
        if (std::fabs(turn) <= std::fabs(p.sweep)) reach = std::max(reach, std::hypot(p.centre.x, p.centre.y) + p.radius);
    }
    return reach;
}

struct PlacedText {
    double x, y, height;
    EncodedText text;
    bool centred;
};

void WriteTables(Writer& w, const Box& view, double textHeight, bool toolPath) {
    w.Pair("  0", "SECTION");
    w.Pair("  2", "TABLES");

    // The view a reader opens on: the whole drawing.
    const double width = view.maxX - view.minX;
    const double height = view.maxY - view.minY;
    w.Pair("  0", "TABLE");
    w.Pair("  2", "VPORT");
    w.Pair(" 70", "1");
    w.Pair("  0", "VPORT");
    w.Pair("  2", "*ACTIVE");
    w.Pair(" 70", "0");
    w.Point(0, 0);
    w.Pair(" 11", "1");
    w.Pair(" 21", "1");
    w.Number(" 12", view.minX + width / 2);
    w.Number(" 22", view.minY + height / 2);
    w.Pair(" 13", "0");
    w.Pair(" 23", "0");
    w.Pair(" 14", "1");
    w.Pair(" 24", "1");
    w.Pair(" 15", "10");
    w.Pair(" 25", "10");
    w.Pair(" 16", "0");
    w.Pair(" 26", "0");
    w.Pair(" 36", "1");
    w.Pair(" 17", "0");
    w.Pair(" 27", "0");
    w.Pair(" 37", "0");
    w.Number(" 40", height * 1.05);
    w.Number(" 41", width / height);
    w.Pair(" 42", "50");
    w.Pair(" 43", "0");
    w.Pair(" 44", "0");
    w.Pair(" 50", "0");
    w.Pair(" 51", "0");
    w.Pair(" 71", "0");
    w.Pair(" 72", "100");
    w.Pair(" 73", "1");
    w.Pair(" 74", "1");
    w.Pair(" 75", "0");
    w.Pair(" 76", "0");
    w.Pair(" 77", "0");
    w.Pair(" 78", "0");
    w.Pair("  0", "ENDTAB");

    // A chain line for centre and pitch lines (JIS: thin one-dot chain line).
    w.Pair("  0", "TABLE");
    w.Pair("  2", "LTYPE");
    w.Pair(" 70", "2");
    w.Pair("  0", "LTYPE");
    w.Pair("  2", "CONTINUOUS");
    w.Pair(" 70", "0");
    w.Pair("  3", "Solid line");
    w.Pair(" 72", "65");
    w.Pair(" 73", "0");
    w.Pair(" 40", "0");
    w.Pair("  0", "LTYPE");
    w.Pair("  2", "CENTER");
    w.Pair(" 70", "0");
    w.Pair("  3", "Center ____ _ ____ _ ____ _ ____");
    w.Pair(" 72", "65");
    w.Pair(" 73", "4");
    w.Pair(" 40", "20");
    for (const char* element : {"12.5", "-2.5", "2.5", "-2.5"}) w.Pair(" 49", element);
    w.Pair("  0", "ENDTAB");

    struct Layer {
        std::string_view name;
        const char* colour;
        const char* lineType;
    };
    std::vector<Layer> layers = {
        {"0", "7", "CONTINUOUS"},
        {DrawingContourLayer, "7", "CONTINUOUS"},  // black on white, white on black
        {DrawingPitchLayer, "5", "CENTER"},        // blue
        {DrawingCenterLayer, "1", "CENTER"},       // red
        {DrawingTextLayer, "7", "CONTINUOUS"},
    };
    if (toolPath) layers.push_back({DrawingToolPathLayer, "3", "CONTINUOUS"});  // green
    w.Pair("  0", "TABLE");
    w.Pair("  2", "LAYER");
    w.Pair(" 70", std::to_string(layers.size()));
    for (const Layer& layer : layers) {
        w.Pair("  0", "LAYER");
        w.Pair("  2", layer.name);
        w.Pair(" 70", "0");
        w.Pair(" 62", layer.colour);
        w.Pair("  6", layer.lineType);
    }
    w.Pair("  0", "ENDTAB");

    // STANDARD too, which readers expect to find.
    w.Pair("  0", "TABLE");
    w.Pair("  2", "STYLE");
    w.Pair(" 70", "2");
    for (const std::string_view style : {std::string_view("STANDARD"), TextStyle}) {
        w.Pair("  0", "STYLE");
        w.Pair("  2", style);
        w.Pair(" 70", "0");
        w.Pair(" 40", "0");
        w.Pair(" 41", "1");
        w.Pair(" 50", "0");
        w.Pair(" 71", "0");
        w.Number(" 42", textHeight);
        w.Pair("  3", TextFont);
        w.Pair("  4", TextBigFont);
    }
    w.Pair("  0", "ENDTAB");
    w.Pair("  0", "ENDSEC");
}

}  // namespace

std::string BuildWorkshopDrawing(const WorkshopDrawing& drawing) {
    if (drawing.contour.empty()) throw std::invalid_argument("workshop drawing: no contour");
    CheckPath(drawing.contour, drawing.toolPath ? "tool path" : "contour");
    CheckPath(drawing.pitch, "pitch curve");
    if (drawing.boreDiameter) CheckFinite(*drawing.boreDiameter);
    if (drawing.boreDiameter && !(*drawing.boreDiameter > 0)) {
        throw std::invalid_argument("workshop drawing: bore diameter not positive");
    }

    // The radius everything else is placed around: the farthest point drawn.
    double reach = std::max(Reach(drawing.contour), Reach(drawing.pitch));
    if (drawing.boreDiameter) reach = std::max(reach, *drawing.boreDiameter / 2);
    if (!std::isfinite(reach)) ThrowOverflow();

    // Texts of 3.5 mm at 1:1 (ISO 3098), larger on large cams so that they stay legible
    // when the whole cam is on screen; in steps of 0.5 mm.
    const double h = std::max(3.5, std::ceil(reach / 20 * 2) / 2);
    const double overshoot = h;  // centre lines run this far beyond the contour
    const double axis = reach + overshoot;

    ShiftJis shiftJis;
    std::vector<PlacedText> texts;
    // 0° above the centre: a short mark beyond the centre line, the text above it.
    const double markFrom = axis + h / 2;
    const double markTo = markFrom + 2 * h;
    texts.push_back({0, markTo + h / 2, h, {"0%%d", 2 * NarrowAdvance}, true});

    // The cam's turn: an arrow on a ring outside the cam at the upper left, pointing
    // counter-clockwise, and its word beyond the arrow's head.
    const double ring = axis - h / 2;
    const double arrowFrom = 100, arrowTo = 140;  // DXF's degrees, counter-clockwise from +x
    struct Segment {
        double x1, y1, x2, y2;
    };
    std::vector<Segment> arrowHead;
    if (!drawing.rotation.empty()) {
        const double tip = arrowTo * std::numbers::pi / 180;
        const double tx = ring * std::cos(tip), ty = ring * std::sin(tip);
        // The direction of travel at the tip (counter-clockwise), and across it.
        const double ax = -std::sin(tip), ay = std::cos(tip);
        for (const double side : {-1.0, 1.0}) {
            arrowHead.push_back({tx, ty, tx - 1.5 * h * ax + side * 0.6 * h * ay, ty - 1.5 * h * ay - side * 0.6 * h * ax});
        }
        const double word = (arrowTo + 8) * std::numbers::pi / 180;
        EncodedText text = EncodeText(shiftJis, drawing.rotation);
        texts.push_back({ring * std::cos(word) - text.advance * h, ring * std::sin(word), h, std::move(text), false});
    }

    // Below the cam, left-aligned under its left edge: the name, the notes, the title texts.
    std::vector<std::pair<EncodedText, double>> lines;
    if (!drawing.designName.empty()) {
        lines.push_back({EncodeText(shiftJis, drawing.designName), h * 10 / 7});
    }
    for (const std::string& note : drawing.notes) lines.push_back({EncodeText(shiftJis, note), h});
    for (const auto& [label, value] : drawing.titleBlock) {
        if (label.empty() && value.empty()) continue;
        const std::string text = value.empty()   ? label
                                 : label.empty() ? value
                                                 : label + ": " + value;
        lines.push_back({EncodeText(shiftJis, text), h});
    }
    double baseline = -axis;
    for (auto& [text, height] : lines) {
        baseline -= height * 1.6;
        texts.push_back({-axis, baseline, height, std::move(text), false});
    }

    Box box;
    for (const auto* path : {&drawing.contour, &drawing.pitch}) {
        for (const arcs::Piece& p : *path) AddPiece(box, p);
    }
    box.Add(-axis, -axis);
    box.Add(axis, axis);
    box.Add(0, markTo);
    for (const Segment& l : arrowHead) box.Add(l.x2, l.y2);
    for (const PlacedText& t : texts) {
        const double width = t.text.advance * t.height;
        const double left = t.centred ? t.x - width / 2 : t.x;
        box.Add(left, t.y - TextDescent * t.height);
        box.Add(left + width, t.y + TextAscent * t.height);
    }
    for (double v : {box.minX, box.minY, box.maxX, box.maxY}) {
        if (!std::isfinite(v)) ThrowOverflow();
    }

    Writer w;
    w.Pair("  0", "SECTION");
    w.Pair("  2", "HEADER");
    w.Pair("  9", "$ACADVER");
    w.Pair("  1", "AC1009");
    w.Pair("  9", "$DWGCODEPAGE");
    w.Pair("  3", "ANSI_932");
    w.Pair("  9", "$INSBASE");
    w.Point(0, 0);
    w.Pair(" 30", "0");
    // Extents are 3D points, limits 2D; both the box of everything drawn.
    const auto corner = [&w](const char* name, double x, double y, bool is3d) {
        w.Pair("  9", name);
        w.Point(x, y);
        if (is3d) w.Pair(" 30", "0");
    };
    corner("$EXTMIN", box.minX, box.minY, true);
    corner("$EXTMAX", box.maxX, box.maxY, true);
    corner("$LIMMIN", box.minX, box.minY, false);
    corner("$LIMMAX", box.maxX, box.maxY, false);
    w.Pair("  9", "$LTSCALE");
    w.Pair(" 40", "1");
    w.Pair("  9", "$TEXTSTYLE");
    w.Pair("  7", TextStyle);
    w.Pair("  9", "$TEXTSIZE");
    w.Number(" 40", h);
    w.Pair("  0", "ENDSEC");

    WriteTables(w, box, h, drawing.toolPath);
    w.Pair("  0", "SECTION");
    w.Pair("  2", "BLOCKS");
    w.Pair("  0", "ENDSEC");

    w.Pair("  0", "SECTION");
    w.Pair("  2", "ENTITIES");
    const std::string_view contourLayer = drawing.toolPath ? DrawingToolPathLayer : DrawingContourLayer;
    for (const arcs::Piece& p : drawing.contour) w.Piece(contourLayer, p);
    if (drawing.boreDiameter) w.Circle(DrawingContourLayer, 0, 0, *drawing.boreDiameter / 2);
    for (const arcs::Piece& p : drawing.pitch) w.Piece(DrawingPitchLayer, p);
    w.Line(DrawingCenterLayer, -axis, 0, axis, 0);
    w.Line(DrawingCenterLayer, 0, -axis, 0, axis);
    w.Line(DrawingCenterLayer, 0, markFrom, 0, markTo, "CONTINUOUS");
    if (!drawing.rotation.empty()) {
        w.Arc(DrawingTextLayer, 0, 0, ring, arrowFrom, arrowTo);
        for (const Segment& l : arrowHead) w.Line(DrawingTextLayer, l.x1, l.y1, l.x2, l.y2);
    }
    for (const PlacedText& t : texts) w.Text(t.x, t.y, t.height, t.text.bytes, t.centred);
    w.Pair("  0", "ENDSEC");
    w.Pair("  0", "EOF");
    return w.Take();
}

}  // namespace platecam
