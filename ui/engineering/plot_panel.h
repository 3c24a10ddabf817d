#pragma once
// The charts of the engineering window: the report's charts (plot/), one below the other
// on one angle axis, with a cursor. Pointing at an angle moves the cursor there and says
// every value at it.

#include <QStaticText>
#include <QWidget>
#include <map>
#include <optional>

#include "batch/report_input.h"

namespace platecam {

class PlotPanel : public QWidget {
    Q_OBJECT
public:
    explicit PlotPanel(QWidget* parent = nullptr);

    // The charts to show, or none (with the reason in words) where the design breaks a rule.
    void Show(std::optional<ChartPages> pages, const QString& missing = {});
    // The cursor's cam angle, degrees.
    void SetCursor(double degrees);
    double Cursor() const { return cursor_; }
    // The values at the cursor, one "title: value" a chart.
    QString Readout() const;
    const std::vector<ReportChart>& Charts() const { return charts_; }

signals:
    void CursorMoved(double degrees);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The chart area's left and right edges, pixels.
    double Left() const;
    double Right() const;
    void PointAt(double x);
    std::size_t SampleAt(double degrees) const;

    std::vector<ReportChart> charts_;
    std::vector<double> x_, boundaries_;
    QString missing_;
    double cursor_ = 0;
    // The ticks and titles come back on every repaint: each text is laid out once.
    std::map<QString, QStaticText> texts_;
};

}  // namespace platecam
