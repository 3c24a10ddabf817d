#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "files/design_file.h"
#include "files/dxf.h"
#include "tests/files/temp_dir.h"
#include "tests/ui/fake_host.h"

namespace platecam {
namespace {

using testing::FormFixture;
using testing::TempDir;

QString Q(const std::string& s) { return QString::fromStdString(s); }

TEST(SaveAndOpen, StartUpWindowRoundTrip) {
    TempDir dir;
    FormFixture f;
    f.host.Answer(Q(dir.path("cam1.dat")));
    f.form.Button9Click();
    ASSERT_TRUE(f.host.errors.empty());
    EXPECT_EQ(f.host.proposed.at(0), "cam1.dat");
    MotionTable table{};
    ReadDesignFile(dir.path("cam1.dat"), table);
    EXPECT_EQ(+table[BaseRadiusSlot].Value, 45.0);
    EXPECT_EQ(+table[6].Angle, 260);

    FormFixture other;
    other.form.Edit1->setText("1");
    other.form.StringGrid1->SetCell(1, 3, "77");
    other.host.Answer(Q(dir.path("cam1.dat")));
    other.form.Button8Click();
    ASSERT_TRUE(other.host.errors.empty());
    EXPECT_EQ(other.form.Edit1->text(), "45");
    EXPECT_EQ(other.form.Edit2->text(), "10");
    EXPECT_EQ(other.form.StringGrid1->Cell(1, 3), "90");
    EXPECT_EQ(other.form.StringGrid1->Cell(2, 5), "20");
    EXPECT_EQ(other.form.Design().BaseRadius, 45.0);
    EXPECT_EQ(other.form.Design().RollerRadius, 10.0);
}

TEST(SaveAndOpen, RadiusSlotAnglesSurviveLoadAndSave) {
    TempDir dir;
    MotionTable table{};
    table[0] = MotionRecord{-30, 2.5};
    table[1] = MotionRecord{360, 0};
    table[BaseRadiusSlot] = MotionRecord{5, 40};
    table[RollerRadiusSlot] = MotionRecord{9, 8};
    WriteDesignFile(dir.path("in.dat"), table);
    FormFixture f;
    f.host.Answer(Q(dir.path("in.dat")));
    f.form.Button8Click();
    EXPECT_EQ(f.form.StringGrid1->Cell(1, 1), "-30");
    EXPECT_EQ(f.form.StringGrid1->Cell(2, 1), "2.5");
    f.host.Answer(Q(dir.path("out.dat")));
    f.form.Button9Click();
    ASSERT_TRUE(f.host.errors.empty());
    MotionTable saved{};
    ReadDesignFile(dir.path("out.dat"), saved);
    EXPECT_EQ(+saved[BaseRadiusSlot].Angle, 5);
    EXPECT_EQ(+saved[RollerRadiusSlot].Angle, 9);
    EXPECT_EQ(EncodeDesign(saved), EncodeDesign(table));
}

TEST(SaveAndOpen, CancelAndRefusedFilesChangeNothing) {
    TempDir dir;
    FormFixture f;
    f.form.StringGrid1->SetCell(1, 3, "77");
    f.host.Answer(std::nullopt);
    f.form.Button8Click();
    EXPECT_EQ(f.form.StringGrid1->Cell(1, 3), "77") << "cancelled OPEN keeps the edits";
    EXPECT_EQ(f.form.Edit1->text(), "45");

    std::ofstream(dir.path("short.dat"), std::ios::binary) << std::string(100, '\x01');
    f.host.Answer(Q(dir.path("short.dat")));
    f.form.Button8Click();
    ASSERT_EQ(f.host.errors.size(), 1u);
    EXPECT_EQ(f.host.errors[0], Q("ファイル " + dir.path("short.dat") + " はカムの設計ファイルではありません"));
    EXPECT_EQ(f.form.StringGrid1->Cell(1, 3), "77");
    EXPECT_EQ(+f.form.Design().MotionTable[0].Angle, 0);

    f.host.Answer(std::nullopt);
    f.form.Button9Click();
    EXPECT_EQ(+f.form.Design().MotionTable[2].Angle, 77) << "SAVE read the form before the dialog";
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"short.dat"});
}

TEST(SaveAndOpen, FileNamedAtStartUpOpensAsOpenDoes) {
    TempDir dir;
    MotionTable table{};
    table[0] = MotionRecord{0, 0};
    table[1] = MotionRecord{90, 15};
    table[BaseRadiusSlot].Value = 50;
    table[RollerRadiusSlot].Value = 12.5;
    WriteDesignFile(dir.path("named.dat"), table);
    FormFixture f;
    f.form.OpenDesignFile(Q(dir.path("named.dat")));
    ASSERT_TRUE(f.host.errors.empty());
    EXPECT_EQ(f.form.Edit1->text(), "50");
    EXPECT_EQ(f.form.Edit2->text(), "12.5");
    EXPECT_EQ(f.form.StringGrid1->Cell(2, 2), "15");
    f.form.Button8Click();  // the dialog then proposes the file opened
    EXPECT_EQ(f.host.proposed.back(), Q(dir.path("named.dat")));

    // A FIFO or a missing file is reported in the error box, and never waited on.
    ::mkfifo(dir.path("fifo").c_str(), 0600);
    for (const std::string& bad : {dir.path("fifo"), dir.path("missing.dat")}) {
        f.form.OpenDesignFile(Q(bad));
        EXPECT_EQ(f.host.errors.back(), Q("ファイル " + bad + " は開けません"));
    }
    EXPECT_EQ(f.form.Edit1->text(), "50");
}

TEST(DxfButton, ListKeepsTheTextAndTheFileIsWritten) {
    TempDir dir;
    FormFixture f;
    f.form.Button1Click();
    f.form.Button2Click();
    f.host.Answer(std::nullopt);
    f.form.Button3Click();
    EXPECT_EQ(f.host.proposed.back(), "cam.dxf");
    EXPECT_EQ(f.form.ListBoxLines().size(), 3870u);
    EXPECT_EQ(f.form.ListBox1->model()->rowCount(), 3870);
    EXPECT_TRUE(dir.entries().empty());

    f.form.CheckBox1->setChecked(true);
    f.host.Answer(Q(dir.path("cam.dxf")));
    f.form.Button3Click();
    ASSERT_TRUE(f.host.errors.empty());
    EXPECT_EQ(ReadWholeFile(dir.path("cam.dxf"), 1 << 24), EncodeDxf(f.form.ListBoxLines()));
    EXPECT_EQ(f.form.ListBoxLines()[f.form.ListBoxLines().size() - 1], "EOF");

    f.host.Answer(Q(dir.path("no/such/cam.dxf")));
    f.form.Button3Click();
    ASSERT_EQ(f.host.errors.size(), 1u);
    EXPECT_EQ(f.host.errors[0], Q("ファイル " + dir.path("no/such/cam.dxf") + " を作成できません"));
}

}  // namespace
}  // namespace platecam
