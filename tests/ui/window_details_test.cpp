// The window's last pixels and keys: the grid's keyboard behaviour and cell pitch, the
// inked extent of circles, the list's line pitch and the resolution choice's layout.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <map>

#include "tests/ui/fake_host.h"
#include "ui/cam_view.h"

namespace platecam {
namespace {

using testing::FormFixture;

struct ShownForm : FormFixture {
    ShownForm() {
        form.show();
        QApplication::setActiveWindow(&form);
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }
};

// A cell editor has the focus inside the grid.
bool Editing(const MotionGrid* grid) {
    const QWidget* focus = QApplication::focusWidget();
    return focus && focus != grid && grid->isAncestorOf(focus);
}

TEST(WindowDetails, GridIsOneTabStopAndOpensItsEditorOnRequest) {
    ShownForm f;
    MotionGrid* grid = f.form.StringGrid1;
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), f.form.Button1) << "Tab leaves the grid";
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), f.form.Edit2) << "Shift+Tab goes back";

    grid->setFocus();
    grid->setCurrentCell(0, 0);
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->currentColumn(), 1);

    const QRect cell = grid->visualRect(grid->model()->index(2, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(grid->currentRow(), 2);
    EXPECT_FALSE(Editing(grid)) << "a single click only selects";
    QTest::keyClick(grid, Qt::Key_F2);
    EXPECT_TRUE(Editing(grid));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(Editing(grid));

    QTest::keyClick(grid, Qt::Key_7);
    ASSERT_TRUE(Editing(grid)) << "typing opens the editor";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_5);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QApplication::processEvents();  // the editor commits through a queued call
    EXPECT_EQ(grid->Cell(1, 3), QStringLiteral("75"));
}

TEST(WindowDetails, EnterAndKeypadEnterClickTheFocusedButton) {
    ShownForm f;
    TForm1& form = f.form;
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, int> keys[] = {
        {Qt::Key_Return, Qt::NoModifier, 1}, {Qt::Key_Enter, Qt::KeypadModifier, 1},
        {Qt::Key_Space, Qt::NoModifier, 1},  {Qt::Key_Return, Qt::ControlModifier, 0},
        {Qt::Key_A, Qt::NoModifier, 0}};
    for (QPushButton* button : {form.Button1, form.Button2, form.Button3, form.Button4, form.Button5,
                                form.Button6, form.Button7, form.Button8, form.Button9,
                                form.Button10, form.Button11, form.Button12}) {
        for (const auto& [key, modifiers, expected] : keys) {
            button->setFocus();
            int clicks = 0;
            const auto counter = QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
            QObject::disconnect(counter);
            EXPECT_EQ(clicks, expected) << button->text().toStdString() << " key " << key;
        }
    }
    form.Button6Click();
    EXPECT_TRUE(f.host.errors.empty());
}

// Grid lines across a band of the image: the columns (or, transposed, the rows) that
// hold one colour from edge to edge of the band, other than the band's background.
std::vector<int> Lines(QImage image, bool vertical, int from, int to) {
    if (!vertical) image = image.transformed(QTransform(0, 1, 1, 0, 0, 0));
    std::map<QRgb, int> counts;
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, from)];
    const QRgb background =
        std::max_element(counts.begin(), counts.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; })->first;
    std::vector<int> found;
    for (int x = 1; x + 1 < image.width(); ++x) {
        const QRgb colour = image.pixel(x, from);
        bool line = colour != background && colour != image.pixel(x - 1, from) &&
                    colour != image.pixel(x + 1, from);
        for (int y = from; y <= to && line; ++y) line = image.pixel(x, y) == colour;
        if (line) found.push_back(x);
    }
    return found;
}

std::vector<int> Gaps(const std::vector<int>& at) {
    std::vector<int> gaps;
    for (std::size_t i = 1; i < at.size(); ++i) gaps.push_back(at[i] - at[i - 1]);
    return gaps;
}

