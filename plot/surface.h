#pragma once
// Where a plot is drawn: a painter, in millimetres of the page or screen. A report page
// draws at 600 dots per inch and checks every text against its box; a window draws at the
// screen's resolution. The same chart code draws on both.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <vector>

namespace platecam::plot {

// The text as the fonts can draw it: the Japanese fonts have no ≤ and ≥ (U+2264, U+2265),
// only their Japanese forms ≦ and ≧, and no other font is at hand.
QString Drawable(QString text);

class Surface {
public:
    // `dotsPerInch`: device units per inch of the drawing; `fontScale` enlarges the type
    // (a screen is read from further away than a page).
    Surface(QPainter& painter, double dotsPerInch, double fontScale = 1)
        : p(painter), dpi_(dotsPerInch), fontScale_(fontScale) {}
    virtual ~Surface() = default;

    QPainter& p;
    bool drawing = true;

    // Millimetres to device units and back.
    double D(double mm) const { return mm * dpi_ / 25.4; }
    double Mm(double device) const { return device * 25.4 / dpi_; }
    QPointF P(double x, double y) const { return QPointF(D(x), D(y)); }
    QRectF R(double x, double y, double w, double h) const { return QRectF(D(x), D(y), D(w), D(h)); }
    QPen Pen(double widthMm, QColor colour = Qt::black, Qt::PenStyle style = Qt::SolidLine) const {
        return QPen(colour, D(widthMm), style, Qt::RoundCap, Qt::RoundJoin);
    }
    QFont Font(double points, bool bold = false) const;

    // Draws `text` in the box (mm).
    virtual void Text(double x, double y, double w, double h, const QString& text, const QFont& font,
                      int flags = Qt::AlignLeft | Qt::AlignVCenter, const QColor& colour = Qt::black);

    // Notes a line just drawn (mm), seen only inside `clip` (mm; empty: all of it). With
    // `bounded` the line is meant to lie inside `clip` whole: a curve in its axes. A page
    // that checks its layout keeps these to find texts drawn over them.
    virtual void Drawn(const std::vector<QPointF>& /*points*/, const QRectF& /*clip*/, bool /*bounded*/) {}

    // Notes a box (mm) just painted over in white: a text set on it is meant to stand
    // over the lines under it (a contour's label in its line).
    virtual void Covered(const QRectF& /*box*/) {}

    // Width (mm) of `text` on one line.
    double Width(const QString& text, const QFont& font) const;

private:
    double dpi_;
    double fontScale_;
};

// Whether the line from `a` to `b` passes through `r`.
bool SegmentMeets(QPointF a, QPointF b, const QRectF& r);
// Whether the polyline meets `r` where it is seen inside `clip` (empty: everywhere).
bool LineMeets(const std::vector<QPointF>& points, const QRectF& r, const QRectF& clip = QRectF());

// The drawings' type face: the IPA gothic, for Japanese and English alike.
QFont PlotFont(double points, bool bold = false);

}  // namespace platecam::plot
