#include "plot/surface.h"

namespace platecam::plot {

QFont PlotFont(double points, bool bold) {
    QFont font(QStringLiteral("IPAPGothic"));
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont Surface::Font(double points, bool bold) const { return PlotFont(points * fontScale_, bold); }

void Surface::Text(double x, double y, double w, double h, const QString& text, const QFont& font,
                   int flags, const QColor& colour) {
    if (!drawing || text.isEmpty()) return;
    p.setFont(font);
    p.setPen(Pen(0.1, colour));
    p.drawText(R(x, y, w, h), flags, text);
}

}  // namespace platecam::plot
