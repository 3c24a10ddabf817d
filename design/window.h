#pragma once
// A design document and the window's design: the window shows a roller on the line
// through the cam centre with one of its three laws for every segment, in a table of 20
// rows with the two radii in their slots.

#include <string>

#include "design/document.h"
#include "model/cam_design.h"

namespace platecam {

static_assert(DocumentMaxRows == MotionRowCount, "a document has the window's rows at most");

// The first key (as "follower.kind" or "motion[3].law") that the window cannot show, or
// an empty string.
std::string KeyTheWindowCannotShow(const DesignDocument& document);

// The design table of a document the window can show: rows 1..n, the rest zero, the
// radii in their slots. Throws DocumentError naming the key when the document breaks a
// rule or the window cannot show it.
MotionTable TableFromDocument(const DesignDocument& document);

// A document from the window's design: the rows up to the row at 360 (the table walk;
// all 20 when no row is at 360), the law by the window's index, the resolution by
// samples per degree (1, 2 or 5), an in-line roller written with offset = 0. Throws
// DocumentError (path for the message) when the design breaks a rule of the document.
DesignDocument DocumentFromTable(const MotionTable& table, int lawIndex, int stepsPerDegree,
                                 const std::string& path);

// The design both windows start with: base circle 45 mm, roller 10 mm, a rise of 10 mm,
// a dwell, a rise to 20 mm and a fall back, cycloid at 1 degree.
DesignDocument StartUpDocument();

}  // namespace platecam
