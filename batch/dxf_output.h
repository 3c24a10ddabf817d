#pragma once
// The contour drawing of --dxf, in the window's format: the window's own drawing where
// the window can show the design, the exact contour otherwise.

#include <string>
#include <vector>

#include "batch/run.h"

namespace platecam {

// The drawing's bytes; throws CamError where the computation fails. Returns an empty
// string and the reason in `refusal` when the contour is not complete or not sound: a
// drawing of it would make a wrong part.
std::string DxfBytes(const Run& run, bool points, std::string& refusal);

// The workshop drawing (--drawing) of the exact contour; empty with the reason in
// `refusal` where there is no sound contour to draw. `warnings`: the texts that lose
// characters in Shift_JIS.
std::string DrawingBytes(const Run& run, std::string& refusal, std::vector<std::string>& warnings);

// Why the exact contour must not be drawn (undercut, a cusp, the bore through it), or
// empty where it may.
std::string DrawingRefusal(const Run& run);

// The drawing of the milling tool's centre (--toolpath), as DrawingBytes; refused where
// there is no tool or it is too large for the contour.
std::string ToolPathBytes(const Run& run, std::string& refusal, std::vector<std::string>& warnings);

}  // namespace platecam
