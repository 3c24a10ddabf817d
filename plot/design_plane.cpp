#include "plot/design_plane.h"

#include "plot/chart.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace platecam::plot {

namespace {

const QColor Grey(110, 110, 110);
const QColor Passing(196, 232, 196);
const QColor Line(20, 20, 160);
const QColor LimitRed(200, 60, 60);
const QColor Chosen(200, 90, 0);

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void DrawDesignPlane(Surface& s, const ReportDesignChart& chart, double x, double y, double w, double h) {
    QPainter& p = s.p;
    const double xSpan = chart.xHigh - chart.xLow, ySpan = chart.yHigh - chart.yLow;
    if (!(xSpan > 0 && ySpan > 0)) return;
    auto px = [&](double v) { return x + (v - chart.xLow) / xSpan * w; };
    auto py = [&](double v) { return y + h - (v - chart.yLow) / ySpan * h; };
    auto at = [&](ReportPoint q) { return s.P(px(q.x), py(q.y)); };

    s.Text(x - 20, y - 6, w / 2 + 20, 5, Q(chart.yTitle), s.Font(8, true));
    s.Text(x, y + h + 5, w, 5, Q(chart.xTitle), s.Font(8, true), Qt::AlignCenter);
    if (s.drawing) {
        p.save();
        p.setClipRect(s.R(x, y, w, h));
        QPainterPath region;
        region.setFillRule(Qt::WindingFill);
        for (const auto& polygon : chart.passRegion) {
            QPolygonF shape;
            for (const ReportPoint& q : polygon) shape << at(q);
            region.addPolygon(shape);
            region.closeSubpath();
        }
        p.setPen(Qt::NoPen);
        p.setBrush(Passing);
        p.drawPath(region);
        p.setBrush(Qt::NoBrush);
        p.restore();
    }
    // Light grid and round ticks on both axes.
    const double xStep = NiceStep(xSpan, 8), yStep = NiceStep(ySpan, 8);
    for (double v = std::ceil(chart.xLow / xStep) * xStep; v <= chart.xHigh + xStep * 1e-6; v += xStep) {
        if (s.drawing) {
            p.setPen(s.Pen(0.05, QColor(200, 200, 200)));
            p.drawLine(s.P(px(v), y), s.P(px(v), y + h));
        }
        s.Text(px(v) - 8, y + h + 0.8, 16, 3.5, TickText(v, xStep), s.Font(6.5), Qt::AlignCenter);
    }
    for (double v = std::ceil(chart.yLow / yStep) * yStep; v <= chart.yHigh + yStep * 1e-6; v += yStep) {
        if (s.drawing) {
            p.setPen(s.Pen(0.05, QColor(200, 200, 200)));
            p.drawLine(s.P(x, py(v)), s.P(x + w, py(v)));
        }
        s.Text(x - 16, py(v) - 1.75, 15, 3.5, TickText(v, yStep), s.Font(6.5), Qt::AlignRight | Qt::AlignVCenter);
    }
    const QRectF axes(x, y, w, h);
    // The lines of equal value on the paper (mm): the labels keep clear of them.
    std::vector<std::vector<QPointF>> contourLines;
    for (const ReportDesignChart::Contour& contour : chart.contours) {
        for (const auto& line : contour.lines) {
            std::vector<QPointF> points;
            for (const ReportPoint& q : line) points.emplace_back(px(q.x), py(q.y));
            contourLines.push_back(std::move(points));
        }
    }
    std::vector<QString> lineLabels;
    std::vector<double> lineHeights;
    for (const ReportLine& line : chart.lines) {
        if (!(line.value > chart.yLow && line.value < chart.yHigh)) continue;
        lineLabels.push_back(Q(line.label));
        lineHeights.push_back(py(line.value));
    }
    const std::vector<QRectF> linePlaces =
        LineLabelPlaces(s, lineLabels, lineHeights, std::vector<bool>(lineLabels.size(), false), axes,
                        QRectF(), contourLines, 6.5);
    std::vector<QRectF> taken;
    for (std::size_t k = 0; k < lineLabels.size(); ++k) {
        if (s.drawing) {
            p.setPen(s.Pen(0.2, Grey, Qt::DashLine));
            p.drawLine(s.P(x, lineHeights[k]), s.P(x + w, lineHeights[k]));
        }
        s.Drawn({QPointF(x, lineHeights[k]), QPointF(x + w, lineHeights[k])}, axes, true);
        contourLines.push_back({QPointF(x, lineHeights[k]), QPointF(x + w, lineHeights[k])});
        const QRectF& at = linePlaces[k];
        if (at.isNull()) continue;
        s.Text(at.x(), at.y(), at.width(), at.height(), lineLabels[k], s.Font(6.5), Qt::AlignCenter, Grey);
        taken.push_back(at);
    }
    // The lines of equal value, each labelled once on its longest piece, half way along.
    for (const ReportDesignChart::Contour& contour : chart.contours) {
        const QColor colour = contour.limit ? LimitRed : Line;
        const std::vector<ReportPoint>* longest = nullptr;
        if (s.drawing) {
            p.save();
            p.setClipRect(s.R(x, y, w, h));
            p.setPen(s.Pen(contour.limit ? 0.35 : 0.2, colour));
        }
        for (const auto& line : contour.lines) {
            if (line.size() < 2) continue;
            if (!longest || line.size() > longest->size()) longest = &line;
            std::vector<QPointF> points;
            for (const ReportPoint& q : line) points.emplace_back(px(q.x), py(q.y));
            s.Drawn(points, axes, false);
            if (!s.drawing) continue;
            QPainterPath path(at(line.front()));
            for (std::size_t k = 1; k < line.size(); ++k) path.lineTo(at(line[k]));
            p.drawPath(path);
        }
        if (s.drawing) p.restore();
        if (!longest) continue;
        const ReportPoint middle = (*longest)[longest->size() / 2];
        const double lw = 9, lh = 3.2;
        const double lx = std::clamp(px(middle.x) - lw / 2, x + 0.5, x + w - lw - 0.5);
        const double ly = std::clamp(py(middle.y) - lh / 2, y + 0.5, y + h - lh - 0.5);
        if (s.drawing) {
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawRect(s.R(lx, ly, lw, lh));
            p.setBrush(Qt::NoBrush);
        }
        s.Covered(QRectF(lx, ly, lw, lh));
        s.Text(lx, ly, lw, lh, Q(contour.label), s.Font(6.5, contour.limit), Qt::AlignCenter, colour);
        taken.emplace_back(lx, ly, lw, lh);
    }
    // The designs: a dot for the one given, a diamond for the one chosen; the label beside,
    // towards the middle of the chart, above for the one and below for the other.
    for (const ReportDesignChart::Mark& mark : chart.marks) {
        const double mx = px(mark.at.x), my = py(mark.at.y);
        if (s.drawing) {
            p.setPen(s.Pen(0.2, Qt::black));
            if (mark.chosen) {
                p.setBrush(Chosen);
                const double r = 1.5;
                QPolygonF diamond;
                diamond << s.P(mx, my - r) << s.P(mx + r, my) << s.P(mx, my + r) << s.P(mx - r, my);
                p.drawPolygon(diamond);
            } else {
                p.setBrush(Qt::black);
                p.drawEllipse(s.P(mx, my), s.D(1.0), s.D(1.0));
            }
            p.setBrush(Qt::NoBrush);
        }
        // Towards the middle first, above for the one given and below for the one chosen;
        // else whichever side is clear of the lines and the other labels.
        const QString text = Q(mark.label);
        const double lw = s.Width(text, s.Font(7, true)) + 0.6, lh = 3.5;
        const bool right = mx < x + w / 2;
        std::vector<QRectF> candidates;
        for (const double away : {1.5, 4.5, 8.0}) {
            for (const bool r : {right, !right}) {
                for (const bool below : {mark.chosen, !mark.chosen}) {
                    const double lx = r ? mx + 2 : mx - 2 - lw;
                    const double ly = std::clamp(below ? my + away : my - away - lh, y + 0.5, y + h - lh - 0.5);
                    candidates.emplace_back(lx, ly, lw, lh);
                }
            }
        }
        std::vector<std::vector<QPointF>> obstacles = contourLines;
        for (const ReportDesignChart::Mark& other : chart.marks) {
            const QPointF centre(px(other.at.x), py(other.at.y));
            obstacles.push_back({centre + QPointF(-1.5, -1.5), centre + QPointF(1.5, -1.5),
                                 centre + QPointF(1.5, 1.5), centre + QPointF(-1.5, 1.5),
                                 centre + QPointF(-1.5, -1.5)});
        }
        const QRectF at = FreePlace(candidates, axes, obstacles, taken);
        taken.push_back(at);
        // Where every place meets a line, the label stands on white over it.
        if (std::any_of(contourLines.begin(), contourLines.end(),
                        [&](const std::vector<QPointF>& line) { return LineMeets(line, at, axes); })) {
            if (s.drawing) {
                p.setPen(Qt::NoPen);
                p.setBrush(Qt::white);
                p.drawRect(s.R(at.x(), at.y(), at.width(), at.height()));
                p.setBrush(Qt::NoBrush);
            }
            s.Covered(at);
        }
        s.Text(at.x(), at.y(), at.width(), at.height(), text, s.Font(7, true), Qt::AlignCenter,
               mark.chosen ? Chosen : QColor(Qt::black));
    }
    if (s.drawing) {
        p.setPen(s.Pen(0.15));
        p.drawRect(s.R(x, y, w, h));
    }
}

}  // namespace platecam::plot
