#pragma once
// The cam drawn in model millimetres: base circle, roller, pitch curve, contour.

#include "model/cam_design.h"
#include "ui/canvas.h"

namespace platecam {

enum ViewMode { ViewWhole = 0, ViewZoom1 = 1, ViewZoom2 = 2 };

void DrawImageFrame(ImageSurface& image);

void DrawViewCircle(ImageSurface& image, double cx, double cy, double VX, double VY, double SX,
                    double SY, double r);
void DrawPointLoop(ImageSurface& image, int first, int last, double VX, double VY, double SX,
                   double SY, const PointSamples& points);

// The span that fits the whole cam: (BaseRadius + RollerRadius + MaxDisplacement) x 2.2.
double WholeViewSpan(const CamDesign& design);

// Base circle, the roller at cam angle 0 and the pitch curve (the first drawing of
// Button10Click and Button2Click).
void DrawPitchView(ImageSurface& image, const CamDesign& design);

// One picture of the animation: the contour turned by `angle` degrees under the roller.
void DrawAnimationFrame(ImageSurface& image, CamDesign& design, int viewMode, int angle);

}  // namespace platecam
