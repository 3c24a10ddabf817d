#include <gtest/gtest.h>

#include "tests/ui/fake_host.h"

namespace platecam {
namespace {

using testing::FormFixture;
using testing::Of;

struct TextAt {
    QString text;
    int x, y;
    bool operator==(const TextAt&) const = default;
};

std::vector<TextAt> Texts(const std::vector<DrawCall>& calls) {
    std::vector<TextAt> out;
    for (const DrawCall& c : Of(calls, DrawCall::Text)) out.push_back({c.text, c.x1, c.y1});
    return out;
}

TEST(DisplacementChart, GridLabelsAndCurveOfTheDefaultDesign) {
    FormFixture f;
    ImageSurface& image = f.form.Image1->Surface();
    image.Record(true);
    f.form.Button1Click();
    ASSERT_TRUE(f.host.errors.empty());
    const auto& calls = image.Calls();
    ASSERT_EQ(calls[0].kind, DrawCall::FillRect);
    EXPECT_EQ((std::vector<int>{calls[0].x1, calls[0].y1, calls[0].x2, calls[0].y2}),
              (std::vector<int>{0, 0, 409, 225}));
    const auto lines = Of(calls, DrawCall::LineTo);
    // The margin rectangle, then three vertical and three horizontal grid lines.
    const int expected[][4] = {{20, 20, 389, 20},    {389, 20, 389, 205},  {389, 205, 20, 205},
                               {20, 205, 20, 20},    {112, 20, 112, 205},  {204, 20, 204, 205},
                               {297, 20, 297, 205},  {20, 66, 389, 66},    {20, 112, 389, 112},
                               {20, 159, 389, 159}};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ((std::vector<int>{lines[i].x1, lines[i].y1, lines[i].x2, lines[i].y2}),
                  (std::vector<int>(expected[i], expected[i] + 4)))
            << i;
        EXPECT_EQ(lines[i].pen, Black);
        EXPECT_EQ(lines[i].penWidth, 1);
    }
    EXPECT_EQ(Texts(calls), (std::vector<TextAt>{{"0", 20, 210},
                                                 {"360", 389, 210},
                                                 {"90", 112, 210},
                                                 {"180", 204, 210},
                                                 {"270", 297, 210},
                                                 {"0", 0, 200},
                                                 {"20", 0, 15},
                                                 {"5", 0, 154},
                                                 {"10", 0, 108},
                                                 {"15", 0, 61}}));
    // 359 red segments, 2 pixels wide, from sample 0 at x = 20 to sample 359 at x = 389.
    ASSERT_EQ(lines.size(), 10u + 359u);
    const DrawCall& first = lines[10];
    const DrawCall& last = lines.back();
    EXPECT_EQ(first.pen, Red);
    EXPECT_EQ(first.penWidth, 2);
    EXPECT_EQ(first.x1, 20);
    EXPECT_EQ(first.y1, 205) << "a sample at the bottom value";
    EXPECT_EQ(last.x2, 389);
    int top = 1000;
    for (std::size_t i = 10; i < lines.size(); ++i) top = std::min(top, lines[i].y2);
    EXPECT_EQ(top, 20) << "the largest sample reaches the top edge";
    EXPECT_EQ(image.PenColor(), Black);
    EXPECT_EQ(image.PenWidth(), 1);
}

TEST(DisplacementChart, AllZeroTableDrawsTheGridAndFailsWithoutACurve) {
    FormFixture f;
    for (int r = 1; r <= 20; ++r) f.form.StringGrid1->SetCell(2, r, "0");
    ImageSurface& image = f.form.Image1->Surface();
    image.Record(true);
    f.form.Button1Click();
    ASSERT_EQ(f.host.errors.size(), 1u);
    EXPECT_EQ(f.host.errors[0], QStringLiteral("不正な浮動小数点数演算命令"));
    EXPECT_EQ(Of(image.Calls(), DrawCall::LineTo).size(), 10u) << "grid only";
    const auto texts = Texts(image.Calls());
    ASSERT_EQ(texts.size(), 10u);
    for (std::size_t i = 5; i < 10; ++i) EXPECT_EQ(texts[i].text, "0");
    // The failed plot gave the pen back: the next grid is black and 1 pixel wide.
    EXPECT_EQ(image.PenColor(), Black);
    EXPECT_EQ(image.PenWidth(), 1);
}

TEST(PressureAngleChart, DefaultDesignAfterTheCamCalculation) {
    FormFixture f;
    f.form.Button1Click();
    f.form.Button2Click();
    ImageSurface& image = f.form.Image1->Surface();
    image.Record(true);
    f.form.Button4Click();
    ASSERT_TRUE(f.host.errors.empty());
    const auto texts = Texts(image.Calls());
    EXPECT_EQ(texts[5], (TextAt{"-24.062", 0, 200}));
    // 17.6205 to four places is 17.620 to five digits: the label drops the zero.
    EXPECT_EQ(texts[6], (TextAt{"17.62", 0, 15}));
    EXPECT_EQ(Of(image.Calls(), DrawCall::LineTo).size(), 10u + 359u);

    // Without the cam calculation the button computes the contour first: the same chart.
    FormFixture fresh;
    fresh.form.Button1Click();
    fresh.form.Button4Click();
    EXPECT_TRUE(fresh.host.errors.empty());
    EXPECT_EQ(fresh.form.Image1->Surface().Image(), image.Image());
}

TEST(DisplacementChart, FinerResolutionStillSpansThePlotArea) {
    FormFixture f;
    f.form.rg3->SetItemIndex(2);
    f.form.rg3Click();
    ImageSurface& image = f.form.Image1->Surface();
    image.Record(true);
    f.form.Button1Click();
    const auto lines = Of(image.Calls(), DrawCall::LineTo);
    ASSERT_EQ(lines.size(), 10u + 1799u);
    EXPECT_EQ(lines[10].x1, 20);
    EXPECT_EQ(lines.back().x2, 389);
}

}  // namespace
}  // namespace platecam
