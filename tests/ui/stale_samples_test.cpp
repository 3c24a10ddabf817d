// What the window draws and exports after its inputs change: the result must be that of
// a fresh window given the same inputs and the buttons in their natural order.

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleOptionButton>
#include <QTest>
#include <cmath>
#include <functional>

#include "files/design_file.h"
#include "tests/files/temp_dir.h"
#include "tests/ui/fake_host.h"
#include "ui/cam_view.h"

namespace platecam {
namespace {

using testing::FormFixture;
using testing::TempDir;

QString Q(const std::string& s) { return QString::fromStdString(s); }
const QImage& Chart(TForm1& form) { return form.Image1->Surface().Image(); }
const QImage& Cam(TForm1& form) { return form.Image2->Surface().Image(); }

std::string ExportWith(FormFixture& f, const TempDir& dir, const std::string& name,
                   const std::function<void()>& press) {
    f.host.Answer(Q(dir.path(name)));
    press();
    return ReadWholeFile(dir.path(name), 1 << 26);
}

// A shown window worked with the mouse and the keyboard.
struct Window : FormFixture {
    Window() {
        form.show();
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void Choose(RadioGroup* group, int item) {
        QAbstractButton* button = group->Buttons().button(item);
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect mark =
            button->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, button);
        QTest::mouseClick(button, Qt::LeftButton, {}, mark.center());
        ASSERT_EQ(group->ItemIndex(), item);
    }
    std::string Export(const TempDir& dir) {
        return ExportWith(*this, dir, "w.dxf", [this] { Click(form.Button3); });
    }
};

// A fresh window given its inputs, then 変位グラフ and カム計算.
struct Reference : FormFixture {
    explicit Reference(const std::function<void(TForm1&)>& inputs) {
        inputs(form);
        form.Button1Click();
        form.Button2Click();
    }
    std::string Export(const TempDir& dir) {
        return ExportWith(*this, dir, "r.dxf", [this] { form.Button3Click(); });
    }
};

TEST(StaleSamples, CamAndDxfFollowAnInputChangedSinceTheLastComputation) {
    struct Case {
        const char* name;
        std::function<void(Window&)> change;
        std::function<void(TForm1&)> reference;
    };
    const Case cases[] = {
        {"0.5度", [](Window& w) { w.Choose(w.form.rg3, 1); },
         [](TForm1& f) { f.rg3->SetItemIndex(1), f.rg3Click(); }},
        {"base radius typed",
         [](Window& w) {
             w.form.Edit1->setFocus();
             QTest::keyClick(w.form.Edit1, Qt::Key_A, Qt::ControlModifier);
             QTest::keyClicks(w.form.Edit1, "30");
         },
         [](TForm1& f) { f.Edit1->setText("30"); }},
    };
    for (const Case& c : cases) {
        TempDir dir;
        Window w;
        w.Click(w.form.Button1);
        w.Click(w.form.Button2);
        const QImage before = Cam(w.form);
        c.change(w);
        w.Click(w.form.Button2);
        Reference r(c.reference);
        EXPECT_TRUE(w.host.information.empty()) << c.name << ": the roller follows this cam";
        EXPECT_EQ(Cam(w.form), Cam(r.form)) << c.name;
        EXPECT_NE(Cam(w.form), before) << c.name;
        EXPECT_TRUE(w.Export(dir) == r.Export(dir)) << c.name;
        EXPECT_TRUE(w.host.errors.empty() && r.host.errors.empty()) << c.name;
    }
}

TEST(StaleSamples, PressureChartFollowsTheChosenLaw) {
    Window w;
    for (QPushButton* button : {w.form.Button1, w.form.Button2, w.form.Button4}) w.Click(button);
    const QImage cycloid = Chart(w.form);
    w.Choose(w.form.RG1, 2);
    w.Click(w.form.Button4);
    Reference sine([](TForm1& f) { f.RG1->SetItemIndex(2); });
    sine.form.Button4Click();
    EXPECT_EQ(Chart(w.form), Chart(sine.form));
    EXPECT_NE(Chart(w.form), cycloid);
    EXPECT_EQ(Cam(w.form), Cam(sine.form)) << "the cam of the new law was drawn on the way";
}

TEST(StaleSamples, ExportBeforeAnyComputationComputesFirst) {
    TempDir dir;
    Window w;
    const std::string exported = w.Export(dir);
    Reference start([](TForm1&) {});
    EXPECT_TRUE(exported == start.Export(dir));
    EXPECT_EQ(Chart(w.form), Chart(start.form));
    EXPECT_EQ(Cam(w.form), Cam(start.form));
}

TEST(StaleSamples, UnchangedInputsAreNotComputedAgain) {
    FormFixture f;
    f.form.Button1Click();
    ImageSurface& chart = f.form.Image1->Surface();
    ImageSurface& cam = f.form.Image2->Surface();
    chart.Record(true);
    f.form.Button2Click();
    f.form.Button10Click();
    EXPECT_TRUE(chart.Calls().empty()) << "no displacement chart drawn again";
    cam.Record(true);
    f.form.Button4Click();
    f.form.Button7Click();
    EXPECT_TRUE(cam.Calls().empty()) << "no cam drawn again";
}

TEST(StaleSamples, FailedComputationShowsTheButtonsMessageAndStops) {
    TempDir dir;
    FormFixture f;
    f.form.Button1Click();
    f.form.Button2Click();
    f.form.StringGrid1->SetCell(2, 4, "7mm");
    f.form.Image2->Surface().Record(true);
    f.host.Answer(Q(dir.path("cam.dxf")));
    for (auto handler : {&TForm1::Button2Click, &TForm1::Button10Click, &TForm1::Button4Click,
                         &TForm1::Button5Click, &TForm1::Button7Click, &TForm1::Button3Click}) {
        (f.form.*handler)();
    }
    EXPECT_EQ(f.host.errors,
              std::vector<QString>(6, QStringLiteral("'7mm' は浮動小数点数ではありません")));
    EXPECT_TRUE(f.form.Image2->Surface().Calls().empty());
    EXPECT_FALSE(f.form.Timer1.Enabled());
    EXPECT_TRUE(f.host.proposed.empty() && dir.entries().empty()) << "no dialog, no file";
}

TEST(StaleSamples, IncompleteContourIsDrawnButNotExported) {
    TempDir dir;
    FormFixture f;
    f.EnterRollerTooLargeDesign();
    for (int press = 1; press <= 2; ++press) {
        f.host.Answer(Q(dir.path("cam.dxf")));
        f.form.Button3Click();
        EXPECT_EQ(f.host.information.size(), 1u) << "the cam calculation's own message, once";
        ASSERT_EQ(f.host.errors.size(), static_cast<std::size_t>(press));
        EXPECT_EQ(f.host.errors.back(),
                  QStringLiteral("カムの輪郭が完成していないため DXF を出力できません"));
    }
    EXPECT_TRUE(f.host.proposed.empty() && dir.entries().empty()) << "no dialog, no file";
    EXPECT_EQ(f.form.ListBoxLines().size(), 0u);
}

TEST(StaleSamples, AnimationStopsWhenTheResolutionChangesAndResumesComputedAgain) {
    Window w;
    TForm1& form = w.form;
    w.Click(form.Button5);
    ASSERT_TRUE(form.Timer1.Enabled()) << "動く computes what it needs";
    form.Timer1Timer();
    form.Timer1Timer();
    w.Choose(form.rg3, 2);
    form.Image2->Surface().Record(true);
    form.Timer1Timer();
    EXPECT_FALSE(form.Timer1.Enabled());
    EXPECT_TRUE(form.Image2->Surface().Calls().empty()) << "no frame of one-degree samples";
    EXPECT_EQ(form.Design().AnimationAngle, 2);

    w.Click(form.Button5);
    form.Timer1Timer();
    Reference fine([](TForm1& f) { f.rg3->SetItemIndex(2), f.rg3Click(); });
    DrawAnimationFrame(fine.form.Image2->Surface(), fine.form.Design(), ViewWhole, 2);
    EXPECT_EQ(Cam(form), Cam(fine.form));
    EXPECT_TRUE(w.host.errors.empty());
}

TEST(StaleSamples, OpenMakesTheNextComputationReadTheWindow) {
    TempDir dir;
    FormFixture f;
    f.form.Button1Click();
    // The same design but a base radius that reads back as "45".
    MotionTable table = f.form.Design().MotionTable;
    table[BaseRadiusSlot].Value = std::nextafter(45.0, 46.0);
    WriteDesignFile(dir.path("d.dat"), table);
    f.form.OpenDesignFile(Q(dir.path("d.dat")));
    ASSERT_EQ(f.form.Edit1->text(), "45");
    f.form.Button10Click();
    EXPECT_EQ(f.form.Design().BaseRadius, 45.0) << "read from the window again";
}

}  // namespace
}  // namespace platecam
