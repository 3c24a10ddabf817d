#include "ui/widgets.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QRadioButton>
#include <numeric>
#include <vector>

namespace platecam {

ImageControl::ImageControl(QWidget* parent, int left, int top, int width, int height)
    : QWidget(parent), surface_(width, height) {
    setGeometry(left, top, width, height);
    setAttribute(Qt::WA_OpaquePaintEvent);
    surface_.SetChangedCallback([this] { update(); });
}

void ImageControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, surface_.Image());
}

void PushButton::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // One click per press: a held key does not repeat the action.
        if (!event->isAutoRepeat()) click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

RadioGroup::RadioGroup(QWidget* parent, const QString& caption, const QStringList& items,
                       int columns)
    : QGroupBox(caption, parent), columns_(columns) {
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        // The window's groups are small: keep the mark close to its text.
        button->setStyleSheet(QStringLiteral("QRadioButton { spacing: 1px; } QRadioButton::indicator { width: 11px; height: 11px; }"));
        buttons_.addButton(button, i);
    }
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    // Items are placed by hand, column by column, in the space below the caption, as
    // the small fixed group sizes of the window need.
    const int count = static_cast<int>(buttons_.buttons().size());
    const int rows = (count + columns_ - 1) / columns_;
    const int top = title().isEmpty() ? 4 : 14;
    const int itemHeight = std::max(14, (height() - top - 3) / std::max(rows, 1));
    const int inner = width() - 6;
    // Each column as wide as its widest item, the room left over shared out between
    // them, so that no text runs into the next column's mark; equal columns otherwise.
    std::vector<int> widths(columns_, 0);
    for (int i = 0; i < count; ++i) {
        widths[i / rows] = std::max(widths[i / rows], buttons_.button(i)->sizeHint().width());
    }
    const int needed = std::accumulate(widths.begin(), widths.end(), 0);
    const int spare = inner - needed;
    if (spare < 0 || columns_ == 1) widths.assign(columns_, inner / columns_);
    int x = 4;
    for (int column = 0; column < columns_; ++column) {
        const int width = spare >= 0 && columns_ > 1 ? widths[column] + spare / columns_
                                                     : widths[column];
        for (int row = 0; row < rows && column * rows + row < count; ++row) {
            buttons_.button(column * rows + row)
                ->setGeometry(x, top + row * itemHeight, width - 1, itemHeight);
        }
        x += width;
    }
}

void RadioGroup::SetItemIndex(int index) {
    if (auto* button = buttons_.button(index)) button->setChecked(true);
}

MotionGrid::MotionGrid(QWidget* parent) : QTableWidget(RowCount - 1, 2, parent) {
    setHorizontalHeaderLabels({QString(), QString()});
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The cells are 64, 101 and 100 pixels wide and 24 high; each section also holds
    // its 1-pixel grid line, so the lines repeat every 65, 102, 101 and 25 pixels.
    verticalHeader()->setFixedWidth(CellWidths[0] + 1);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(CellHeight + 1);
    horizontalHeader()->setFixedHeight(CellHeight + 1);
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setColumnWidth(0, CellWidths[1] + 1);
    setColumnWidth(1, CellWidths[2] + 1);
    // The fixed cells look alike whichever cell is current.
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setHighlightSections(false);
    // Every fixed cell, the corner included, gets the grid's 1-pixel line on its right and
    // bottom, like the data cells.
    QStyleOptionViewItem option;
    option.initFrom(this);
    const QColor line = QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    setStyleSheet(QStringLiteral("QHeaderView::section, QTableCornerButton::section {"
                                 " background: palette(button); border: none; padding-left: 2px;"
                                 " border-right: 1px solid %1; border-bottom: 1px solid %1; }")
                      .arg(line.name()));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // The grid is one tab stop: Tab leaves it, the arrows move between cells, and a cell
    // opens for editing on typing, F2 or a double click, not on a single click.
    setTabKeyNavigation(false);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    for (int r = 0; r < RowCount - 1; ++r) {
        setVerticalHeaderItem(r, new QTableWidgetItem());
        for (int c = 0; c < 2; ++c) setItem(r, c, new QTableWidgetItem());
    }
    setCurrentCell(0, 0);
}

QString MotionGrid::Cell(int column, int row) const {
    if (row == RowCount) return hidden_[column];
    if (row == 0) {
        return column == 0 ? QString() : horizontalHeaderItem(column - 1)->text();
    }
    if (column == 0) return verticalHeaderItem(row - 1)->text();
    return item(row - 1, column - 1)->text();
}

void MotionGrid::SetCell(int column, int row, const QString& text) {
    if (row == RowCount) {
        hidden_[column] = text;
    } else if (row == 0) {
        if (column > 0) horizontalHeaderItem(column - 1)->setText(text);
    } else if (column == 0) {
        verticalHeaderItem(row - 1)->setText(text);
    } else {
        item(row - 1, column - 1)->setText(text);
    }
}

int MotionGrid::CurrentRow() const {
    const int row = currentRow();
    return row < 0 ? 1 : row + 1;
}

void MotionGrid::SetCurrentRow(int row) {
    setCurrentCell(row - 1, std::max(currentColumn(), 0));
}

AnimationTimer::AnimationTimer(int intervalMs) { timer_.setInterval(intervalMs); }

void AnimationTimer::SetEnabled(bool on) {
    if (!on) {
        timer_.stop();
    } else if (!timer_.isActive()) {
        timer_.start();
    }
}

}  // namespace platecam
