#include "files/drawing.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale>
#include <map>
#include <numbers>
#include <stdexcept>

#include "base/errors.h"
#include "tests/files/temp_dir.h"

namespace platecam {
namespace {

struct Entity {
    std::string type;
    std::map<int, std::string> groups;  // VERTEX and SEQEND are entities of their own
    std::string operator[](int code) const { return groups.contains(code) ? groups.at(code) : ""; }
};

struct Parsed {
    std::map<std::string, std::map<int, std::string>> header;  // $NAME -> its groups
    std::vector<std::string> layers;
    std::vector<Entity> entities;
};

// Reads the group pairs; every line must end in CR LF and no value may hold a line break.
Parsed Parse(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::size_t from = 0, end; from < bytes.size(); from = end + 2) {
        end = bytes.find("\r\n", from);
        lines.push_back(bytes.substr(from, end - from));
        if (end == std::string::npos || lines.back().find_first_of("\r\n") != std::string::npos) {
            throw std::runtime_error("a line break other than CR LF");
        }
    }
    Parsed p;
    std::string section, variable;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        const int code = std::stoi(lines[i]);
        const std::string& value = lines[i + 1];
        if (code == 0 && (value == "SECTION" || value == "ENDSEC")) {
            section = value == "SECTION" ? lines[i + 3] : "";
        } else if (section == "HEADER") {
            if (code == 9) variable = value;
            p.header[variable][code] = value;
        } else if (section == "TABLES" && code == 2 && lines[i - 1] == "LAYER") {
            p.layers.push_back(value);
        } else if (section == "ENTITIES" && code == 0) {
            p.entities.push_back({value, {}});
        } else if (section == "ENTITIES" && code != 2) {
            p.entities.back().groups[code] = value;
        }
    }
    return p;
}

// A circle as `n` arcs running clockwise from its top, as a cam's contour runs; n = 1 is
// the whole circle in one.
std::vector<arcs::Piece> Circle(double cx, double cy, double r, int n) {
    std::vector<arcs::Piece> pieces;
    auto at = [&](int k) {
        const double a = 2 * std::numbers::pi * k / n;
        return arcs::Point{cx + r * std::sin(a), cy + r * std::cos(a)};
    };
    for (int k = 0; k < n; ++k) {
        arcs::Piece p;
        p.from = at(k);
        p.to = k + 1 == n ? at(0) : at(k + 1);
        p.centre = {cx, cy};
        p.radius = r;
        p.sweep = -2 * std::numbers::pi / n;
        pieces.push_back(p);
    }
    return pieces;
}

WorkshopDrawing Sample() {
    WorkshopDrawing d;
    d.designName = "板カム";
    d.contour = Circle(3.25, -1.5, 41.123456789012345, 8);
    d.pitch = Circle(3.25, -1.5, 47.5, 1);
    d.notes = {"SCALE 1:1", "BASE RADIUS 40"};
    d.boreDiameter = 12.7;
    d.titleBlock = {{"日付", "2024-05-01"}, {"", ""}, {"rev", ""}};
    return d;
}

// The texts in their order: "0°", then the design name when there is one.
std::vector<std::string> Texts(const Parsed& p) {
    std::vector<std::string> texts;
    for (const Entity& e : p.entities)
        if (e.type == "TEXT") texts.push_back(e[1]);
    return texts;
}

const Entity* TextOn(const Parsed& p, std::string_view prefix) {
    for (const Entity& e : p.entities)
        if (e.type == "TEXT" && e[1].starts_with(prefix)) return &e;
    return nullptr;
}

