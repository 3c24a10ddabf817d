#pragma once
// The workshop drawing of a cam: the exact contour at 1:1 in millimetres as arcs, with a
// centre mark, the 0° reference, the bore, the arrow of the turn and the texts, on layers
// named for what they hold; or the same for the path of a milling tool's centre. Plain
// data in, the DXF file's bytes out.
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

#include "files/arcs.h"

namespace platecam {

inline constexpr std::string_view DrawingContourLayer = "CONTOUR";    // contour and bore
inline constexpr std::string_view DrawingPitchLayer = "PITCH";        // pitch curve
inline constexpr std::string_view DrawingCenterLayer = "CENTER";      // centre mark, 0° mark
inline constexpr std::string_view DrawingTextLayer = "TEXT";          // every text, the turn's arrow
inline constexpr std::string_view DrawingToolPathLayer = "TOOLPATH";  // the tool's centre

struct WorkshopDrawing {
    // The file's name without its extension (UTF-8, may be Japanese, may be empty).
    std::string designName;
    // The exact contour around the cam centre (0, 0), 0° on +y, as arcs and lines within a
    // stated tolerance (files/arcs.h): one revolution, closed. In a tool-path drawing, the
    // path of the tool's centre instead, on the layer TOOLPATH.
    std::vector<arcs::Piece> contour;
    bool toolPath = false;
    // The pitch curve of a roller follower, closed like the contour; empty for none.
    std::vector<arcs::Piece> pitch;
    std::optional<double> boreDiameter;
    // The lines under the name, in the reader's language: scale and unit, the cam, the
    // follower, the arcs and their deviation.
    std::vector<std::string> notes;
    // The word beside the arrow of the cam's turn (counter-clockwise, as the cam angles
    // advance clockwise on it); no arrow where empty.
    std::string rotation;
    // Title texts, label and value (UTF-8, may be Japanese, may be empty): part number,
    // material, designer, checker, revision, date. A pair with both empty is left out.
    std::vector<std::pair<std::string, std::string>> titleBlock;
};

// The file's bytes: arcs as ARC entities (a whole circle as a CIRCLE), lines as LINE,
// which every CAD and CAM program reads alike, even those that draw a polyline's bulges
// as chords. A coordinate or radius that is not finite
// raises CamError (the invalid-operation message); an empty contour, pieces that do not
// join end to end into a closed curve, or a bore that is not positive are the caller's
// mistake (std::invalid_argument). Characters without a Shift_JIS code become '?',
// control characters spaces.
std::string BuildWorkshopDrawing(const WorkshopDrawing& drawing);

}  // namespace platecam
