#include "ui/charts.h"

#include "base/errors.h"
#include "base/number_text.h"

namespace platecam {

namespace {
constexpr int Margin = 20;

QString Label(long double value, char mark) {
    return QString::fromStdString(LabelText(ToHeld(value), mark));
}
}  // namespace

void DrawChartGrid(ImageSurface& image, int xDivisions, int yDivisions, double xMin, double xMax,
                   double yMin, double yMax, char decimalMark) {
    const int W = image.Width(), H = image.Height();
    const int nx = xDivisions, ny = yDivisions;
    image.SetFillColor(White);
    image.FillRect(0, 0, W, H);
    image.MoveTo(Margin, Margin);
    image.LineTo(W - Margin, Margin);
    image.LineTo(W - Margin, H - Margin);
    image.LineTo(Margin, H - Margin);
    image.LineTo(Margin, Margin);
    auto gx = [&](int k) {
        return Nearest(CheckedDivide(static_cast<long double>((W - 40) * k), nx)) + Margin;
    };
    auto gy = [&](int k) {
        return Nearest(CheckedDivide(static_cast<long double>((H - 40) * k), ny)) + Margin;
    };
    for (int k = 1; k <= nx - 1; ++k) {
        image.MoveTo(gx(k), Margin);
        image.LineTo(gx(k), H - Margin);
    }
    for (int k = 1; k <= ny - 1; ++k) {
        image.MoveTo(Margin, gy(k));
        image.LineTo(W - Margin, gy(k));
    }
    image.TextOut(Margin, H - 15, Label(xMin, decimalMark));
    image.TextOut(W - Margin, H - 15, Label(xMax, decimalMark));
    for (int k = 1; k <= nx - 1; ++k) {
        const long double step = CheckedDivide(static_cast<long double>(xMax) - xMin, nx);
        image.TextOut(gx(k), H - 15, Label(xMin + step * k, decimalMark));
    }
    image.TextOut(0, H - 25, Label(yMin, decimalMark));
    image.TextOut(0, 15, Label(yMax, decimalMark));
    for (int k = 1; k <= ny - 1; ++k) {
        const long double step = CheckedDivide(static_cast<long double>(yMax) - yMin, ny);
        const int y = H - Nearest(CheckedDivide(static_cast<long double>((H - 40) * k), ny)) - 25;
        image.TextOut(0, y, Label(yMin + step * k, decimalMark));
    }
}

void PlotCurve(ImageSurface& image, const ValueSamples& values, int xFirst, int xLast,
               int firstIndex, int lastIndex, double top, double bottom, int colourKind,
               int penWidth) {
    const int W = image.Width(), H = image.Height();
    image.SetPenColor(Red);
    const int rememberedWidth = image.PenWidth();
    image.SetPenWidth(penWidth);
    switch (colourKind) {
        case 2:
            image.SetPenColor(Green);
            break;
        case 3:
            image.SetPenColor(Blue);
            break;
        default:
            break;
    }
    // The pen goes back to black and its width even when a plot fails, so a failed
    // plot never colours the next chart's grid.
    struct RestorePen {
        ImageSurface& image;
        int width;
        ~RestorePen() {
            image.SetPenColor(Black);
            image.SetPenWidth(width);
        }
    } restore{image, rememberedWidth};

    const double sx =
        ToHeld(CheckedDivide(static_cast<long double>(xLast - xFirst), static_cast<long double>(W - 40)));
    const double sy = ToHeld(CheckedDivide(static_cast<long double>(top) - bottom,
                                           static_cast<long double>(H - 40)));
    const int i0 = std::max(firstIndex, 0);
    const int i1 = std::min(lastIndex, MaxSampleIndex);
    auto px = [&](int i) {
        return Nearest(CheckedDivide(static_cast<long double>(i) - xFirst, sx)) + Margin;
    };
    auto py = [&](int i) {
        return H - (Nearest(CheckedDivide(static_cast<long double>(values[i]) - bottom, sy)) + Margin);
    };
    for (int i = i0; i < i1; ++i) {
        const int x0 = px(i);
        const int y0 = py(i);
        image.MoveTo(x0, y0);
        const int x1 = px(i + 1);
        const int y1 = py(i + 1);
        image.LineTo(x1, y1);
    }
}

}  // namespace platecam