TEST(WorkshopDrawing, LayersEntitiesAndExtentsHoldEverythingDrawn) {
    WorkshopDrawing d = Sample();
    d.rotation = "回転";
    // A straight piece among the arcs: the last arc ends at the middle of a chord instead.
    arcs::Piece& last = d.contour.back();
    const arcs::Point end = last.to;
    last.to = {(last.from.x + end.x) / 2, (last.from.y + end.y) / 2};
    last.line = true;
    arcs::Piece line = last;
    line.from = last.to;
    line.to = end;
    d.contour.push_back(line);
    Parsed p = Parse(BuildWorkshopDrawing(d));
    EXPECT_EQ(p.header["$ACADVER"][1], "AC1009");
    EXPECT_EQ(p.header["$DWGCODEPAGE"][3], "ANSI_932");
    EXPECT_EQ(p.layers, (std::vector<std::string>{"0", "CONTOUR", "PITCH", "CENTER", "TEXT"}));

    std::map<std::string, int> count;  // "TYPE@LAYER"
    for (const Entity& e : p.entities) ++count[e.type + "@" + e[8]];
    EXPECT_EQ(count, (std::map<std::string, int>{{"ARC@CONTOUR", 7},
                                                 {"LINE@CONTOUR", 2},
                                                 {"CIRCLE@CONTOUR", 1},
                                                 {"CIRCLE@PITCH", 1},
                                                 {"LINE@CENTER", 3},
                                                 {"ARC@TEXT", 1},
                                                 {"LINE@TEXT", 2},
                                                 {"TEXT@TEXT", 7}}));

    const double minX = std::stod(p.header["$EXTMIN"][10]),
                 minY = std::stod(p.header["$EXTMIN"][20]);
    const double maxX = std::stod(p.header["$EXTMAX"][10]),
                 maxY = std::stod(p.header["$EXTMAX"][20]);
    std::size_t piece = 0;
    for (const Entity& e : p.entities) {
        for (const auto& [x, y] : {std::pair{e[10], e[20]}, {e[11], e[21]}}) {
            if (x.empty()) continue;
            EXPECT_TRUE(std::stod(x) >= minX && std::stod(x) <= maxX && std::stod(y) >= minY &&
                        std::stod(y) <= maxY)
                << e.type << " at " << x << ", " << y;
        }
        if (e[8] != "CONTOUR" || e.type == "CIRCLE") continue;
        // The pieces in their order, their ends where the pieces end (15 significant
        // digits): an arc runs counter-clockwise from its start angle, so a clockwise piece
        // starts at its end.
        const arcs::Piece& q = d.contour[piece++];
        if (e.type == "ARC") {
            const double cx = std::stod(e[10]), cy = std::stod(e[20]), r = std::stod(e[40]);
            const double a0 = std::stod(e[50]) * std::numbers::pi / 180, a1 = std::stod(e[51]) * std::numbers::pi / 180;
            EXPECT_NEAR(cx + r * std::cos(a0), q.to.x, 1e-12 * 50);
            EXPECT_NEAR(cy + r * std::sin(a0), q.to.y, 1e-12 * 50);
            EXPECT_NEAR(cx + r * std::cos(a1), q.from.x, 1e-12 * 50);
            EXPECT_NEAR(cy + r * std::sin(a1), q.from.y, 1e-12 * 50);
        } else {
            EXPECT_NEAR(std::stod(e[10]), q.from.x, 1e-13 * 50);
            EXPECT_NEAR(std::stod(e[21]), q.to.y, 1e-13 * 50);
        }
    }
    EXPECT_EQ(piece, d.contour.size());
    // The extents fit: the centre lines reach 3.5 mm (one text height) past the pitch
    // circle's farthest point, which no piece's end lies on; on the left the word of the
    // turn reaches farther.
    const double reach = std::hypot(3.25, 1.5) + 47.5;
    EXPECT_NEAR(maxX, reach + 3.5, 1e-9);
    EXPECT_LT(minX, -reach - 3.5);
    // Every text in the one style, which names the Japanese big font.
    for (const Entity& e : p.entities) {
        if (e.type == "TEXT") {
            EXPECT_EQ(e[7], "KST32B");
        }
    }
}

