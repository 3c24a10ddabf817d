#include "files/dxf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/errors.h"
#include "base/number_text.h"
#include "model/profile.h"
#include "tests/files/temp_dir.h"
#include "tests/model/design_fixtures.h"

namespace platecam {
namespace {

std::unique_ptr<CamDesign> ComputedDefault(int S) {
    auto design = testing::DefaultDesign(S, 0);
    ComputePitchCurve(*design);
    ComputeCamProfile(*design);
    return design;
}

struct Arc {
    std::string radius, start, end;
    bool operator==(const Arc&) const = default;
};

std::vector<Arc> ArcsOf(const DxfLines& lines) {
    std::vector<Arc> arcs;
    for (std::size_t i = DxfHeaderLineCount; i + 1 < lines.size(); i += 1) {
        if (lines[i] == "  0" && lines[i + 1] == "ARC") {
            EXPECT_EQ(lines[i + 9], "0");
            EXPECT_EQ(lines[i + 11], "0");
            arcs.push_back({std::string(lines[i + 13]), std::string(lines[i + 15]),
                            std::string(lines[i + 17])});
        }
    }
    return arcs;
}

std::size_t CountEntities(const DxfLines& lines, std::string_view kind) {
    std::size_t n = 0;
    for (std::size_t i = DxfHeaderLineCount; i + 1 < lines.size(); ++i) {
        n += lines[i] == "  0" && lines[i + 1] == kind;
    }
    return n;
}

TEST(DxfHeader, FixedTemplateWithItsOddCodeWidths) {
    DxfLines lines;
    lines.Append("stale");
    WriteDxfHeader(lines);
    ASSERT_EQ(lines.size(), 590u);
    EXPECT_EQ(lines[0], "  0");
    EXPECT_EQ(lines[1], "SECTION");
    EXPECT_EQ(lines[7], "AC1009");
    EXPECT_EQ(lines[26], " 20");
    EXPECT_EQ(lines[27], "594");
    EXPECT_EQ(lines[55], "     9");
    EXPECT_EQ(lines[59], "CONTINUOUS");
    EXPECT_EQ(lines[63], "実線");
    EXPECT_EQ(lines[581], "ENDTAB");
    EXPECT_EQ(lines[580], " 0") << "the LAYER table's two-character code";
    EXPECT_EQ(lines[576], " 62") << "inside the LAYER table the colour code has three";
    EXPECT_EQ(lines[589], "ENDSEC");
    EXPECT_EQ(lines[587], "BLOCKS");
    // Every LTYPE description and element, in order, for the twenty entries.
    std::ostringstream ltypes;
    for (std::size_t i = 0; i + 1 < 590; i += 2) {
        if (lines[i] == "  3" || lines[i] == " 49" || (lines[i] == "  2" && i < 480)) {
            ltypes << lines[i + 1] << "|";
        }
    }
    EXPECT_EQ(ltypes.str(),
              "HEADER|TABLES|LTYPE|CONTINUOUS|実線|DASHED1|--  --  --  --  --  --  --  -- |1.25|-1.25|"
              "DASHED2|----    ----    ----    ----    |2.5|-2.5|"
              "DASHED3|------  ------  ------  -----   |3.75|-1.25|"
              "CENTER1|----- - ----- - ----- - ----- - |6.25|-1.25|1.25|-1.25|"
              "CENTER2|----------  --  ----------  --  |12.5|-2.5|2.5|-2.5|"
              "PHANTOM1|--- - - --- - - --- - - --- - - |3.25|-1.25|1.25|-1.25|1.25|-1.25|"
              "PHANTOM2|--------  -  -  --------  -  -  |10.0|-2.5|1.25|-2.5|1.25|-2.5|"
              "DOT|-   -   -   -   -   -   -   -   |0.625|-1.875|DUMMY|ダミー|"
              "RAND1|----- - ----- - ----- - ----- - |6.25|-1.25|1.25|-1.25|"
              "RAND2|----------  --  ----------  --  |12.5|-2.5|2.5|-2.5|"
              "RAND3|--- - - --- - - --- - - --- - - |3.25|-1.25|1.25|-1.25|1.25|-1.25|"
              "RAND4|--------  -  -  --------  -  -  |10.0|-2.5|1.25|-2.5|1.25|-2.5|"
              "RAND5|----- - ----- - ----- - ----- - |6.25|-1.25|1.25|-1.25|"
              "LONG1|----------  --  ----------  --  |12.5|-2.5|2.5|-2.5|"
              "LONG2|--- - - --- - - --- - - --- - - |3.25|-1.25|1.25|-1.25|1.25|-1.25|"
              "LONG3|--------  -  -  --------  -  -  |10.0|-2.5|1.25|-2.5|1.25|-2.5|"
              "LONG4|----- - ----- - ----- - ----- -|6.25|-1.25|1.25|-1.25|"
              "LONG5|----------  --  ----------  --|12.5|-2.5|2.5|-2.5|"
              "txt|txt|");
}

TEST(DxfExport, DefaultDesignArcsAndLines) {
    for (int S : {1, 2, 5}) {
        auto design = ComputedDefault(S);
        DxfLines lines;
        BuildDxf(lines, *design, false);
        EXPECT_EQ(ArcsOf(lines), (std::vector<Arc>{{"45", "60", "90"},
                                                   {"55", "340", "360"},
                                                   {"65", "270", "280"},
                                                   {"45", "90", "190"}}));
        EXPECT_EQ(CountEntities(lines, "LINE"), 200u * S);
        EXPECT_EQ(lines.size(), 590u + 4 + 4 * 18 + 200u * S * 16 + 4);
        EXPECT_EQ(lines[lines.size() - 1], "EOF");
        EXPECT_EQ(lines[lines.size() - 3], "ENDSEC");

        BuildDxf(lines, *design, true);
        EXPECT_EQ(CountEntities(lines, "POINT"), 200u * S);
        EXPECT_EQ(CountEntities(lines, "LINE"), 0u) << "a second export replaces the text";
    }
    auto design = ComputedDefault(1);
    DxfLines lines;
    BuildDxf(lines, *design, false);
    EXPECT_EQ(lines.size(), 3870u);
    // The first line of the first rise starts at the dwell's end, on the arc of 45.
    std::size_t first = 0;
    while (lines[first] != "LINE") ++first;
    EXPECT_EQ(lines[first + 5], "  62");
    EXPECT_EQ(lines[first + 7], " 10");
    EXPECT_EQ(lines[first + 8], FormatNumber(design->CamProfile[30].x));
    EXPECT_EQ(lines[first + 8], "22.5");
}

TEST(DxfExport, EmptyTableZeroDesignAndDwellCases) {
    auto design = testing::MakeDesign({{360, 0}});
    DxfLines lines;
    BuildDxf(lines, *design, false);
    ASSERT_EQ(lines.size(), 598u);
    EXPECT_EQ(lines[590], "  0");
    EXPECT_EQ(lines[591], "SECTION");
    EXPECT_EQ(lines[593], "ENTITIES");
    EXPECT_EQ(lines[595], "ENDSEC");
    EXPECT_EQ(lines[597], "EOF");

    auto zero = std::make_unique<CamDesign>();
    zero->StepsPerDegree = 1;
    BuildDxf(lines, *zero, false);
    EXPECT_EQ(ArcsOf(lines), std::vector<Arc>(19, Arc{"0", "90", "90"}));

    auto arcs = [&](std::initializer_list<std::pair<int, double>> rows) {
        auto d = testing::MakeDesign(rows, 45);
        BuildDxf(lines, *d, false);
        return ArcsOf(lines);
    };
    EXPECT_EQ(arcs({{30, 10}, {110, 10}, {360, 0}}),
              (std::vector<Arc>{{"55", "0", "60"}, {"55", "340", "360"}}));
    EXPECT_EQ(arcs({{60, 5}, {30, 5}, {360, 0}}), (std::vector<Arc>{{"50", "60", "30"}}));
    EXPECT_EQ(arcs({{200, 5}, {100, 5}, {360, 0}}), (std::vector<Arc>{{"50", "350", "250"}}));
    EXPECT_EQ(arcs({{90, 10}, {90, 10}, {360, 0}}), (std::vector<Arc>{{"55", "0", "0"}}));
}

TEST(DxfExport, PointModeAndRefusedAngles) {
    auto design = testing::MakeDesign({{0, 0}, {10, 5}, {20, 0}, {360, 0}}, 45, 10, 2);
    BuildDisplacement(*design, 0);
    ComputePitchCurve(*design);
    ComputeCamProfile(*design);
    DxfLines lines;
    BuildDxf(lines, *design, true);
    EXPECT_EQ(CountEntities(lines, "POINT"), 40u) << "(b - a) x S points a segment";

    design->MotionTable[1].Angle = 400;  // would fit the arrays at 1 degree
    lines.Clear();
    lines.Append("kept");
    EXPECT_THROW(BuildDxf(lines, *design, false), CamError);
    ASSERT_EQ(lines.size(), 1u) << "refused before the list is touched";
}

TEST(DxfFile, ShiftJisCrLfAndTheGoldenDrawing) {
    auto design = ComputedDefault(1);
    DxfLines lines;
    BuildDxf(lines, *design, false);
    const std::string bytes = EncodeDxf(lines);
    EXPECT_NE(bytes.find("\x8E\xC0\x90\xFC\r\n"), std::string::npos) << "実線";
    EXPECT_NE(bytes.find("\x83\x5F\x83\x7E\x81\x5B\r\n"), std::string::npos) << "ダミー";
    EXPECT_EQ(bytes.substr(0, 14), "  0\r\nSECTION\r\n");
    EXPECT_EQ(bytes.substr(bytes.size() - 5), "EOF\r\n");
    EXPECT_EQ(bytes.find("\n\n"), std::string::npos);

    const std::string golden = std::string(PLATECAM_TEST_DATA) + "/cam_default_1deg.dxf";
    if (std::getenv("PLATECAM_UPDATE_GOLDEN")) std::ofstream(golden, std::ios::binary) << bytes;
    std::ifstream in(golden, std::ios::binary);
    ASSERT_TRUE(in) << golden;
    const std::string expected((std::istreambuf_iterator<char>(in)), {});
    EXPECT_TRUE(expected == bytes) << "the default drawing changed";

    testing::TempDir dir;
    WriteDxfFile(dir.path("cam.dxf"), lines);
    EXPECT_EQ(ReadWholeFile(dir.path("cam.dxf"), 1 << 24), bytes);
    const ByteWriter full = [](int, const char*, std::size_t) { return -1L; };
    EXPECT_THROW(WriteDxfFile(dir.path("cam.dxf"), lines, full), CamError);
    EXPECT_EQ(ReadWholeFile(dir.path("cam.dxf"), 1 << 24), bytes);
    // A folder that does not exist, and a path that runs through a regular file.
    for (const std::string& bad : {dir.path("none/cam.dxf"), dir.path("cam.dxf/inner.dxf")}) {
        try {
            WriteDxfFile(bad, lines);
            ADD_FAILURE() << bad;
        } catch (const CamError& e) {
            EXPECT_EQ(e.message(), "ファイル " + bad + " を作成できません");
        }
    }
    EXPECT_EQ(ReadWholeFile(dir.path("cam.dxf"), 1 << 24), bytes);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"cam.dxf"});
}

}  // namespace
}  // namespace platecam
