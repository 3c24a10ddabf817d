#include "plot/surface.h"

#include <QFontMetricsF>
#include <algorithm>

namespace platecam::plot {

QFont PlotFont(double points, bool bold) {
    QFont font(QStringLiteral("IPAPGothic"));
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString Drawable(QString text) {
    return text.replace(QChar(0x2264), QChar(0x2266)).replace(QChar(0x2265), QChar(0x2267));
}

QFont Surface::Font(double points, bool bold) const { return PlotFont(points * fontScale_, bold); }

void Surface::Text(double x, double y, double w, double h, const QString& text, const QFont& font,
                   int flags, const QColor& colour) {
    if (!drawing || text.isEmpty()) return;
    p.setFont(font);
    p.setPen(Pen(0.1, colour));
    p.drawText(R(x, y, w, h), flags, Drawable(text));
}

}  // namespace platecam::plot

namespace platecam::plot {

double Surface::Width(const QString& text, const QFont& font) const {
    QPaintDevice* device = p.device();
    const QFontMetricsF metrics = device ? QFontMetricsF(font, device) : QFontMetricsF(font);
    // Without a device the metrics are of the screen's 96 dpi.
    const QString drawn = Drawable(text);
    return device ? Mm(metrics.horizontalAdvance(drawn)) : metrics.horizontalAdvance(drawn) * 25.4 / 96;
}

namespace {

// The piece of the segment from `a` to `b` inside `r` (Liang and Barsky), or false.
bool Clipped(QPointF& a, QPointF& b, const QRectF& r) {
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const QPointF from = a;
    a = from + QPointF(dx, dy) * t0;
    b = from + QPointF(dx, dy) * t1;
    return true;
}

}  // namespace

bool SegmentMeets(QPointF a, QPointF b, const QRectF& r) { return Clipped(a, b, r); }

bool LineMeets(const std::vector<QPointF>& points, const QRectF& r, const QRectF& clip) {
    for (std::size_t k = 0; k + 1 < points.size(); ++k) {
        QPointF a = points[k], b = points[k + 1];
        if (!clip.isEmpty() && !Clipped(a, b, clip)) continue;
        if (Clipped(a, b, r)) return true;
    }
    if (points.size() == 1) return r.contains(points.front()) && (clip.isEmpty() || clip.contains(points.front()));
    return false;
}

}  // namespace platecam::plot
