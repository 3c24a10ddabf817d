#include "plot/chart.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace platecam::plot {

namespace {

const QColor Grey(110, 110, 110);
const QColor LimitRed(200, 60, 60);

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

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

QRectF FreePlace(const std::vector<QRectF>& candidates, const QRectF& inside,
                 const std::vector<std::vector<QPointF>>& lines, const std::vector<QRectF>& taken) {
    const QRectF* first = nullptr;
    for (const QRectF& box : candidates) {
        if (!inside.contains(box)) continue;
        if (!first) first = &box;
        const bool free =
            std::none_of(lines.begin(), lines.end(),
                         [&](const std::vector<QPointF>& line) { return LineMeets(line, box, inside); }) &&
            std::none_of(taken.begin(), taken.end(), [&](const QRectF& t) { return t.intersects(box); });
        if (free) return box;
    }
    return first ? *first : candidates.empty() ? QRectF() : candidates.front();
}

std::vector<QRectF> LineLabelPlaces(const Surface& s, const std::vector<QString>& labels,
                                    const std::vector<double>& ys, const std::vector<bool>& limits,
                                    const QRectF& axes, const QRectF& header,
                                    const std::vector<std::vector<QPointF>>& curve, double points) {
    std::vector<std::vector<QPointF>> lines = curve;
    for (double y : ys) lines.push_back({QPointF(axes.left(), y), QPointF(axes.right(), y)});
    std::vector<QRectF> places, taken;
    const double h = 3.2, pad = 0.4;
    double headerRight = header.right();
    for (std::size_t k = 0; k < labels.size() && k < ys.size(); ++k) {
        const double w = s.Width(labels[k], s.Font(points)) + 0.6;
        std::vector<QRectF> candidates;
        const double room = axes.width() - 2 * pad - w;
        // From the right end leftwards, a millimetre at a time.
        for (double left = axes.left() + pad + room; left >= axes.left() + pad - 1e-9; left -= 1) {
            candidates.emplace_back(left, ys[k] - 0.35 - h, w, h);
            candidates.emplace_back(left, ys[k] + 0.35, w, h);
        }
        // The line's own height is no obstacle to its label beside it.
        std::vector<std::vector<QPointF>> others;
        for (std::size_t j = 0; j < lines.size(); ++j) {
            if (j != curve.size() + k) others.push_back(lines[j]);
        }
        QRectF place;
        for (const QRectF& box : candidates) {
            if (!axes.contains(box)) continue;
            const bool free =
                std::none_of(others.begin(), others.end(),
                             [&](const std::vector<QPointF>& line) { return LineMeets(line, box, axes); }) &&
                std::none_of(taken.begin(), taken.end(), [&](const QRectF& t) { return t.intersects(box); });
            if (free) {
                place = box;
                break;
            }
        }
        const bool limit = k < limits.size() && limits[k];
        if (place.isNull() && limit && headerRight - w >= header.left()) {
            place = QRectF(headerRight - w, header.top(), w, std::min(h, header.height()));
            headerRight -= w + 2;
        }
        places.push_back(place);
        if (!place.isNull()) taken.push_back(place);
    }
    return places;
}

ChartRange RangeOf(const ReportChart& chart) {
    double lo = 0, hi = 0;
    bool any = false;
    for (const std::optional<double>& v : chart.y) {
        if (!v || !std::isfinite(*v)) continue;
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
    // The curve in pieces between the gaps, mm of the page.
    std::vector<std::vector<QPointF>> curve;
    bool open = false;
    for (std::size_t i = 0; i < chart.y.size() && i < xs.size(); ++i) {
        if (!chart.y[i] || !std::isfinite(*chart.y[i])) {
            open = false;
            continue;
        }
        if (!open) curve.emplace_back();
        curve.back().emplace_back(px(xs[i]), py(*chart.y[i]));
        open = true;
    }
    const QRectF axes(x, y, w, h);
    DrawReferenceLines(s, chart.lines, chart.title, axes, py, curve);
    for (const std::vector<QPointF>& piece : curve) s.Drawn(piece, axes, true);
    if (!s.drawing) return;
    p.save();
    p.setClipRect(s.R(x, y, w, h));
    p.setPen(s.Pen(0.25, QColor(20, 20, 160)));
    QPainterPath path;
    for (const std::vector<QPointF>& piece : curve) {
        path.moveTo(s.P(piece.front().x(), piece.front().y()));
        for (std::size_t k = 1; k < piece.size(); ++k) path.lineTo(s.P(piece[k].x(), piece[k].y()));
    }
    p.drawPath(path);
    p.restore();
    p.setPen(s.Pen(0.15));
    p.drawRect(s.R(x, y, w, h));
}

void DrawReferenceLines(Surface& s, const std::vector<ReportLine>& lines, const std::string& title,
                        const QRectF& axes, const std::function<double(double)>& py,
                        const std::vector<std::vector<QPointF>>& obstacles) {
    QPainter& p = s.p;
    const double x = axes.x(), y = axes.y(), w = axes.width();
    std::vector<QString> labels;
    std::vector<double> heights;
    std::vector<bool> limits;
    for (const ReportLine& line : lines) {
        labels.push_back(Q(line.label));
        heights.push_back(py(line.value));
        limits.push_back(line.limit);
    }
    const double titleWidth = s.Width(Q(title), s.Font(8, true));
    const QRectF header(x + titleWidth + 3, y - 4.2, std::max(0.0, w - titleWidth - 3), 3.6);
    const std::vector<QRectF> places = LineLabelPlaces(s, labels, heights, limits, axes, header, obstacles, 6.5);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const ReportLine& line = lines[k];
        const QColor colour = line.limit ? LimitRed : Grey;
        if (s.drawing) {
            p.setPen(line.limit ? s.Pen(0.2, colour, Qt::DashLine) : s.Pen(0.15, colour));
            p.drawLine(s.P(x, py(line.value)), s.P(x + w, py(line.value)));
        }
        s.Drawn({QPointF(x, py(line.value)), QPointF(x + w, py(line.value))}, axes, true);
        const QRectF& at = places[k];
        if (!at.isNull()) {
            s.Text(at.x(), at.y(), at.width(), at.height(), labels[k], s.Font(6.5), Qt::AlignCenter, colour);
        }
    }
}

}  // namespace platecam::plot
