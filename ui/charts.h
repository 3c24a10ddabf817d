#pragma once
// The displacement and pressure-angle charts on a 4 x 4 grid.

#include "model/cam_design.h"
#include "ui/canvas.h"

namespace platecam {

void DrawChartGrid(ImageSurface& image, int xDivisions, int yDivisions, double xMin, double xMax,
                   double yMin, double yMax, char decimalMark = '.');

// The curve through values[firstIndex..lastIndex]; top and bottom are the values drawn
// at the plot area's top and bottom edges. colourKind 1 red, 2 green, 3 blue, else red.
void PlotCurve(ImageSurface& image, const ValueSamples& values, int xFirst, int xLast,
               int firstIndex, int lastIndex, double top, double bottom, int colourKind,
               int penWidth);

}  // namespace platecam
