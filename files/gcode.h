#pragma once
// The milling program of a cam's outside: the tool's centre path (arcs and lines from
// files/arcs.h) as G-code that LinuxCNC and Fanuc-style controls run unchanged.

#include <string>
#include <vector>

#include "files/arcs.h"

namespace platecam {

struct MachiningSetup {
    double toolRadius = 0;  // mm, > 0 (the path is already offset by it: said in the header)
    bool climb = true;      // climb milling (clockwise round the outside), else conventional
    double feed = 0;        // mm/min
    double plungeFeed = 0;  // mm/min
    double spindle = 0;     // rpm, written as a whole number (Fanuc takes no decimals in S)
    double depth = 0;       // mm below the top of the plate (its thickness and breakthrough)
    double safeZ = 0;       // mm above the top of the plate
    double leadIn = 0;      // mm, > 0: radius of the tangent lead-in and lead-out arcs
};

// What the comment block at the top says.
struct GcodeHeader {
    std::string designName;   // UTF-8; characters a control cannot take are replaced by '?'
    double tolerance = 0;     // mm, of the arcs, > 0
    double maxDeviation = 0;  // mm, measured, >= 0
};

// The program for the closed tool path `path` (its pieces in the order of the cam angle,
// which runs clockwise round the cam; the program runs it clockwise for climb milling and
// counter-clockwise for conventional): G21 G90 G17 G40 G94, spindle on, rapid to above the
// start of the lead-in at safeZ, plunge at plungeFeed, the lead-in arc, the whole path with
// G01/G02/G03 (I, J relative to each move's start), the lead-out arc, retract, spindle off,
// M30. Z 0 is the top of the plate.
//
// The lead arcs have their centres outside the path, leadIn from its start point, so they
// meet the path tangentially and never cut into the cam; each turns through 90 degrees
// where that leaves its far end (the plunge point, the retract point) at least leadIn from
// the path, else through up to 180 degrees (a start where the path is concave).
//
// Every number but S has 4 decimals and at most 8 digits; no line is longer than 256
// characters; lines end with LF; every byte is printable ASCII. Whole circles and arcs of
// more than 180 degrees are written as two halves; an arc whose centre lies beyond the
// 8 digits as lines within 0.00005 mm of it.
//
// Throws CamError for a value out of range (every length 0.0001 to 9999.9999 mm, feeds
// up to 9999.9999 mm/min, spindle 1 to 99999 rpm, leadIn > 0), an empty, open or
// inconsistent path, one that encloses no area or reaches beyond 9999.9999 mm, and a start
// with no room for the lead arcs.
std::string GcodeProgram(const std::vector<arcs::Piece>& path, const MachiningSetup& setup,
                         const GcodeHeader& header);

}  // namespace platecam
