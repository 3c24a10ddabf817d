#pragma once
// The exact cam at the desk: its contour, pitch curve, base circle and angle marks, turned
// to the current cam angle under the follower as it is (a roller on its line, the flat
// face with its width, the arm with its pivot), the arrow of the turn, and the worst
// points marked. It zooms (wheel), pans (drag), fits (double click) and turns by itself.

#include <QTimer>
#include <QWidget>
#include <optional>
#include <vector>

#include "engine/cam_types.h"

namespace platecam {

struct CamPicture {
    std::vector<engine::Point> contour, pitch;  // the cam's frame, one revolution
    std::vector<double> angles;                 // the cam angle of each point
    engine::Follower follower;
    double baseRadius = 0;
    std::optional<engine::Point> pivot;         // a swinging arm's
    double faceFrom = 0, faceTo = 0;            // a flat face's extent
    std::vector<std::pair<double, QString>> worst;  // cam angles to mark, and what they are
};

class CamPanel : public QWidget {
    Q_OBJECT
public:
    explicit CamPanel(QWidget* parent = nullptr);

    void Show(std::optional<CamPicture> picture, const QString& missing = {});
    void SetAngle(double degrees);
    double Angle() const { return angle_; }
    void Fit();
    void Play(bool on);
    bool Playing() const { return timer_.isActive(); }
    // Degrees of cam turn a second.
    void SetSpeed(double degreesPerSecond) { speed_ = degreesPerSecond; }
    double Zoom() const { return zoom_; }

signals:
    void AngleChanged(double degrees);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointF ToScreen(engine::Point p) const;
    engine::Point Turned(engine::Point p) const;
    double Reach() const;

    std::optional<CamPicture> picture_;
    QString missing_;
    double angle_ = 0;
    double zoom_ = 1;      // pixels per mm
    QPointF centre_;       // the screen point of the cam centre
    QPointF dragFrom_;
    bool fitted_ = false;
    QTimer timer_;
    double speed_ = 60;
};

}  // namespace platecam