TEST(WindowDetails, GridLinesRepeatAtTheCellPitchAndTheHeaderStaysRegular) {
    ShownForm f;
    MotionGrid* grid = f.form.StringGrid1;
    grid->setCurrentCell(2, 0);
    const QImage image = grid->grab().toImage();
    const QRect header = grid->horizontalHeader()->geometry();
    const QRect cells = grid->viewport()->geometry();
    // Columns: the corner | 角度 | 変位 in the header row and the same lines below it.
    const std::vector<int> headerLines = Lines(image, true, header.top() + 2, header.bottom() - 2);
    const std::vector<int> rowLines = Lines(image, true, cells.top() + 2, cells.top() + 20);
    EXPECT_EQ(headerLines, (std::vector<int>{65, 167, 268}));
    EXPECT_EQ(Gaps(rowLines), (std::vector<int>{102, 101}));
    EXPECT_EQ(rowLines, headerLines);
    // Rows: every 25 pixels, below the header row as between the data rows.
    const std::vector<int> rows = Lines(image, false, 2, 60);
    ASSERT_GE(rows.size(), 4u);
    EXPECT_EQ(rows[0], 25);
    EXPECT_EQ(Gaps(rows)[0], 25);
    EXPECT_EQ(Gaps(rows)[2], 25);
    EXPECT_EQ(image.pixel(65, 12), image.pixel(167, 12)) << "the corner's line is a fixed line";

    // Moving the current cell to the 変位 column leaves the header's pixels as they were.
    grid->setCurrentCell(2, 1);
    EXPECT_EQ(grid->grab().toImage().copy(header), image.copy(header));
}

// The extent of the pixels of one colour.
QRect Inked(const QImage& image, QRgb colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == colour) box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

TEST(WindowDetails, CirclesInkTheirBoxWithoutItsRightAndBottomEdges) {
    // The start-up design's base circle and roller in the whole view.
    ImageSurface image(409, 409);
    image.Record(true);
    DrawViewCircle(image, 0, 0, 0, 0, 165, 165, 45);
    const DrawCall base = image.Calls().back();
    ASSERT_EQ(std::vector<int>({base.x1, base.y2, base.x2, base.y1}),
              std::vector<int>({93, 93, 316, 316}));
    EXPECT_EQ(Inked(image.Image(), qRgb(0, 0, 255)), QRect(QPoint(93, 93), QPoint(315, 315)));

    ImageSurface roller(409, 409);
    DrawViewCircle(roller, 0, 55, 0, 0, 165, 165, 10);
    EXPECT_EQ(Inked(roller.Image(), qRgb(0, 0, 255)), QRect(QPoint(180, 43), QPoint(228, 92)));
}

TEST(WindowDetails, ListLinesAreTwelvePixelsApart) {
    ShownForm f;
    f.host.Answer(std::nullopt);
    f.form.Button3Click();  // fills the list, then the dialog is cancelled
    QListView* list = f.form.ListBox1;
    ASSERT_GT(list->model()->rowCount(), 2);
    EXPECT_EQ(list->visualRect(list->model()->index(1, 0)).top() -
                  list->visualRect(list->model()->index(0, 0)).top(),
              12);
}

TEST(WindowDetails, ResolutionItemsEndBeforeTheNextMark) {
    ShownForm f;
    const auto buttons = f.form.rg3->Buttons().buttons();
    ASSERT_EQ(buttons.size(), 3);
    for (int i = 0; i + 1 < 3; ++i) {
        const QAbstractButton* item = f.form.rg3->Buttons().button(i);
        const QAbstractButton* next = f.form.rg3->Buttons().button(i + 1);
        EXPECT_LT(item->x() + item->sizeHint().width(), next->x()) << i;
    }
    const QAbstractButton* last = f.form.rg3->Buttons().button(2);
    EXPECT_LE(last->x() + last->sizeHint().width(), f.form.rg3->width());
}

}  // namespace
}  // namespace platecam
