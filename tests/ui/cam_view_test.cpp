#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <chrono>

#include "tests/ui/fake_host.h"
#include "ui/cam_view.h"

namespace platecam {
namespace {

using testing::FormFixture;
using testing::Of;

std::vector<int> Box(const DrawCall& c) { return {c.x1, c.y2, c.x2, c.y1}; }  // left top right bottom

TEST(CamView, DefaultDesignWholeView) {
    FormFixture f;
    f.form.Button1Click();
    ImageSurface& image = f.form.Image2->Surface();
    image.Record(true);
    f.form.Button2Click();
    ASSERT_TRUE(f.host.errors.empty());
    ASSERT_TRUE(f.host.information.empty());
    const auto circles = Of(image.Calls(), DrawCall::Ellipse);
    ASSERT_EQ(circles.size(), 2u);
    EXPECT_EQ(Box(circles[0]), (std::vector<int>{93, 93, 316, 316})) << "base circle";
    EXPECT_EQ(Box(circles[1]), (std::vector<int>{180, 43, 229, 93})) << "roller";
    EXPECT_EQ(circles[0].pen, Blue);
    EXPECT_EQ(circles[0].fill, White);
    const auto lines = Of(image.Calls(), DrawCall::LineTo);
    ASSERT_EQ(lines.size(), 4u + 360u + 360u) << "frame, pitch loop, contour loop";
    EXPECT_EQ(image.PenColor(), Black);

    // A loop point at the model origin lands on (205, 204).
    PointSamples origin{};
    image.Record(true);
    DrawPointLoop(image, 0, 1, 0, 0, 165, 165, origin);
    const auto moves = Of(image.Calls(), DrawCall::MoveTo);
    EXPECT_EQ(moves[0].x1, 205);
    EXPECT_EQ(moves[0].y1, 204);
}

TEST(CamView, RollerTooLargeShowsTheInformationAndStillDraws) {
    FormFixture f;
    f.EnterRollerTooLargeDesign();
    f.form.Button1Click();
    ImageSurface& image = f.form.Image2->Surface();
    image.Record(true);
    f.form.Button2Click();
    ASSERT_EQ(f.host.information.size(), 1u);
    EXPECT_EQ(f.host.information[0], QStringLiteral("コロに対して変動が大きすぎる"));
    EXPECT_EQ(Of(image.Calls(), DrawCall::LineTo).size(), 4u + 360u + 360u);
}

TEST(AnimationFrame, ZoomViewsFrameTheRoller) {
    FormFixture f;
    f.form.Button1Click();
    f.form.Button2Click();
    ImageSurface& image = f.form.Image2->Surface();
    CamDesign& d = f.form.Design();
    for (auto [mode, box] : {std::pair{ViewZoom1, std::vector<int>{153, 153, 256, 256}},
                             {ViewZoom2, std::vector<int>{68, 68, 341, 341}},
                             {ViewWhole, std::vector<int>{180, 43, 229, 93}}}) {
        image.Record(true);
        DrawAnimationFrame(image, d, mode, 0);
        const auto circles = Of(image.Calls(), DrawCall::Ellipse);
        ASSERT_EQ(circles.size(), 1u);
        EXPECT_EQ(Box(circles[0]), box) << mode;
    }
    image.Record(true);
    DrawAnimationFrame(image, d, ViewWhole, 90);
    const auto texts = Of(image.Calls(), DrawCall::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "degree = 90");
    EXPECT_EQ(texts[0].x1, 5);
    EXPECT_EQ(texts[0].y1, 5);
    // The contour is turned: sample 90 comes to the top.
    EXPECT_NEAR(d.RotatedProfile[90].x, 0, 1e-9);
    EXPECT_NEAR(d.RotatedProfile[90].y, 55, 1e-9);
}

TEST(Animation, OneRevolutionThenStopped) {
    FormFixture f;
    f.form.Button1Click();
    f.form.Button2Click();
    ImageSurface& image = f.form.Image2->Surface();
    image.Record(true);
    f.form.Button5Click();
    EXPECT_TRUE(f.form.Timer1.Enabled());
    std::vector<QString> texts;
    while (f.form.Timer1.Enabled()) {
        f.form.Timer1Timer();
        for (const DrawCall& c : image.Calls()) {
            if (c.kind == DrawCall::Text) texts.push_back(c.text);
        }
        image.ClearCalls();
        ASSERT_LE(texts.size(), 360u);
    }
    ASSERT_EQ(texts.size(), 360u);
    EXPECT_EQ(texts.front(), "degree = 0");
    EXPECT_EQ(texts.back(), "degree = 359");
    EXPECT_EQ(f.form.Design().AnimationAngle, 0);

    // Pause keeps the angle; a step draws one frame and stops.
    f.form.Button5Click();
    f.form.Timer1Timer();
    f.form.Timer1Timer();
    f.form.Button6Click();
    EXPECT_FALSE(f.form.Timer1.Enabled());
    EXPECT_EQ(f.form.Design().AnimationAngle, 2);
    f.form.Button7Click();
    f.form.Button7Click();
    EXPECT_TRUE(f.form.Timer1.Enabled());
    f.form.Timer1Timer();
    EXPECT_FALSE(f.form.Timer1.Enabled()) << "two presses, one frame";
    EXPECT_EQ(f.form.Design().AnimationAngle, 3);

    // Steps past the last frame start over at 0.
    f.form.Design().AnimationAngle = 359;
    f.form.Button7Click();
    f.form.Timer1Timer();
    EXPECT_EQ(f.form.Design().AnimationAngle, 0);
    EXPECT_TRUE(f.host.errors.empty());
}

TEST(Animation, TwoStepPressesWithinATickDrawOneFrameOnTheRealTimer) {
    FormFixture f;
    f.form.Button1Click();
    f.form.Button2Click();
    f.form.Button7Click();
    f.form.Button7Click();
    QElapsedTimer clock;
    clock.start();
    while (f.form.Timer1.Enabled() && clock.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_FALSE(f.form.Timer1.Enabled());
    EXPECT_EQ(f.form.Design().AnimationAngle, 1);
}

TEST(Animation, FrameThatCannotBeDrawnFailsOnceAndStops) {
    // A cam far larger than its lift: the close-up puts the far side of the contour
    // beyond any pixel.
    FormFixture f;
    f.form.Edit1->setText("1e9");
    f.form.rg2->SetItemIndex(ViewZoom2);
    f.form.Button5Click();
    ASSERT_TRUE(f.host.errors.empty());
    ASSERT_TRUE(f.form.Timer1.Enabled());
    for (int i = 0; i < 5 && f.form.Timer1.Enabled(); ++i) f.form.Timer1Timer();
    EXPECT_FALSE(f.form.Timer1.Enabled());
    ASSERT_EQ(f.host.errors.size(), 1u);
    EXPECT_EQ(f.host.errors[0], QStringLiteral("不正な浮動小数点数演算命令"));

    // All zero: the displacement chart fails, and the animation never starts.
    FormFixture zero;
    for (QLineEdit* edit : {zero.form.Edit1, zero.form.Edit2}) edit->setText("0");
    for (int r = 1; r <= 20; ++r) zero.form.StringGrid1->SetCell(2, r, "0");
    zero.form.Button5Click();
    EXPECT_FALSE(zero.form.Timer1.Enabled());
    zero.form.Button10Click();
    ASSERT_EQ(zero.host.errors.size(), 2u);
    EXPECT_EQ(zero.host.errors[1], QStringLiteral("不正な浮動小数点数演算命令"));
}

TEST(Animation, FrameAtFiveSamplesPerDegreeIsWellWithinItsTick) {
    FormFixture f;
    f.form.rg3->SetItemIndex(2);
    f.form.rg3Click();
    f.form.Button1Click();
    f.form.Button2Click();
    ImageSurface& image = f.form.Image2->Surface();
    CamDesign& d = f.form.Design();
    const auto start = std::chrono::steady_clock::now();
    for (int angle = 0; angle < 36; ++angle) DrawAnimationFrame(image, d, ViewWhole, angle);
    const double perFrameMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / 36;
    RecordProperty("frame_ms", std::to_string(perFrameMs));
    EXPECT_LT(perFrameMs, 25.0);
}

}  // namespace
}  // namespace platecam
