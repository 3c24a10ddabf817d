#pragma once
// Small widgets the window is made of: an image control, a radio group, the motion
// table grid with its hidden overflow row, and the animation timer.

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>
#include <array>

#include "ui/canvas.h"

namespace platecam {

// Shows an ImageSurface of its own size.
class ImageControl : public QWidget {
public:
    ImageControl(QWidget* parent, int left, int top, int width, int height);
    ImageSurface& Surface() { return surface_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    ImageSurface surface_;
};

// A push button that Enter and the keypad's Enter click when it has the focus, as Space
// does; with Ctrl, Alt or Shift held the key is left to others.
class PushButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class RadioGroup : public QGroupBox {
public:
    RadioGroup(QWidget* parent, const QString& caption, const QStringList& items, int columns);
    int ItemIndex() const { return buttons_.checkedId(); }
    void SetItemIndex(int index);
    QButtonGroup& Buttons() { return buttons_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QButtonGroup buttons_;
    int columns_;
};

// The motion table: a fixed header row (row 0) and row-number column (column 0), rows
// 1..20 editable, and a hidden row 21 that insertion and deletion use as overflow.
class MotionGrid : public QTableWidget {
public:
    static constexpr int RowCount = 21;  // rows 0..20 as the user counts them
    static constexpr int CellWidths[3] = {64, 101, 100};  // without the grid line
    static constexpr int CellHeight = 24;
    explicit MotionGrid(QWidget* parent);
    QString Cell(int column, int row) const;
    void SetCell(int column, int row, const QString& text);
    // The row of the focused cell, 1..20.
    int CurrentRow() const;
    void SetCurrentRow(int row);

private:
    std::array<QString, 3> hidden_;
};

class AnimationTimer {
public:
    explicit AnimationTimer(int intervalMs);
    bool Enabled() const { return timer_.isActive(); }
    // Enabling a running timer leaves its ticks as they are.
    void SetEnabled(bool on);
    QTimer& Timer() { return timer_; }

private:
    QTimer timer_;
};

}  // namespace platecam
