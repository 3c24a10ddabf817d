#pragma once
// The workshop drawing of a cam: the exact contour at 1:1 in millimetres with a centre
// mark, the 0° reference, the bore and the title texts, on layers named for what they
// hold. Plain data in, the DXF file's bytes out.
//
// Format: DXF R12 (AC1009) text, Shift_JIS (code page 932, $DWGCODEPAGE ANSI_932),
// CR LF, like the window's DXF. R12 already carries named layers, linetypes and
// code-page text (ezdxf reads it as cp932 and its audit is clean), and every CAM and CAD
// program in a workshop opens it; R2000's handles and object tree or R2007's UTF-8 would
// buy only $INSUNITS, so the drawing states its unit (mm, 1:1) in a text instead.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/cam_design.h"

namespace platecam {

inline constexpr std::string_view DrawingContourLayer = "CONTOUR";  // contour and bore
inline constexpr std::string_view DrawingPitchLayer = "PITCH";      // pitch curve
inline constexpr std::string_view DrawingCenterLayer = "CENTER";    // centre mark, 0° mark
inline constexpr std::string_view DrawingTextLayer = "TEXT";        // every text

struct WorkshopDrawing {
    // The file's name without its extension (UTF-8, may be Japanese, may be empty).
    std::string designName;
    // The exact contour around the cam centre (0, 0), 0° on +y: one revolution, closed
    // (the last point joins the first; a repeated first point at the end is dropped).
    std::vector<Point2> contour;
    // The pitch curve of a roller follower, closed like the contour; empty for none.
    std::vector<Point2> pitch;
    // Written as a text when positive.
    double baseRadius = 0;
    std::optional<double> boreDiameter;
    // Title texts, label and value (UTF-8, may be Japanese, may be empty): part number,
    // material, designer, checker, revision, date. A pair with both empty is left out.
    std::vector<std::pair<std::string, std::string>> titleBlock;
};

// The file's bytes. A coordinate, radius or bore that is not finite raises CamError (the
// invalid-operation message); fewer than 3 contour points, a pitch curve of 1 or 2 points,
// or a bore that is not positive are the caller's mistake (std::invalid_argument).
// Characters without a Shift_JIS code become '?', control characters spaces.
std::string BuildWorkshopDrawing(const WorkshopDrawing& drawing);

}  // namespace platecam
