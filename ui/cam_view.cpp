#include "ui/cam_view.h"

#include <cmath>

#include "base/errors.h"
#include "model/pressure.h"

namespace platecam {

namespace {

struct Fit {
    double K, OX, OY;
};

// K is the smaller of the two scales; the view is centred in the other direction.
Fit MakeFit(int W, int H, double VX, double VY, double SX, double SY) {
    using LD = long double;
    const double KX = ToHeld(CheckedDivide(W, SX));
    const double KY = ToHeld(CheckedDivide(H, SY));
    Fit fit;
    if (KX >= KY) {
        fit.K = KY;
        fit.OX = ToHeld(LD{VX} - CheckedDivide(W, fit.K) / 2);
        fit.OY = ToHeld(LD{VY} - LD{SY} / 2);
    } else {
        fit.K = KX;
        fit.OX = ToHeld(LD{VX} - LD{SX} / 2);
        fit.OY = ToHeld(LD{VY} - CheckedDivide(H, fit.K) / 2);
    }
    return fit;
}

void DrawLine(ImageSurface& image, const Fit& fit, Point2 a, Point2 b) {
    using LD = long double;
    const int H = image.Height();
    image.MoveTo(Nearest((LD{a.x} - fit.OX) * fit.K), Nearest(H - (LD{a.y} - fit.OY) * fit.K));
    image.LineTo(Nearest((LD{b.x} - fit.OX) * fit.K), Nearest(H - (LD{b.y} - fit.OY) * fit.K));
}

void PenBackToBlack(ImageSurface& image) {
    image.SetPenSolid();
    image.SetPenColor(Black);
}

}  // namespace

void DrawImageFrame(ImageSurface& image) {
    const int W = image.Width(), H = image.Height();
    image.MoveTo(0, 0);
    image.LineTo(W - 1, 0);
    image.LineTo(W - 1, H - 1);
    image.LineTo(0, H - 1);
    image.LineTo(0, 0);
}

void DrawViewCircle(ImageSurface& image, double cx, double cy, double VX, double VY, double SX,
                    double SY, double r) {
    using LD = long double;
    const int W = image.Width(), H = image.Height();
    // The offsets for a zero centre; the centre itself is subtracted in the box.
    const Fit fit = MakeFit(W, H, 0, 0, SX, SY);
    image.SetPenColor(Blue);
    image.SetPenWidth(1);
    const int left = Nearest((LD{cx} - r - fit.OX - VX) * fit.K);
    const int right = Nearest((LD{cx} + r - fit.OX - VX) * fit.K);
    const int bottom = Nearest(H - (LD{cy} - r - fit.OY - VY) * fit.K);
    const int top = Nearest(H - (LD{cy} + r - fit.OY - VY) * fit.K);
    image.Ellipse(left, bottom, right, top);
    PenBackToBlack(image);
}

void DrawPointLoop(ImageSurface& image, int first, int last, double VX, double VY, double SX,
                   double SY, const PointSamples& points) {
    const Fit fit = MakeFit(image.Width(), image.Height(), VX, VY, SX, SY);
    image.SetPenColor(Blue);
    image.SetPenWidth(1);
    first = std::max(first, 0);
    last = std::min(last, MaxSampleIndex);
    for (int i = first; i < last; ++i) DrawLine(image, fit, points[i], points[i + 1]);
    if (last >= 0) DrawLine(image, fit, points[last], points[0]);
    PenBackToBlack(image);
}

double WholeViewSpan(const CamDesign& design) {
    return ToHeld((static_cast<long double>(design.BaseRadius) + design.RollerRadius +
                   design.MaxDisplacement) *
                  2.2L);
}

void DrawPitchView(ImageSurface& image, const CamDesign& design) {
    image.SetFillColor(White);
    image.FillRect(0, 0, image.Width(), image.Height());
    DrawImageFrame(image);
    const double S = WholeViewSpan(design);
    DrawViewCircle(image, 0, 0, 0, 0, S, S, design.BaseRadius);
    const double rollerY = ToHeld(static_cast<long double>(design.BaseRadius) +
                                  design.RollerRadius + design.Displacement[0]);
    DrawViewCircle(image, 0, rollerY, 0, 0, S, S, design.RollerRadius);
    DrawPointLoop(image, 0, RevolutionSamples(design) - 1, 0, 0, S, S, design.PitchCurve);
}

void DrawAnimationFrame(ImageSurface& image, CamDesign& design, int viewMode, int angle) {
    using LD = long double;
    double VY;
    double span;
    if (viewMode == ViewWhole) {
        VY = 0;
        span = WholeViewSpan(design);
    } else {
        VY = ToHeld(LD{design.MaxDisplacement} / 2 + design.BaseRadius);
        span = ToHeld((viewMode == ViewZoom1 ? 4.0L : 1.5L) * design.MaxDisplacement);
    }
    const int N = std::min(RevolutionSamples(design), MaxSampleIndex + 1);
    // One turn for every point: its cosine and sine are taken once per frame.
    const long double radians = RotationRadians(angle);
    const long double c = std::cos(radians), s = std::sin(radians);
    for (int i = 0; i < N; ++i) {
        const Point2 p = design.CamProfile[i];
        design.RotatedProfile[i] = RotateBy(c, s, p.x, p.y);
    }
    image.SetFillColor(White);
    image.FillRect(0, 0, image.Width(), image.Height());
    DrawImageFrame(image);
    image.TextOut(5, 5, QStringLiteral("degree = ") + QString::number(angle));
    // A frame never reads a sample outside the arrays.
    const std::int64_t sample =
        std::clamp<std::int64_t>(std::int64_t{angle} * design.StepsPerDegree, 0, MaxSampleIndex);
    const double rollerY = ToHeld(LD{design.BaseRadius} + design.RollerRadius +
                                  design.Displacement[sample]);
    DrawViewCircle(image, 0, rollerY, 0, VY, span, span, design.RollerRadius);
    DrawPointLoop(image, 0, N - 1, 0, VY, span, span, design.RotatedProfile);
}

}  // namespace platecam
