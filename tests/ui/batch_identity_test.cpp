#include <gtest/gtest.h>

#include <sstream>

#include "batch/batch.h"
#include "files/save_file.h"
#include "files/design_file.h"
#include "tests/files/temp_dir.h"
#include "tests/model/design_fixtures.h"
#include "tests/ui/fake_host.h"

namespace platecam {
namespace {

// The batch exporter writes the very bytes the window's DXF button writes after OPEN,
// "変位グラフ" and "カム計算", for every law, resolution and mode.
TEST(BatchExporter, ByteIdenticalToTheWindowsExport) {
    testing::TempDir dir;
    auto design = testing::MakeDesign({{0, 0}, {40, 0}, {100, 12.3}, {130, 12.3}, {200, 0.7},
                                       {250, 5}, {360, 0}}, 42.5, 7.25);
    design->MotionTable[BaseRadiusSlot].Angle = 3;
    WriteDesignFile(dir.path("d.dat"), design->MotionTable);
    const char* laws[] = {"cycloid", "trapezoid", "sine"};
    const char* resolutions[] = {"1", "0.5", "0.2"};
    for (int law = 0; law < 3; ++law) {
        for (int r = 0; r < 3; ++r) {
            for (bool points : {false, true}) {
                testing::FormFixture f;
                f.host.Answer(QString::fromStdString(dir.path("d.dat")));
                f.form.Button8Click();
                f.form.RG1->SetItemIndex(law);
                f.form.rg3->SetItemIndex(r);
                f.form.rg3Click();
                f.form.CheckBox1->setChecked(points);
                f.form.Button1Click();
                f.form.Button2Click();
                f.host.Answer(QString::fromStdString(dir.path("window.dxf")));
                f.form.Button3Click();
                ASSERT_TRUE(f.host.errors.empty());

                std::vector<std::string> args{dir.path("d.dat"), "--law", laws[law], "--resolution",
                                              resolutions[r], "--dxf", dir.path("batch.dxf")};
                if (points) args.push_back("--points");
                std::ostringstream out, err;
                ASSERT_EQ(RunBatch(args, out, err), 0) << err.str();
                EXPECT_TRUE(ReadWholeFile(dir.path("window.dxf"), 1 << 26) ==
                            ReadWholeFile(dir.path("batch.dxf"), 1 << 26))
                    << laws[law] << " " << resolutions[r] << " " << points;
            }
        }
    }
}

// A design saved as a document in the window draws in platecam-batch what the window
// draws, and a document opened in the window draws there what the batch draws from it.
TEST(BatchExporter, DocumentsDrawTheSameCamInBothPrograms) {
    testing::TempDir dir;
    for (int law = 0; law < 3; ++law) {
        for (int r = 0; r < 3; ++r) {
            testing::FormFixture f;
            f.form.Edit1->setText("42.5");
            f.form.StringGrid1->SetCell(2, 3, "12.3");
            f.form.StringGrid1->SetCell(2, 4, "12.3");
            f.form.RG1->SetItemIndex(law);
            f.form.rg3->SetItemIndex(r);
            f.form.rg3Click();
            f.host.Answer(QString::fromStdString(dir.path("saved.toml")));
            f.form.Button9Click();
            f.host.Answer(QString::fromStdString(dir.path("window.dxf")));
            f.form.Button3Click();
            ASSERT_TRUE(f.host.errors.empty()) << f.host.errors.front().toStdString();

            std::ostringstream out, err;
            ASSERT_EQ(RunBatch({dir.path("saved.toml"), "--dxf", dir.path("batch.dxf")}, out, err), 0)
                << err.str();
            EXPECT_TRUE(ReadWholeFile(dir.path("window.dxf"), 1 << 26) ==
                        ReadWholeFile(dir.path("batch.dxf"), 1 << 26))
                << law << " " << r;

            testing::FormFixture opened;
            opened.host.Answer(QString::fromStdString(dir.path("saved.toml")));
            opened.form.Button8Click();
            opened.host.Answer(QString::fromStdString(dir.path("opened.dxf")));
            opened.form.Button3Click();
            ASSERT_TRUE(opened.host.errors.empty());
            EXPECT_TRUE(ReadWholeFile(dir.path("opened.dxf"), 1 << 26) ==
                        ReadWholeFile(dir.path("batch.dxf"), 1 << 26))
                << law << " " << r;
        }
    }
}

}  // namespace
}  // namespace platecam
