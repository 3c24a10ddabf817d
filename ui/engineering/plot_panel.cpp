#include "ui/engineering/plot_panel.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "base/language.h"
#include "plot/chart.h"

namespace platecam {

namespace {

// The charts' layout in millimetres of the screen (96 dots per inch).
constexpr double ScreenDpi = 96;
constexpr double LeftMm = 20, RightMm = 4, TopMm = 6, GapMm = 6.5, BottomMm = 6;

double ToMm(double pixels) { return pixels * 25.4 / ScreenDpi; }
double ToPixels(double mm) { return mm * ScreenDpi / 25.4; }

// The screen's surface: texts from the panel's cache of laid-out texts, placed in their box
// as the painter would place them.
class ScreenSurface : public plot::Surface {
public:
    ScreenSurface(QPainter& painter, std::map<QString, QStaticText>& cache)
        : Surface(painter, ScreenDpi, 1.3), cache_(cache) {}

    void Text(double x, double y, double w, double h, const QString& text, const QFont& font, int flags,
              const QColor& colour) override {
        if (!drawing || text.isEmpty()) return;
        // A screen shows a few hundred different texts at most; the cache starts again
        // rather than grow without end.
        if (cache_.size() > 4000) cache_.clear();
        const QString key = font.key() + QChar(0) + text;
        auto at = cache_.find(key);
        if (at == cache_.end()) {
            QStaticText laid(text);
            laid.setTextFormat(Qt::PlainText);
            laid.prepare(QTransform(), font);
            at = cache_.emplace(key, laid).first;
        }
        const QRectF box = R(x, y, w, h);
        const QSizeF size = at->second.size();
        const double left = (flags & Qt::AlignRight)     ? box.right() - size.width()
                            : (flags & Qt::AlignHCenter) ? box.center().x() - size.width() / 2
                                                         : box.left();
        const double top = (flags & Qt::AlignBottom)    ? box.bottom() - size.height()
                           : (flags & Qt::AlignVCenter) ? box.center().y() - size.height() / 2
                                                        : box.top();
        p.setFont(font);
        p.setPen(Pen(0.1, colour));
        p.drawStaticText(QPointF(left, top), at->second);
    }

private:
    std::map<QString, QStaticText>& cache_;
};

}  // namespace

PlotPanel::PlotPanel(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumHeight(300);
    setAccessibleName(QString::fromStdString(Tr("plots")));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void PlotPanel::Show(std::optional<ChartPages> pages, const QString& missing) {
    charts_.clear();
    x_.clear();
    boundaries_.clear();
    missing_ = missing;
    if (pages) {
        charts_ = pages->motion.charts;
        x_ = pages->motion.x;
        boundaries_ = pages->motion.boundaries;
        if (pages->dynamics) {
            charts_.insert(charts_.end(), pages->dynamics->charts.begin(), pages->dynamics->charts.end());
        }
    }
    // Each chart tall enough to read; the panel scrolls.
    setMinimumHeight(std::max(300, static_cast<int>(charts_.size()) * 150));
    update();
}

void PlotPanel::SetCursor(double degrees) {
    cursor_ = std::clamp(degrees, 0.0, 360.0);
    update();
}

double PlotPanel::Left() const { return ToPixels(LeftMm); }
double PlotPanel::Right() const { return width() - ToPixels(RightMm); }

std::size_t PlotPanel::SampleAt(double degrees) const {
    if (x_.empty()) return 0;
    const auto at = std::lower_bound(x_.begin(), x_.end(), degrees);
    std::size_t i = static_cast<std::size_t>(at - x_.begin());
    if (i >= x_.size()) i = x_.size() - 1;
    if (i > 0 && std::fabs(x_[i - 1] - degrees) <= std::fabs(x_[i] - degrees)) --i;
    return i;
}

QString PlotPanel::Readout() const {
    if (charts_.empty()) return missing_;
    const std::size_t i = SampleAt(cursor_);
    QString text = QStringLiteral("%1°").arg(x_.empty() ? cursor_ : x_[i], 0, 'f', 2);
    for (const ReportChart& chart : charts_) {
        std::optional<double> v = i < chart.y.size() ? chart.y[i] : std::nullopt;
        // A value that is the rounding of a zero, against the chart's values, reads as zero.
        double scale = 0;
        for (const std::optional<double>& y : chart.y) scale = std::max(scale, y ? std::fabs(*y) : 0.0);
        if (v && std::fabs(*v) < 1e-12 * scale) v = 0.0;
        text += QStringLiteral("\n") + QString::fromStdString(chart.title) + QStringLiteral(": ") +
                (v ? QString::number(*v, 'g', 6) : QStringLiteral("—"));
    }
    return text;
}

void PlotPanel::PointAt(double x) {
    const double degrees = std::clamp((x - Left()) / std::max(1.0, Right() - Left()) * 360, 0.0, 360.0);
    SetCursor(degrees);
    emit CursorMoved(cursor_);
}

void PlotPanel::mouseMoveEvent(QMouseEvent* event) {
    if (event->position().x() >= Left() && event->position().x() <= Right()) PointAt(event->position().x());
}

void PlotPanel::mousePressEvent(QMouseEvent* event) { PointAt(event->position().x()); }

void PlotPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    ScreenSurface surface(painter, texts_);
    if (charts_.empty()) {
        painter.setPen(Qt::darkGray);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, missing_);
        return;
    }
    const double widthMm = ToMm(width()) - LeftMm - RightMm;
    const double n = static_cast<double>(charts_.size());
    const double heightMm = std::max(8.0, (ToMm(height()) - TopMm - BottomMm - (n - 1) * GapMm) / n);
    double y = TopMm;
    for (std::size_t i = 0; i < charts_.size(); ++i) {
        plot::DrawChart(surface, x_, boundaries_, charts_[i], LeftMm, y, widthMm, heightMm, i + 1 == charts_.size());
        y += heightMm + GapMm;
    }
    // The cursor through every chart.
    const double x = Left() + cursor_ / 360 * (Right() - Left());
    painter.setPen(QPen(QColor(220, 120, 0), 1.5));
    painter.drawLine(QPointF(x, ToPixels(TopMm)), QPointF(x, ToPixels(y - GapMm)));
}

}  // namespace platecam
