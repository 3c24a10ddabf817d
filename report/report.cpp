// The design report: two A4 pages drawn with QPainter on a QPdfWriter, vector and with
// embedded fonts. Loaded by platecam-batch only when a report is asked for.

#include <QBuffer>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <algorithm>
#include <cstdio>
#include <cmath>
#include <functional>

#include "report/report.h"

namespace platecam {
namespace {

constexpr double Pi = 3.141592653589793;
constexpr double PageWidth = 210, PageHeight = 297, Margin = 15;  // mm
constexpr int Dpi = 600;

// Millimetres to device units.
double D(double mm) { return mm * Dpi / 25.4; }
QPointF P(double x, double y) { return QPointF(D(x), D(y)); }
QRectF R(double x, double y, double w, double h) { return QRectF(D(x), D(y), D(w), D(h)); }

QFont Font(double points, bool bold = false) {
    QFont font(QStringLiteral("IPAPGothic"));
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

QPen Pen(double widthMm, QColor colour = Qt::black, Qt::PenStyle style = Qt::SolidLine) {
    QPen pen(colour, D(widthMm), style, Qt::RoundCap, Qt::RoundJoin);
    return pen;
}

void Text(QPainter& p, double x, double y, double w, double h, const QString& text,
          int flags = Qt::AlignLeft | Qt::AlignVCenter) {
    p.drawText(R(x, y, w, h), flags, text);
}

// A table of text cells with thin rules; returns the y below it.
double Table(QPainter& p, double x, double y, const std::vector<double>& widths,
             const std::vector<QString>& header, const std::vector<ReportRow>& rows,
             double rowHeight = 5) {
    double width = 0;
    for (double w : widths) width += w;
    auto line = [&](const std::vector<QString>& cells, bool bold) {
        p.setFont(Font(8, bold));
        p.setPen(Pen(0.1));
        double cx = x;
        for (std::size_t k = 0; k < widths.size() && k < cells.size(); ++k) {
            Text(p, cx + 1, y, widths[k] - 2, rowHeight, cells[k]);
            cx += widths[k];
        }
        y += rowHeight;
        p.setPen(Pen(0.1, QColor(150, 150, 150)));
        p.drawLine(P(x, y), P(x + width, y));
        p.setPen(Pen(0.1));
    };
    if (!header.empty()) line(header, true);
    for (const ReportRow& row : rows) {
        std::vector<QString> cells;
        for (const std::string& c : row.cells) cells.push_back(Q(c));
        line(cells, false);
    }
    return y;
}

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

// The largest drawing scale (1, 2 or 5 times a power of ten) at which `reach` mm fits
// into `room` mm: the scale's text and factor.
std::pair<QString, double> DrawingScale(double reach, double room) {
    static const double factors[] = {10, 5, 2, 1, 0.5, 0.2, 0.1, 0.05, 0.02, 0.01, 0.005, 0.002, 0.001};
    for (double f : factors) {
        if (reach * f <= room) {
            return {f >= 1 ? QStringLiteral("%1:1").arg(f) : QStringLiteral("1:%1").arg(1 / f), f};
        }
    }
    return {QStringLiteral("1:1000"), 0.001};
}

void DrawCam(QPainter& p, const ReportInput& in, double x, double y, double size) {
    const CamDesign& d = *in.design;
    const int N = std::min(RevolutionSamples(d), SampleCount);
    double reach = d.BaseRadius;
    for (int i = 0; i < N; ++i) reach = std::max(reach, std::hypot(d.PitchCurve[i].x, d.PitchCurve[i].y) + d.RollerRadius);
    const auto [scaleText, factor] = DrawingScale(reach, size / 2 - 2);
    const double cx = x + size / 2, cy = y + size / 2;
    auto at = [&](Point2 q) { return P(cx + q.x * factor, cy - q.y * factor); };
    auto loop = [&](const PointSamples& points, int count, bool close) {
        QPainterPath path;
        for (int i = 0; i < count; ++i) {
            if (i == 0) path.moveTo(at(points[i])); else path.lineTo(at(points[i]));
        }
        if (close) path.closeSubpath();
        p.drawPath(path);
    };
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(0.1, QColor(120, 120, 120)));
    p.drawEllipse(at(Point2{0, 0}), D(d.BaseRadius * factor), D(d.BaseRadius * factor));
    p.setPen(Pen(0.2, QColor(0, 90, 170), Qt::DashLine));
    loop(d.PitchCurve, N, true);
    p.setPen(Pen(0.4));
    loop(d.CamProfile, std::clamp(in.contourSamples, 0, N + 1), in.contourComplete);
    // The roller at cam angle 0, resting on the contour at the top.
    const Point2 roller{0, d.BaseRadius + d.RollerRadius + d.Displacement[0]};
    p.setPen(Pen(0.25, QColor(170, 90, 0)));
    p.drawEllipse(at(roller), D(d.RollerRadius * factor), D(d.RollerRadius * factor));
    // The centre.
    p.setPen(Pen(0.15));
    p.drawLine(P(cx - 3, cy), P(cx + 3, cy));
    p.drawLine(P(cx, cy - 3), P(cx, cy + 3));
    // A scale bar of a round length in the drawing's millimetres.
    const double bar = NiceStep(size / factor / 4, 1);
    const double bx = x + 2, by = y + size - 3;
    p.setPen(Pen(0.3));
    p.drawLine(P(bx, by), P(bx + bar * factor, by));
    p.drawLine(P(bx, by - 1), P(bx, by + 1));
    p.drawLine(P(bx + bar * factor, by - 1), P(bx + bar * factor, by + 1));
    p.setFont(Font(7));
    Text(p, bx, by - 6, 60, 5, QStringLiteral("%1 mm").arg(bar));
    p.setFont(Font(9, true));
    Text(p, x + 1, y + 1, size, 5, QStringLiteral("scale %1").arg(scaleText));
    p.setFont(Font(7));
    Text(p, x, y + size, size + 80, 5,
         QStringLiteral("contour solid, pitch curve dashed, base circle thin, roller at 0 deg, "
                        "cam turning clockwise"));
    p.setPen(Pen(0.1, QColor(180, 180, 180)));
    p.drawRect(R(x, y, size, size));
    p.setPen(Pen(0.1));
}

struct Series {
    QString title;
    std::function<std::optional<double>(int)> value;  // nullopt: no value (a gap)
    std::vector<std::pair<double, QString>> marks;     // horizontal reference lines
};

void Chart(QPainter& p, const ReportInput& in, const Series& s, double x, double y, double w,
           double h, bool angleLabels) {
    const CamDesign& d = *in.design;
    const int S = d.StepsPerDegree;
    const int N = std::min(RevolutionSamples(d), SampleCount);
    double lo = 0, hi = 0;
    bool any = false;
    for (int i = 0; i < N; ++i) {
        if (const auto v = s.value(i)) {
            const double value = *v;
            lo = any ? std::min(lo, value) : value;
            hi = any ? std::max(hi, value) : value;
            any = true;
        }
    }
    for (const auto& mark : s.marks) {
        lo = std::min(lo, mark.first);
        hi = std::max(hi, mark.first);
    }
    if (!(hi > lo)) {
        lo -= 1;
        hi += 1;
    }
    const double step = NiceStep(hi - lo, 4);
    lo = std::floor(lo / step) * step;
    hi = std::ceil(hi / step) * step;
    auto px = [&](double degrees) { return x + degrees / 360 * w; };
    auto py = [&](double value) { return y + h - (value - lo) / (hi - lo) * h; };

    p.setFont(Font(8, true));
    Text(p, x, y - 5, w, 5, s.title);
    p.setFont(Font(6.5));
    // Light grid, nice ticks on both axes.
    const double angleStep = 50;
    for (double a = 0; a <= 360 + 1e-9; a += angleStep) {
        p.setPen(Pen(0.05, QColor(200, 200, 200)));
        p.drawLine(P(px(a), y), P(px(a), y + h));
        if (angleLabels) {
            p.setPen(Pen(0.1));
            Text(p, px(a) - 6, y + h + 0.5, 12, 3.5, TickText(a, angleStep), Qt::AlignCenter);
        }
    }
    for (double v = lo; v <= hi + step * 1e-6; v += step) {
        p.setPen(Pen(0.05, QColor(200, 200, 200)));
        p.drawLine(P(x, py(v)), P(x + w, py(v)));
        p.setPen(Pen(0.1));
        Text(p, x - 16, py(v) - 1.75, 15, 3.5, TickText(v, step), Qt::AlignRight | Qt::AlignVCenter);
    }
    // The table's segment boundaries.
    p.setPen(Pen(0.1, QColor(120, 160, 220)));
    for (double b : in.boundaries) {
        if (b >= 0 && b <= 360) p.drawLine(P(px(b), y), P(px(b), y + h));
    }
    for (const auto& [value, label] : s.marks) {
        p.setPen(Pen(0.2, QColor(200, 60, 60), Qt::DashLine));
        p.drawLine(P(x, py(value)), P(x + w, py(value)));
        p.setPen(Pen(0.1, QColor(200, 60, 60)));
        Text(p, x + w - 40, py(value) - 4, 39.5, 3.5, label, Qt::AlignRight | Qt::AlignVCenter);
    }
    p.save();
    p.setClipRect(R(x, y, w, h));
    p.setPen(Pen(0.25, QColor(20, 20, 160)));
    QPainterPath path;
    bool open = false;
    for (int i = 0; i < N; ++i) {
        const auto v = s.value(i);
        if (!v) {
            open = false;
            continue;
        }
        const QPointF point = P(px(static_cast<double>(i) / S), py(*v));
        if (open) path.lineTo(point); else path.moveTo(point);
        open = true;
    }
    p.drawPath(path);
    p.restore();
    p.setPen(Pen(0.15));
    p.setBrush(Qt::NoBrush);
    p.drawRect(R(x, y, w, h));
}

void PageOne(QPainter& p, const ReportInput& in) {
    p.setPen(Pen(0.1));
    p.setFont(Font(15, true));
    Text(p, Margin, Margin, 150, 9, QStringLiteral("Plate cam design report: ") + Q(in.title));
    p.setFont(Font(9));
    Text(p, PageWidth - Margin - 40, Margin, 40, 9, Q(in.date), Qt::AlignRight | Qt::AlignVCenter);
    p.setFont(Font(10, true));
    Text(p, Margin, 28, 80, 6, QStringLiteral("Inputs"));
    Table(p, Margin, 34, {32, 55}, {}, in.inputs);
    p.setFont(Font(10, true));
    Text(p, 112, 28, 80, 6, QStringLiteral("Motion table"));
    Table(p, 112, 34, {12, 30, 40}, {QStringLiteral("row"), QStringLiteral("angle [deg]"),
                                     QStringLiteral("displacement [mm]")},
          in.motionTable, 4.2);
    DrawCam(p, in, Margin, 72, 94);
    p.setFont(Font(10, true));
    double y = 178;
    Text(p, Margin, y, 80, 6, QStringLiteral("Checks"));
    y = Table(p, Margin, y + 6, {36, 62, 30, 26, 26},
              {QStringLiteral("check"), QStringLiteral("value"), QStringLiteral("where"),
               QStringLiteral("limit"), QStringLiteral("verdict")},
              in.checks, 5.5);
    p.setFont(Font(8));
    y += 4;
    for (const std::string& note : in.notes) {
        QRectF bounds;
        p.drawText(R(Margin, y, PageWidth - 2 * Margin, 30), Qt::TextWordWrap, Q(note), &bounds);
        y += bounds.height() * 25.4 / Dpi + 1.5;
    }
}

void PageTwo(QPainter& p, const ReportInput& in) {
    const CamDesign& d = *in.design;
    const MotionProfile& m = *in.motion;
    const double omega = in.rpm ? 2 * Pi * *in.rpm / 60 : 1;
    const bool perTime = in.rpm.has_value();
    auto scaled = [&](const ValueSamples& values, double factor) {
        return [&values, factor](int i) -> std::optional<double> { return values[i] * factor; };
    };
    const double reach = d.BaseRadius + d.RollerRadius + d.MaxDisplacement;
    std::vector<Series> series = {
        {QStringLiteral("displacement [mm]"), scaled(d.Displacement, 1), {}},
        {perTime ? QStringLiteral("velocity [mm/s]") : QStringLiteral("velocity [mm/rad]"),
         scaled(m.velocity, omega), {}},
        {perTime ? QStringLiteral("acceleration [m/s²]") : QStringLiteral("acceleration [mm/rad²]"),
         scaled(m.acceleration, perTime ? omega * omega / 1000 : 1), {}},
        {perTime ? QStringLiteral("jerk [m/s³]") : QStringLiteral("jerk [mm/rad³]"),
         scaled(m.jerk, perTime ? omega * omega * omega / 1000 : 1), {}},
        {QStringLiteral("pressure angle, exact [deg]"),
         [&](int i) -> std::optional<double> {
             return ExactPressureAngle(d.BaseRadius, d.RollerRadius, d.Displacement[i], m.velocity[i]);
         },
         {{in.maxPressure, QStringLiteral("+%1 deg limit").arg(in.maxPressure)},
          {-in.maxPressure, QStringLiteral("-%1 deg limit").arg(in.maxPressure)}}},
        {QStringLiteral("radius of curvature of the pitch curve [mm] (convex > 0)"),
         [&](int i) -> std::optional<double> {
             const double k = PitchCurvature(d.BaseRadius, d.RollerRadius, d.Displacement[i],
                                             m.velocity[i], m.acceleration[i]);
             // Through a straight piece the radius passes infinity: the line leaves the
             // chart and comes back from the other side.
             if (k == 0 || std::fabs(1 / k) > 2 * reach) return std::nullopt;
             return 1 / k;
         },
         {{d.RollerRadius, QStringLiteral("roller radius %1 mm").arg(d.RollerRadius)}}},
    };
    p.setFont(Font(12, true));
    p.setPen(Pen(0.1));
    Text(p, Margin, Margin - 4, 180, 8, QStringLiteral("Motion and geometry over one revolution: ") + Q(in.title));
    const double x = 35, w = PageWidth - Margin - x, h = 33, gap = 11.5;
    double y = 26;
    for (const Series& one : series) {
        Chart(p, in, one, x, y, w, h, true);
        y += h + gap;
    }
    p.setFont(Font(8));
    Text(p, x, y - gap + 4, w, 4, QStringLiteral("cam angle [deg]; thin blue lines: segment boundaries of the motion table"),
         Qt::AlignCenter);
}

}  // namespace
}  // namespace platecam

extern "C" bool platecam_render_report(const platecam::ReportInput& in, std::string& pdf,
                                       std::string& error) {
    if (!QCoreApplication::instance()) {
        // No display is needed to draw a PDF; the application lives until the process ends.
        // Qt's notes about the session (no runtime folder, say) are not the user's concern.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg) {
                std::fprintf(stderr, "platecam-batch: %s\n", qPrintable(text));
            }
        });
        static int argc = 1;
        static char name[] = "platecam-batch";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(platecam::Dpi);
        writer.setTitle(QStringLiteral("Plate cam design report: ") + QString::fromStdString(in.title));
        writer.setCreator(QStringLiteral("platecam-batch"));
        QPainter painter;
        if (!painter.begin(&writer)) {
            error = "the PDF could not be started";
            return false;
        }
        painter.setRenderHint(QPainter::Antialiasing);
        platecam::PageOne(painter, in);
        writer.newPage();
        platecam::PageTwo(painter, in);
        painter.end();
    }
    pdf.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}
