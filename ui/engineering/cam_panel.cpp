#include "ui/engineering/cam_panel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "base/language.h"

namespace platecam {

namespace {

constexpr double Pi = 3.141592653589793;
constexpr int TickMs = 40;

const QColor ContourColour(20, 20, 160);
const QColor PitchColour(120, 120, 120);
const QColor BodyColour(222, 228, 242);
const QColor FollowerColour(170, 90, 0);
const QColor WorstColour(210, 0, 0);

}  // namespace

CamPanel::CamPanel(QWidget* parent) : QWidget(parent) {
    setMinimumSize(240, 240);
    setAccessibleName(QString::fromStdString(Tr("cam view")));
    // Focus by click or Tab: Space then plays.
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    timer_.setInterval(TickMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        SetAngle(std::fmod(angle_ + speed_ * TickMs / 1000.0, 360.0));
        emit AngleChanged(angle_);
    });
}

void CamPanel::Show(std::optional<CamPicture> picture, const QString& missing) {
    const bool first = !picture_ && picture;
    picture_ = std::move(picture);
    missing_ = missing;
    if (first || !fitted_) Fit();
    update();
}

void CamPanel::SetAngle(double degrees) {
    angle_ = std::clamp(degrees, 0.0, 360.0);
    update();
}

void CamPanel::Play(bool on) {
    if (on) {
        timer_.start();
    } else {
        timer_.stop();
    }
}

double CamPanel::Reach() const {
    double reach = 1;
    if (!picture_) return reach;
    for (const auto* curve : {&picture_->contour, &picture_->pitch}) {
        for (const engine::Point& p : *curve) reach = std::max(reach, std::hypot(p.x, p.y));
    }
    reach += picture_->follower.rollerRadius;
    if (picture_->pivot) reach = std::max(reach, std::hypot(picture_->pivot->x, picture_->pivot->y) + 5);
    reach = std::max({reach, std::fabs(picture_->faceFrom), std::fabs(picture_->faceTo)});
    return reach;
}

void CamPanel::Fit() {
    centre_ = QPointF(width() / 2.0, height() / 2.0);
    zoom_ = std::min(width(), height()) / (2.3 * Reach());
    fitted_ = picture_.has_value();
    update();
}

// The cam turned by the current angle, counter-clockwise as it runs.
engine::Point CamPanel::Turned(engine::Point p) const {
    const double a = angle_ * Pi / 180, c = std::cos(a), s = std::sin(a);
    return {p.x * c - p.y * s, p.x * s + p.y * c};
}

QPointF CamPanel::ToScreen(engine::Point p) const {
    return {centre_.x() + zoom_ * p.x, centre_.y() - zoom_ * p.y};
}

void CamPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!picture_) {
        painter.setPen(Qt::darkGray);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, missing_);
        return;
    }
    const CamPicture& pic = *picture_;
    auto path = [&](const std::vector<engine::Point>& points) {
        QPainterPath p;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const QPointF q = ToScreen(Turned(points[i]));
            if (i == 0) {
                p.moveTo(q);
            } else {
                p.lineTo(q);
            }
        }
        p.closeSubpath();
        p.setFillRule(Qt::WindingFill);
        return p;
    };
    // The plate, filled: a thin outline then reads as its edge (and a one-pixel line is
    // drawn many times faster than a wider one, which matters on every edit).
    const QPainterPath contour = path(pic.contour);
    painter.setPen(Qt::NoPen);
    painter.setBrush(BodyColour);
    painter.drawPath(contour);
    painter.setBrush(Qt::NoBrush);
    // The base circle with the cam angles, turned with the cam.
    painter.setPen(QPen(Qt::lightGray, 1));
    const double rb = pic.baseRadius * zoom_;
    painter.drawEllipse(centre_, rb, rb);
    painter.setPen(QPen(Qt::gray, 1));
    for (int a = 0; a < 360; a += 30) {
        const double polar = (90 - a) * Pi / 180;
        const engine::Point on{pic.baseRadius * std::cos(polar), pic.baseRadius * std::sin(polar)};
        const QPointF q = ToScreen(Turned(on));
        painter.drawLine(QPointF((q.x() + centre_.x() * 0.05) / 1.05, (q.y() + centre_.y() * 0.05) / 1.05), q);
        painter.drawText(QRectF(q.x() - 20, q.y() - 8, 40, 16), Qt::AlignCenter, QStringLiteral("%1°").arg(a));
    }
    // The centre mark.
    painter.drawLine(centre_ - QPointF(6, 0), centre_ + QPointF(6, 0));
    painter.drawLine(centre_ - QPointF(0, 6), centre_ + QPointF(0, 6));
    if (!pic.pitch.empty()) {
        painter.setPen(QPen(PitchColour, 1, Qt::DashLine));
        painter.drawPath(path(pic.pitch));
    }
    painter.setPen(QPen(ContourColour, 1));
    painter.drawPath(contour);

    // The worst points, where they lie on the contour.
    for (const auto& [deg, what] : pic.worst) {
        const auto at = std::min_element(pic.angles.begin(), pic.angles.end(),
                                         [d = deg](double a, double b) { return std::fabs(a - d) < std::fabs(b - d); });
        if (at == pic.angles.end()) continue;
        const QPointF q = ToScreen(Turned(pic.contour[static_cast<std::size_t>(at - pic.angles.begin())]));
        painter.setPen(QPen(WorstColour, 2));
        painter.drawEllipse(q, 5, 5);
        // Beside the mark, on the side with room for the words.
        const double room = painter.fontMetrics().horizontalAdvance(what) + 4;
        if (q.x() + 6 + room <= width() || width() - q.x() >= q.x()) {
            painter.drawText(QRectF(q.x() + 6, q.y() - 8, room, 16), Qt::AlignLeft | Qt::AlignVCenter, what);
        } else {
            painter.drawText(QRectF(q.x() - 6 - room, q.y() - 8, room, 16), Qt::AlignRight | Qt::AlignVCenter, what);
        }
    }

    // The follower at the current angle: the sample there, in the follower's frame.
    const auto at = std::min_element(pic.angles.begin(), pic.angles.end(), [this](double a, double b) {
        return std::fabs(a - angle_) < std::fabs(b - angle_);
    });
    painter.setPen(QPen(FollowerColour, 2));
    if (at != pic.angles.end() && !pic.contour.empty()) {
        const std::size_t i = static_cast<std::size_t>(at - pic.angles.begin());
        const engine::Point centre = Turned(pic.pitch.empty() ? pic.contour[i] : pic.pitch[i]);
        const QPointF c = ToScreen(centre);
        switch (pic.follower.kind) {
            case engine::FollowerKind::Flat: {
                const QPointF from = ToScreen({pic.faceFrom, centre.y}), to = ToScreen({pic.faceTo, centre.y});
                painter.drawLine(from, to);
                painter.drawLine(ToScreen({0, centre.y}), ToScreen({0, centre.y + 0.4 * pic.baseRadius}));
                break;
            }
            case engine::FollowerKind::SwingRoller: {
                const double r = pic.follower.rollerRadius * zoom_;
                painter.drawEllipse(c, r, r);
                if (pic.pivot) {
                    const QPointF q = ToScreen(*pic.pivot);
                    painter.drawLine(q, c);
                    painter.drawEllipse(q, 4, 4);
                }
                break;
            }
            case engine::FollowerKind::Roller: {
                const double r = pic.follower.rollerRadius * zoom_;
                painter.drawEllipse(c, r, r);
                // The line the roller moves on.
                painter.setPen(QPen(FollowerColour, 1, Qt::DotLine));
                painter.drawLine(ToScreen({pic.follower.offset, centre.y}),
                                 ToScreen({pic.follower.offset, centre.y + 0.6 * pic.baseRadius}));
                break;
            }
        }
    }
    // The arrow of the cam's turn: counter-clockwise, just outside the contour.
    double contourReach = pic.baseRadius;
    for (const engine::Point& p : pic.contour) contourReach = std::max(contourReach, std::hypot(p.x, p.y));
    const double ring = contourReach * 1.15 * zoom_;
    painter.setPen(QPen(Qt::darkGreen, 1.5));
    const QRectF box(centre_.x() - ring, centre_.y() - ring, 2 * ring, 2 * ring);
    painter.drawArc(box, 200 * 16, 50 * 16);
    const double end = 250 * Pi / 180;
    const QPointF tip(centre_.x() + ring * std::cos(end), centre_.y() - ring * std::sin(end));
    const QPointF along(-std::sin(end), -std::cos(end));  // the screen's direction of the turn
    const QPointF side(along.y(), -along.x());
    painter.drawLine(tip, tip - 10 * along + 5 * side);
    painter.drawLine(tip, tip - 10 * along - 5 * side);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(4, 4, 200, 18), Qt::AlignLeft, QStringLiteral("%1°").arg(angle_, 0, 'f', 1));
}

void CamPanel::wheelEvent(QWheelEvent* event) {
    const double factor = std::pow(1.0015, event->angleDelta().y());
    const QPointF at = event->position();
    centre_ = at + (centre_ - at) * factor;
    zoom_ *= factor;
    fitted_ = true;
    update();
}

void CamPanel::mousePressEvent(QMouseEvent* event) { dragFrom_ = event->position(); }

void CamPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    centre_ += event->position() - dragFrom_;
    dragFrom_ = event->position();
    update();
}

void CamPanel::mouseDoubleClickEvent(QMouseEvent*) { Fit(); }

void CamPanel::resizeEvent(QResizeEvent*) { Fit(); }

}  // namespace platecam
