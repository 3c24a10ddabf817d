#include <gtest/gtest.h>

#include "tests/ui/fake_host.h"
#include "ui/host.h"

namespace platecam {
namespace {

using testing::FormFixture;

std::vector<QString> Column(TForm1& form, int column) {
    std::vector<QString> cells;
    for (int r = 1; r <= MotionGrid::RowCount; ++r) cells.push_back(form.StringGrid1->Cell(column, r));
    return cells;
}

TEST(MainWindow, StartUpState) {
    FormFixture f;
    TForm1& form = f.form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("カム計算"));
    EXPECT_EQ(form.Edit1->text(), "45");
    EXPECT_EQ(form.Edit2->text(), "10");
    EXPECT_EQ(form.StringGrid1->Cell(1, 0), QStringLiteral("角度"));
    EXPECT_EQ(form.StringGrid1->Cell(2, 0), QStringLiteral("変位"));
    EXPECT_EQ(form.StringGrid1->Cell(0, 1), "1");
    EXPECT_EQ(form.StringGrid1->Cell(0, 20), "20");
    EXPECT_EQ(form.StringGrid1->Cell(1, 7), "260");
    EXPECT_EQ(form.StringGrid1->Cell(2, 5), "20");
    EXPECT_EQ(form.StringGrid1->Cell(1, 9), "0");
    EXPECT_EQ(form.StringGrid1->Cell(1, 21), "0") << "the hidden row";
    EXPECT_EQ(form.Design().StepsPerDegree, 1);
    for (const MotionRecord& record : form.Design().MotionTable) {
        EXPECT_EQ(+record.Angle, 0);
        EXPECT_EQ(+record.Value, 0.0);
    }
    for (ImageControl* image : {form.Image1, form.Image2}) {
        const QImage& picture = image->Surface().Image();
        EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::black));
        EXPECT_EQ(picture.pixelColor(picture.width() - 1, picture.height() - 1), QColor(Qt::black));
        EXPECT_EQ(picture.pixelColor(5, 5), QColor(Qt::white));
    }
    EXPECT_EQ(form.Button1->text(), QStringLiteral("変位グラフ"));
    EXPECT_EQ(form.Button1->geometry(), QRect(208, 312, 89, 25));
    EXPECT_EQ(form.Image2->geometry(), QRect(320, 240, 409, 409));
    EXPECT_FALSE(form.Timer1.Enabled());
}

TEST(MainWindow, ResolutionChoice) {
    FormFixture f;
    f.form.rg3->SetItemIndex(2);
    f.form.rg3Click();
    EXPECT_EQ(f.form.Design().StepsPerDegree, 5);
    f.form.rg3->SetItemIndex(1);
    f.form.rg3Click();
    EXPECT_EQ(f.form.Design().StepsPerDegree, 2);
}

TEST(MotionGridEditing, InsertAndDeleteUseTheHiddenRow) {
    FormFixture f;
    TForm1& form = f.form;
    MotionGrid& grid = *form.StringGrid1;
    grid.SetCell(1, 20, "200");
    grid.SetCell(2, 20, "2");
    const auto angles = Column(form, 1);
    const auto values = Column(form, 2);

    grid.SetCurrentRow(20);
    form.Button11Click();
    EXPECT_EQ(grid.Cell(1, 20), "0");
    EXPECT_EQ(grid.Cell(1, 21), "200");
    form.Button12Click();
    EXPECT_EQ(Column(form, 1), angles) << "insert then delete restores every row";
    EXPECT_EQ(Column(form, 2), values);

    grid.SetCurrentRow(3);
    form.Button11Click();
    EXPECT_EQ(grid.Cell(1, 3), "0");
    EXPECT_EQ(grid.Cell(1, 4), "90");
    EXPECT_EQ(grid.Cell(1, 21), "200");
    form.Button11Click();  // the second insert pushes out the first overflow
    EXPECT_EQ(grid.Cell(1, 21), "0");
    form.Button12Click();
    form.Button12Click();
    EXPECT_EQ(grid.Cell(1, 20), "0") << "one overflow row only: 200 is lost";
    EXPECT_EQ(grid.Cell(0, 5), "5") << "row numbers are never touched";

    // A selected range deletes only the focused row.
    grid.SetCurrentRow(3);
    grid.setRangeSelected(QTableWidgetSelectionRange(2, 0, 5, 1), true);
    form.Button12Click();
    EXPECT_EQ(grid.Cell(1, 3), "110");
    EXPECT_EQ(grid.Cell(1, 4), "170");
}

TEST(MainWindow, BadCellsShowTheMessageAndKeepWhatWasRead) {
    FormFixture f;
    TForm1& form = f.form;
    form.StringGrid1->SetCell(2, 4, "7mm");
    form.Button1Click();
    ASSERT_EQ(f.host.errors.size(), 1u);
    EXPECT_EQ(f.host.errors[0], QStringLiteral("'7mm' は浮動小数点数ではありません"));
    EXPECT_EQ(ErrorBoxText(f.host.errors[0]), QStringLiteral("'7mm' は浮動小数点数ではありません."));
    EXPECT_EQ(form.Design().BaseRadius, 45.0);
    EXPECT_EQ(+form.Design().MotionTable[3].Angle, 110);
    EXPECT_EQ(+form.Design().MotionTable[3].Value, 0.0);
    EXPECT_EQ(+form.Design().MotionTable[2].Value, 10.0);

    form.StringGrid1->SetCell(1, 2, "abc");
    form.Button9Click();
    EXPECT_EQ(f.host.errors.back(), QStringLiteral("'abc' は整数ではありません"));
    EXPECT_TRUE(f.host.proposed.empty()) << "no dialog after a failed read";
}

TEST(ErrorBox, DotIsAddedAfterCharactersSortingAfterIt) {
    EXPECT_EQ(ErrorBoxText(QStringLiteral("0 による浮動小数点数除算")),
              QStringLiteral("0 による浮動小数点数除算."));
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("a-"), "a-");
    EXPECT_EQ(ErrorBoxText("abc"), "abc.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

}  // namespace
}  // namespace platecam
