#include "ui/canvas.h"

#include <QPainter>
#include <cmath>

#include "base/errors.h"

namespace platecam {

namespace {

QColor ToQColor(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

// Coordinates far outside the surface are clipped by the painter; keep them in a range
// its fixed-point rasteriser handles.
constexpr int Far = 1 << 22;

}  // namespace

int Nearest(long double value) {
    if (!std::isfinite(value) || value > 2147483647.0L || value < -2147483648.0L) {
        ThrowInvalidOperation();
    }
    return static_cast<int>(std::nearbyint(value));
}

ImageSurface::ImageSurface(int width, int height)
    : image_(width, height, QImage::Format_RGB32) {
    image_.fill(Qt::white);
}

void ImageSurface::Log(DrawCall call) {
    if (!recording_) return;
    call.pen = pen_;
    call.penWidth = penWidth_;
    call.fill = fill_;
    calls_.push_back(std::move(call));
}

void ImageSurface::FillRect(int left, int top, int right, int bottom) {
    Log({DrawCall::FillRect, left, top, right, bottom});
    QPainter painter(&image_);
    painter.fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), ToQColor(fill_));
    Changed();
}

void ImageSurface::MoveTo(int x, int y) {
    Log({DrawCall::MoveTo, x, y});
    x_ = x;
    y_ = y;
}

void ImageSurface::LineTo(int x, int y) {
    Log({DrawCall::LineTo, x_, y_, x, y});
    // Clip to a window around the surface first (Liang-Barsky), so that far-away end
    // points keep the visible part of the line exact.
    double t0 = 0, t1 = 1;
    const double ax = x_, ay = y_, dx = double(x) - x_, dy = double(y) - y_;
    const double lo = -Far, hi = Far;
    bool inside = true;
    auto edge = [&](double p, double q) {
        if (p == 0) {
            if (q < 0) inside = false;
            return;
        }
        const double r = q / p;
        if (p < 0) {
            if (r > t1) inside = false;
            else if (r > t0) t0 = r;
        } else {
            if (r < t0) inside = false;
            else if (r < t1) t1 = r;
        }
    };
    edge(-dx, ax - lo);
    edge(dx, hi - ax);
    edge(-dy, ay - lo);
    edge(dy, hi - ay);
    if (inside) {
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::Antialiasing, false);
        QPen pen(ToQColor(pen_));
        pen.setWidth(penWidth_);
        painter.setPen(pen);
        painter.drawLine(QPointF(ax + t0 * dx, ay + t0 * dy), QPointF(ax + t1 * dx, ay + t1 * dy));
    }
    x_ = x;
    y_ = y;
    Changed();
}

void ImageSurface::Ellipse(int x1, int y1, int x2, int y2) {
    Log({DrawCall::Ellipse, x1, y1, x2, y2});
    const int left = std::min(x1, x2), right = std::max(x1, x2);
    const int top = std::min(y1, y2), bottom = std::max(y1, y2);
    // A circle too large for the rasteriser is drawn as far as it can be seen: skip it
    // when its box dwarfs the surface (its outline then lies far outside anyway).
    if (right - static_cast<long long>(left) < 4LL * Far &&
        bottom - static_cast<long long>(top) < 4LL * Far) {
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::Antialiasing, false);
        QPen pen(ToQColor(pen_));
        pen.setWidth(penWidth_);
        painter.setPen(pen);
        painter.setBrush(ToQColor(fill_));
        // The painter's outline takes one pixel more than the box's width; the box
        // (l, t, r, b) inks columns l..r-1 and rows t..b-1.
        painter.drawEllipse(QRect(QPoint(left, top), QPoint(right - 2, bottom - 2)));
    }
    Changed();
}

void ImageSurface::TextOut(int x, int y, const QString& text) {
    DrawCall call{DrawCall::Text, x, y};
    call.text = text;
    Log(std::move(call));
    QPainter painter(&image_);
    painter.setFont(font_);
    const QFontMetrics metrics(font_);
    const QRect box(QPoint(x, y), QSize(metrics.horizontalAdvance(text), metrics.height()));
    painter.fillRect(box, ToQColor(fill_));
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
    Changed();
}

}  // namespace platecam
