#include "plot/chart.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace platecam::plot {

namespace {

const QColor Grey(110, 110, 110);
const QColor LimitRed(200, 60, 60);

QString Q(const std::string& text) { return QString::fromStdString(text); }

// 1, 2 or 5 times a power of ten, about `count` of them over the range.
double NiceStep(double span, int count) {
    const double raw = span / count;
    const double magnitude = std::pow(10, std::floor(std::log10(raw)));
    const double normal = raw / magnitude;
    return (normal < 1.5 ? 1 : normal < 3.5 ? 2 : normal < 7.5 ? 5 : 10) * magnitude;
}

QString TickText(double value, double step) {
    if (std::fabs(value) < step * 1e-6) value = 0;
    return QString::number(value, 'g', 6);
}

}  // namespace

ChartRange RangeOf(const ReportChart& chart) {
    double lo = 0, hi = 0;
    bool any = false;
    for (const std::optional<double>& v : chart.y) {
        if (!v) continue;
        lo = any ? std::min(lo, *v) : *v;
        hi = any ? std::max(hi, *v) : *v;
        any = true;
    }
    for (const ReportLine& line : chart.lines) {
        lo = std::min(lo, line.value);
        hi = std::max(hi, line.value);
    }
    if (!(hi - lo > 1e-9 * std::max(std::fabs(lo), std::fabs(hi)))) {
        const double pad = std::max(1.0, std::fabs(hi) * 0.1);
        lo -= pad;
        hi += pad;
    }
    const double step = NiceStep(hi - lo, 4);
    lo = std::floor(lo / step) * step;
    hi = std::ceil(hi / step) * step;
    return {lo, hi, step};
}

void DrawChart(Surface& s, const std::vector<double>& xs, const std::vector<double>& boundaries,
               const ReportChart& chart, double x, double y, double w, double h, bool angleLabels) {
    QPainter& p = s.p;
    const ChartRange range = RangeOf(chart);
    const double lo = range.low, hi = range.high, step = range.step;
    auto px = [&](double degrees) { return x + degrees / 360 * w; };
    auto py = [&](double value) { return y + h - (value - lo) / (hi - lo) * h; };

    s.Text(x, y - 5, w, 5, Q(chart.title), s.Font(8, true));
    if (s.drawing) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 214, 214));
        for (const auto& [from, to] : chart.bands)
            p.drawRect(QRectF(s.P(px(from), y), s.P(px(to), y + h)));
        p.setBrush(Qt::NoBrush);
    }
    // Light grid, nice ticks on both axes.
    const double angleStep = 50;
    for (double a = 0; a <= 360 + 1e-9; a += angleStep) {
        if (s.drawing) {
            p.setPen(s.Pen(0.05, QColor(200, 200, 200)));
            p.drawLine(s.P(px(a), y), s.P(px(a), y + h));
        }
        if (angleLabels) s.Text(px(a) - 6, y + h + 0.5, 12, 3.5, TickText(a, angleStep), s.Font(6.5), Qt::AlignCenter);
    }
    for (double v = lo; v <= hi + step * 1e-6; v += step) {
        if (s.drawing) {
            p.setPen(s.Pen(0.05, QColor(200, 200, 200)));
            p.drawLine(s.P(x, py(v)), s.P(x + w, py(v)));
        }
        s.Text(x - 16, py(v) - 1.75, 15, 3.5, TickText(v, step), s.Font(6.5),
               Qt::AlignRight | Qt::AlignVCenter);
    }
    if (s.drawing) {
        // The segment boundaries.
        p.setPen(s.Pen(0.1, QColor(120, 160, 220)));
        for (double b : boundaries) {
            if (b >= 0 && b <= 360) p.drawLine(s.P(px(b), y), s.P(px(b), y + h));
        }
    }
    for (const ReportLine& line : chart.lines) {
        const QColor colour = line.limit ? LimitRed : Grey;
        if (s.drawing) {
            p.setPen(line.limit ? s.Pen(0.2, colour, Qt::DashLine) : s.Pen(0.15, colour));
            p.drawLine(s.P(x, py(line.value)), s.P(x + w, py(line.value)));
        }
        s.Text(x + w - 50, py(line.value) - 4, 49.5, 3.5, Q(line.label), s.Font(6.5),
               Qt::AlignRight | Qt::AlignVCenter, colour);
    }
    if (!s.drawing) return;
    p.save();
    p.setClipRect(s.R(x, y, w, h));
    p.setPen(s.Pen(0.25, QColor(20, 20, 160)));
    QPainterPath path;
    bool open = false;
    for (std::size_t i = 0; i < chart.y.size() && i < xs.size(); ++i) {
        if (!chart.y[i]) {
            open = false;
            continue;
        }
        const QPointF point = s.P(px(xs[i]), py(*chart.y[i]));
        if (open)
            path.lineTo(point);
        else
            path.moveTo(point);
        open = true;
    }
    p.drawPath(path);
    p.restore();
    p.setPen(s.Pen(0.15));
    p.drawRect(s.R(x, y, w, h));
}

}  // namespace platecam::plot
