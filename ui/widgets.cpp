#include "ui/widgets.h"

#include <QHeaderView>
#include <QPainter>
#include <QRadioButton>

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
    const int columnWidth = (width() - 6) / columns_;
    for (int i = 0; i < count; ++i) {
        buttons_.button(i)->setGeometry(4 + (i / rows) * columnWidth, top + (i % rows) * itemHeight,
                                        columnWidth - 2, itemHeight);
    }
}

void RadioGroup::SetItemIndex(int index) {
    if (auto* button = buttons_.button(index)) button->setChecked(true);
}

MotionGrid::MotionGrid(QWidget* parent) : QTableWidget(RowCount - 1, 2, parent) {
    setHorizontalHeaderLabels({QString(), QString()});
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setFixedWidth(64);
    verticalHeader()->setDefaultSectionSize(24);
    horizontalHeader()->setFixedHeight(24);
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setColumnWidth(0, 101);
    setColumnWidth(1, 100);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
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