TEST(WorkshopDrawing, TextsInShiftJisWithoutControlCodes) {
    struct Case {
        const char* name;
        std::string written;
    };
    const Case cases[] = {
        {"板カム", "\x94\xc2\x83\x4a\x83\x80"},
        {"cam\r\nA\tB", "cam  A B"},  // line breaks would break the file
        {"a^Jb",
         "a\x81\x4f"
         "Jb"},  // "^J" is a line break to readers
        {"50% 1%%d",
         "50% 1%\x81\x93"
         "d"},                                 // "%%d" is a degree sign to readers
        {"x\xF0\x9F\x98\x80y\xFFz", "x?y?z"},  // no Shift_JIS code; broken UTF-8
        {"caf\xC3\xA9\xC2\x85", "caf? "},      // é has no code; U+0085 is a control
    };
    for (const Case& c : cases) {
        WorkshopDrawing d = Sample();
        d.designName = c.name;
        EXPECT_EQ(Texts(Parse(BuildWorkshopDrawing(d)))[1], c.written) << c.name;
    }
    // R12 values stop at 255 bytes, never inside a character; the date is Shift_JIS too.
    WorkshopDrawing d = Sample();
    d.designName.clear();
    for (int i = 0; i < 200; ++i) d.designName += "板";
    const Parsed p = Parse(BuildWorkshopDrawing(d));
    EXPECT_EQ(Texts(p)[1].size(), 254u);
    EXPECT_NE(TextOn(p, "\x93\xfa\x95\x74: 2024-05-01"), nullptr);
    EXPECT_NE(TextOn(p, "rev"), nullptr);
    EXPECT_EQ(TextOn(p, ":"), nullptr);  // the empty pair is left out
}

struct CommaDecimals : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(WorkshopDrawing, BytesDoNotDependOnTheProcessLocale) {
    const std::string plain = BuildWorkshopDrawing(Sample());
    ASSERT_NE(plain.find("\r\n6.35\r\n"), std::string::npos);  // the bore's radius

    // A German locale (decimal comma) for the C library, built here from glibc's sources.
    testing::TempDir dir;
    ASSERT_EQ(
        std::system(
            ("localedef -i de_DE -f UTF-8 " + dir.path("de_DE.UTF-8") + " 2>/dev/null").c_str()),
        0);
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const char* oldPath = std::getenv("LOCPATH");
    const std::string savedPath = oldPath ? oldPath : "";
    setenv("LOCPATH", dir.path("").c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    const std::locale savedGlobal =
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.2f", 6.35);
    const std::string german = BuildWorkshopDrawing(Sample());
    std::locale::global(savedGlobal);
    std::setlocale(LC_ALL, saved.c_str());
    oldPath ? setenv("LOCPATH", savedPath.c_str(), 1) : unsetenv("LOCPATH");

    EXPECT_STREQ(probe, "6,35");  // the locale was in force
    EXPECT_TRUE(german == plain);
}

TEST(WorkshopDrawing, RefusesWhatCannotBeDrawn) {
    const std::string invalid = Message(msg::InvalidOperation);
    struct Case {
        const char* what;
        void (*spoil)(WorkshopDrawing&);
        std::string message;  // CamError's text; empty: std::invalid_argument
    };
    const Case cases[] = {
        {"NaN contour point", [](WorkshopDrawing& d) { d.contour[5].to.y = std::nan(""); }, invalid},
        {"infinite pitch radius", [](WorkshopDrawing& d) { d.pitch[0].radius = INFINITY; }, invalid},
        {"NaN bore", [](WorkshopDrawing& d) { d.boreDiameter = std::nan(""); }, invalid},
        {"overflowing reach",
         [](WorkshopDrawing& d) {
             d.contour[0].to = d.contour[1].from = {1.5e308, 1.5e308};
         },
         Message(msg::Overflow)},
        {"no contour", [](WorkshopDrawing& d) { d.contour.clear(); }, ""},
        {"an open contour", [](WorkshopDrawing& d) { d.contour.pop_back(); }, ""},
        {"zero bore", [](WorkshopDrawing& d) { d.boreDiameter = 0.0; }, ""},
    };
    for (const Case& c : cases) {
        WorkshopDrawing d = Sample();
        c.spoil(d);
        if (c.message.empty()) {
            EXPECT_THROW(BuildWorkshopDrawing(d), std::invalid_argument) << c.what;
            continue;
        }
        try {
            BuildWorkshopDrawing(d);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const CamError& e) {
            EXPECT_EQ(e.message(), c.message) << c.what;
        }
    }
}

}  // namespace
}  // namespace platecam
