// The window opens and saves design documents: the cam it can show with its law and
// resolution, and everything it does not show kept for the next SAVE.

#include <gtest/gtest.h>

#include <fstream>

#include "files/design_document.h"
#include "files/design_file.h"
#include "files/save_file.h"
#include "tests/files/temp_dir.h"
#include "tests/ui/fake_host.h"

namespace platecam {
namespace {

using testing::FormFixture;
using testing::TempDir;

QString Q(const std::string& s) { return QString::fromStdString(s); }

void Put(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

const char* const Rows =
    "[[motion]]\nangle = 0\nlift = 0.0\n"
    "[[motion]]\nangle = 90\nlift = 12.345678901234567\n"
    "[[motion]]\nangle = 180\nlift = 12.345678901234567\n"
    "[[motion]]\nangle = 360\nlift = 0.0\n";

std::string Document(const std::string& cam, const std::string& follower,
                     const std::string& rows = Rows, const std::string& extra = "") {
    return "format = 2\n[cam]\n" + cam + "\n[follower]\n" + follower + "\n" + rows + extra;
}

TEST(WindowDocument, OpenShowsTheCamAndSaveKeepsWhatTheWindowDoesNotShow) {
    TempDir dir;
    // Written by the program itself, so that a save gives the very same bytes back.
    const std::string original = FormatDesignDocument(ParseDesignDocument(
        Document("base_radius = 40.5\nresolution = 0.5\nlaw = \"modified-sine\"\nrpm = 250\n"
                 "max_pressure_angle = 28\nmin_base_radius = 12",
                 "kind = \"roller\"\nroller_radius = 7.5\noffset = 0.0", Rows,
                 "[drawing]\npart_number = \"K-7\"\nmaterial = \"S45C\"\ndesigner = \"山田\"\n"
                 "[dynamics]\nmass = 0.8\nspring_rate = 12.0\npreload = 40.0\n"
                 "[contact]\nwidth = 10.0\nelastic_modulus = 206000.0\npoisson_ratio = 0.3\n"
                 "[machining]\ntool_radius = 6.0\ndirection = \"conventional\"\nfeed = 250.0\n"),
        "in.toml"));
    Put(dir.path("in.toml"), original);

    FormFixture f;
    f.host.Answer(Q(dir.path("in.toml")));
    f.form.Button8Click();
    ASSERT_TRUE(f.host.errors.empty()) << f.host.errors.front().toStdString();
    EXPECT_EQ(f.form.Edit1->text(), "40.5");
    EXPECT_EQ(f.form.Edit2->text(), "7.5");
    EXPECT_EQ(f.form.StringGrid1->Cell(1, 2), "90");
    // Every digit of the document's number, not the 15 the window shows for a design file.
    EXPECT_EQ(f.form.StringGrid1->Cell(2, 2), "12.345678901234567");
    EXPECT_EQ(f.form.StringGrid1->Cell(1, 5), "0");
    EXPECT_EQ(f.form.RG1->ItemIndex(), 2);
    EXPECT_EQ(f.form.rg3->ItemIndex(), 1);
    EXPECT_EQ(f.form.Design().StepsPerDegree, 2);

    // Upper case is a document too.
    f.host.Answer(Q(dir.path("out.TOML")));
    f.form.Button9Click();
    ASSERT_TRUE(f.host.errors.empty()) << f.host.errors.front().toStdString();
    EXPECT_EQ(ReadWholeFile(dir.path("out.TOML"), 1 << 20), original);

    // What the window changes is what the document changes.
    f.form.RG1->SetItemIndex(0);
    f.form.StringGrid1->SetCell(2, 2, "11");
    f.form.StringGrid1->SetCell(2, 3, "11");
    f.host.Answer(Q(dir.path("changed.toml")));
    f.form.Button9Click();
    const DesignDocument changed = ReadDesignDocument(dir.path("changed.toml"));
    EXPECT_EQ(changed.cam.law, engine::Law::Cycloid);
    EXPECT_EQ(changed.motion[1].lift, 11.0);
    EXPECT_EQ(changed.cam.rpm, 250.0);
    ASSERT_TRUE(changed.drawing && changed.dynamics && changed.contact && changed.machining);
    EXPECT_EQ(changed.drawing->designer, "山田");

    // A design file opened afterwards brings none of the document's tables along.
    f.host.Answer(Q(dir.path("plain.dat")));
    f.form.Button9Click();
    f.host.Answer(Q(dir.path("plain.dat")));
    f.form.Button8Click();
    f.host.Answer(Q(dir.path("again.toml")));
    f.form.Button9Click();
    const DesignDocument again = ReadDesignDocument(dir.path("again.toml"));
    EXPECT_FALSE(again.cam.rpm || again.drawing || again.dynamics || again.contact);
}

TEST(WindowDocument, ACamTheWindowCannotShowIsRefusedNamingTheKey) {
    TempDir dir;
    const std::string roller = "kind = \"roller\"\nroller_radius = 10.0";
    const std::string cam = "base_radius = 45.0\nresolution = 1.0\nlaw = \"cycloid\"";
    const struct {
        std::string text;
        const char* key;
    } cases[] = {
        {Document(cam, "kind = \"flat\""), "follower.kind"},
        {Document(cam, roller + "\noffset = 5.0"), "follower.offset"},
        {Document("base_radius = 45.0\nresolution = 1.0\nlaw = \"3-4-5\"", roller), "cam.law"},
        {Document(cam, roller,
                  "[[motion]]\nangle = 0\nlift = 0.0\n[[motion]]\nangle = 180\nlift = 5.0\n"
                  "law = \"4-5-6-7\"\n[[motion]]\nangle = 360\nlift = 0.0\n"),
         "motion[2].law"},
    };
    for (const auto& c : cases) {
        Put(dir.path("other.toml"), c.text);
        FormFixture f;
        f.host.Answer(Q(dir.path("other.toml")));
        f.form.Button8Click();
        ASSERT_EQ(f.host.errors.size(), 1u) << c.key;
        EXPECT_EQ(f.host.errors[0],
                  Q("この設計の " + std::string(c.key) + " はウィンドウでは扱えません。platecam-batch で計算できます"));
        EXPECT_EQ(f.form.Edit1->text(), "45") << "the window is unchanged";
        EXPECT_EQ(f.form.StringGrid1->Cell(1, 3), "90");
        EXPECT_EQ(f.form.RG1->ItemIndex(), 0);
    }
}

TEST(WindowDocument, SaveRefusesATableThatBreaksARuleAndWritesNothing) {
    TempDir dir;
    FormFixture f;
    f.form.StringGrid1->SetCell(1, 8, "350");  // no row at 360: the cam does not close
    f.host.Answer(Q(dir.path("open.toml")));
    f.form.Button9Click();
    ASSERT_EQ(f.host.errors.size(), 1u);
    EXPECT_NE(f.host.errors[0].toStdString().find(dir.path("open.toml")), std::string::npos)
        << f.host.errors[0].toStdString();
    EXPECT_TRUE(dir.entries().empty());
    // The design file takes any table, as always.
    f.host.Answer(Q(dir.path("open.dat")));
    f.form.Button9Click();
    EXPECT_EQ(f.host.errors.size(), 1u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"open.dat"});
}


// A document past the size limit is refused whole: the window keeps what it showed, so a
// SAVE under the same name cannot replace the user's file with a part of it.
TEST(WindowDocument, OpenRefusesADocumentLargerThanTheLimitAndChangesNothing) {
    TempDir dir;
    const std::string text = Document("base_radius = 40.5\nresolution = 0.5\nlaw = \"cycloid\"",
                                      "kind = \"roller\"\nroller_radius = 7.5");
    const std::string big = "#" + std::string(DesignDocumentSizeLimit, 'x') + "\n" + text;
    Put(dir.path("big.toml"), big);
    FormFixture f;
    f.host.Answer(Q(dir.path("big.toml")));
    f.form.Button8Click();
    ASSERT_EQ(f.host.errors.size(), 1u);
    EXPECT_EQ(f.host.errors[0].toStdString(),
              "ファイル " + dir.path("big.toml") + " は " + std::to_string(big.size()) +
                  " バイトあり、設計として読める上限 65536 バイトを超えているため読み込みません");
    EXPECT_EQ(f.form.Edit1->text(), "45");
    EXPECT_EQ(f.form.rg3->ItemIndex(), 0);
    f.host.Answer(Q(dir.path("big.toml")));
    f.form.Button9Click();
    // The save writes the window's own design; nothing of the refused file was taken in.
    const DesignDocument saved = ReadDesignDocument(dir.path("big.toml"));
    EXPECT_EQ(saved.cam.baseRadius, 45);
    EXPECT_FALSE(saved.cam.rpm);
}

// A design file with -DBL_MAX in a row after 360: the window shows it in a text that
// loads again, and the cam is computed.
TEST(WindowDocument, AValueShownLoadsAgain) {
    TempDir dir;
    MotionTable table{};
    const std::pair<int, double> rows[] = {{0, 0}, {90, 10}, {180, 10}, {270, 0}, {360, 0},
                                           {0, -1.7976931348623157e308}};
    for (std::size_t k = 0; k < std::size(rows); ++k) table[k] = {rows[k].first, rows[k].second};
    table[BaseRadiusSlot].Value = 45;
    table[RollerRadiusSlot].Value = 10;
    WriteDesignFile(dir.path("max.dat"), table);
    FormFixture f;
    f.host.Answer(Q(dir.path("max.dat")));
    f.form.Button8Click();
    EXPECT_EQ(f.form.StringGrid1->Cell(2, 6), "-1.7976931348623157E308");
    f.form.Button1Click();
    f.form.Button2Click();
    EXPECT_TRUE(f.host.errors.empty()) << f.host.errors.front().toStdString();
    EXPECT_EQ(f.form.Design().MotionTable[5].Value, -1.7976931348623157e308);
}

}  // namespace
}  // namespace platecam
