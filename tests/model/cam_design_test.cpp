#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "model/cam_design.h"
#include "base/errors.h"
#include "model/pressure.h"
#include "model/profile.h"
#include "tests/model/design_fixtures.h"

namespace platecam {
namespace {

using testing::DefaultTexts;

TEST(LoadDesignFromTexts, DefaultTextsFillTableAndRadiusCopies) {
    auto design = std::make_unique<CamDesign>();
    design->MotionTable[BaseRadiusSlot].Angle = 5;
    LoadDesignFromTexts(*design, DefaultTexts(), '.');
    EXPECT_EQ(design->BaseRadius, 45.0);
    EXPECT_EQ(design->RollerRadius, 10.0);
    EXPECT_EQ(+design->MotionTable[BaseRadiusSlot].Value, 45.0);
    EXPECT_EQ(+design->MotionTable[RollerRadiusSlot].Value, 10.0);
    EXPECT_EQ(+design->MotionTable[BaseRadiusSlot].Angle, 5) << "the load never touches it";
    EXPECT_EQ(+design->MotionTable[6].Angle, 260);
    EXPECT_EQ(+design->MotionTable[4].Value, 20.0);
    // Bytes 244..251 of the table are the IEEE encoding of 45.0.
    double stored;
    std::memcpy(&stored, reinterpret_cast<const unsigned char*>(design->MotionTable.data()) + 244, 8);
    EXPECT_EQ(stored, 45.0);
}

TEST(LoadDesignFromTexts, FailuresKeepEarlierAssignmentsAndTheFailingField) {
    auto design = std::make_unique<CamDesign>();
    design->MotionTable[3] = MotionRecord{7, 7.5};
    DesignTexts texts = DefaultTexts();
    texts.ValueTexts[3] = "7mm";
    EXPECT_EQ(testing::MessageOf([&] { LoadDesignFromTexts(*design, texts, '.'); }),
              "'7mm' は浮動小数点数ではありません");
    EXPECT_EQ(+design->MotionTable[3].Angle, 110) << "the row's angle is new";
    EXPECT_EQ(+design->MotionTable[3].Value, 7.5) << "the failing value is old";
    EXPECT_EQ(+design->MotionTable[2].Value, 10.0);

    auto other = std::make_unique<CamDesign>();
    other->MotionTable[BaseRadiusSlot].Value = 1;
    texts = DefaultTexts();
    texts.RollerRadiusText = "abc";
    EXPECT_EQ(testing::MessageOf([&] { LoadDesignFromTexts(*other, texts, '.'); }),
              "'abc' は浮動小数点数ではありません");
    EXPECT_EQ(other->BaseRadius, 45.0);
    EXPECT_EQ(+other->MotionTable[BaseRadiusSlot].Value, 1.0) << "copies come after both radii";

    texts = DefaultTexts();
    texts.AngleTexts[0] = "12.5";
    EXPECT_EQ(testing::MessageOf([&] { LoadDesignFromTexts(*other, texts, '.'); }),
              "'12.5' は整数ではありません");
    texts.AngleTexts[0] = "";
    EXPECT_EQ(testing::MessageOf([&] { LoadDesignFromTexts(*other, texts, '.'); }), "'' は整数ではありません");
}

TEST(LoadDesignFromTexts, OverflowLeavesTheFieldUnchanged) {
    auto design = std::make_unique<CamDesign>();
    design->BaseRadius = 3;
    DesignTexts texts = DefaultTexts();
    texts.BaseRadiusText = "1e400";
    EXPECT_EQ(testing::MessageOf([&] { LoadDesignFromTexts(*design, texts, '.'); }),
              "浮動小数点数のオーバーフロー");
    EXPECT_EQ(design->BaseRadius, 3.0);
}

TEST(ParseDecimal, AcceptsTheWholeTextGrammarOnly) {
    EXPECT_EQ(ParseDecimal("  12.5  ", '.'), 12.5);
    EXPECT_EQ(ParseDecimal("-3", '.'), -3.0);
    EXPECT_EQ(ParseDecimal("+2.5e1", '.'), 25.0);
    EXPECT_EQ(ParseDecimal("1E-2", '.'), 0.01);
    EXPECT_EQ(ParseDecimal(".5", '.'), 0.5);
    EXPECT_EQ(ParseDecimal("12,5", ','), 12.5) << "the user's decimal separator";
    EXPECT_EQ(ParseDecimal("1e-400", '.'), 0.0) << "underflow is silent";
    EXPECT_GT(ParseDecimal("4e-320", '.'), 0.0) << "subnormals are kept";
    for (const char* bad : {"", " ", "7mm", "1e", "--1", "1.2.3", "12,5", "\t1", "0x10", "e5", "."}) {
        EXPECT_EQ(testing::MessageOf([&] { ParseDecimal(bad, '.'); }),
                  std::string("'") + bad + "' は浮動小数点数ではありません")
            << bad;
    }
}

TEST(ParseInteger, DecimalAndHexadecimalWithin32Bits) {
    EXPECT_EQ(ParseInteger("  30"), 30);
    EXPECT_EQ(ParseInteger("-30"), -30);
    EXPECT_EQ(ParseInteger("+7"), 7);
    EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseInteger("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ParseInteger("$10"), 16);
    EXPECT_EQ(ParseInteger("x1F"), 31);
    EXPECT_EQ(ParseInteger("X1f"), 31);
    EXPECT_EQ(ParseInteger("0x168"), 360);
    EXPECT_EQ(ParseInteger("0XFFFFFFFF"), -1);
    for (const char* bad : {"", "2147483648", "-2147483649", "30 ", "12.5", "0x", "$", "$100000000",
                            "-$10", "1e3", "abc", "+"}) {
        EXPECT_EQ(testing::MessageOf([&] { ParseInteger(bad); }),
                  std::string("'") + bad + "' は整数ではありません")
            << bad;
    }
}

TEST(ScanMaxDisplacement, LargestRowValueNeverBelowZero) {
    auto design = testing::MakeDesign({{0, 0}, {30, 0}, {90, 10}, {110, 10}, {170, 20}, {180, 20},
                                       {260, 0}, {360, 0}});
    ScanMaxDisplacement(*design);
    EXPECT_EQ(design->MaxDisplacement, 20.0);

    design = testing::MakeDesign({{0, -1}, {360, -5}});
    design->MaxDisplacement = 9;
    ScanMaxDisplacement(*design);
    EXPECT_EQ(design->MaxDisplacement, 0.0);

    design = testing::MakeDesign({{0, 0}, {360, 1}});
    design->MotionTable[14] = MotionRecord{0, 33};  // after the terminator, still counted
    ScanMaxDisplacement(*design);
    EXPECT_EQ(design->MaxDisplacement, 33.0);
}

TEST(WalkTable, TerminatorRow20AndDwells) {
    auto design = testing::MakeDesign({{360, 3}, {10, 1}});
    TableWalk walk = WalkTable(design->MotionTable);
    EXPECT_EQ(walk.count, 0);
    EXPECT_EQ(walk.terminatorRow, 1);

    design = testing::MakeDesign({{0, 0}, {30, 0}, {90, 10}});
    walk = WalkTable(design->MotionTable);
    EXPECT_EQ(walk.count, 19) << "without a terminator rows 1..19 each start a segment";
    EXPECT_EQ(walk.terminatorRow, 0);
    EXPECT_TRUE(walk.segments[0].dwell);
    EXPECT_FALSE(walk.segments[1].dwell);
    EXPECT_EQ(walk.segments[18].row, 19);
}

TEST(CheckTableAngles, OneRangeAtEveryResolutionBeforeAnythingIsWritten) {
    // 400 fits the sample arrays at 1 and 0.5 degree; it is refused there all the same.
    const struct {
        std::pair<int, double> row;
        const char* message;
    } cases[] = {{{-30, 5}, "角度 -30 は範囲外です"},
                 {{400, 5}, "角度 400 は範囲外です"},
                 {{361, 5}, "角度 361 は範囲外です"},
                 {{2147483647, 5}, "角度 2147483647 は範囲外です"}};
    const std::pair<const char*, std::function<void(CamDesign&)>> actions[] = {
        {"displacement", [](CamDesign& d) { BuildDisplacement(d, 0); }},
        {"contour", [](CamDesign& d) { ComputeCamProfile(d); }},
        {"pressure angle", [](CamDesign& d) { ComputePressureAngles(d); }},
    };
    for (const auto& c : cases) {
        for (int S : {1, 2, 5}) {
            auto design = testing::MakeDesign({{0, 0}, c.row, {360, 0}}, 45, 10, S);
            design->Displacement.fill(7);
            design->CamProfile.fill(Point2{7, 7});
            design->PressureAngle.fill(7);
            for (const auto& [name, action] : actions) {
                EXPECT_EQ(testing::MessageOf([&] { action(*design); }), c.message)
                    << name << " at " << S << " samples a degree";
            }
            EXPECT_TRUE(std::all_of(design->Displacement.begin(), design->Displacement.end(),
                                    [](double v) { return v == 7; }));
            EXPECT_TRUE(std::all_of(design->CamProfile.begin(), design->CamProfile.end(),
                                    [](Point2 p) { return p.x == 7 && p.y == 7; }));
            EXPECT_TRUE(std::all_of(design->PressureAngle.begin(), design->PressureAngle.end(),
                                    [](double v) { return v == 7; }));
        }
    }
    auto fits = testing::MakeDesign({{0, 0}, {360, 5}}, 45, 10, 5);
    EXPECT_NO_THROW(CheckTableAngles(WalkTable(fits->MotionTable))) << "360 itself is in range";
}

}  // namespace
}  // namespace platecam

namespace platecam {
namespace {

// Found by fuzzing: a cell holding a NUL byte cut the message short at what().
TEST(ParseDecimal, MessageKeepsTextWithNulBytes) {
    const std::string text("1\0x", 3);
    try {
        ParseDecimal(text, '.');
        FAIL();
    } catch (const CamError& e) {
        EXPECT_EQ(e.message(), "'" + text + "' は浮動小数点数ではありません");
    }
}


// The texts of a table load again, each to the value shown: the window's 15 digits where
// they read back, and only past the largest double's 15th digit the 17 that do.
TEST(TextsFromTable, EveryValueShownLoadsAgain) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {12.5, "12.5"},
        {1.0 / 3, "0.333333333333333"},
        {1.79769313486231e308, "1.79769313486231E308"},
        {1.7976931348623157e308, "1.7976931348623157E308"},
        {-1.7976931348623157e308, "-1.7976931348623157E308"},
    };
    MotionTable table{};
    for (const auto& c : cases) {
        table[3].Value = c.value;
        table[BaseRadiusSlot].Value = c.value;
        const DesignTexts texts = TextsFromTable(table, '.');
        EXPECT_EQ(texts.ValueTexts[3], c.text);
        EXPECT_EQ(texts.BaseRadiusText, c.text);
        double loaded = 0;
        EXPECT_NO_THROW(loaded = ParseDecimal(texts.ValueTexts[3], '.')) << c.text;
        EXPECT_EQ(loaded, std::strtod(c.text, nullptr));
    }
}

}  // namespace
}  // namespace platecam
