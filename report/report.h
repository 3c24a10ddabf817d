#pragma once
// What the design report shows, handed from platecam-batch to the report module as plain
// data. Every text is already in the reader's language and every figure already written
// as the reader sees it: the module lays out and draws what it is handed and translates
// nothing. Curves come as points (millimetres in the cam's frame, or chart values per
// sample), so the module needs nothing of the computation.

#include <optional>
#include <string>
#include <vector>

namespace platecam {

// The side of the square the cam figure is drawn in on page 1, mm of paper: the batch
// chooses the drawing scale for it.
inline constexpr double ReportFigureSide = 96;

enum class ReportVerdict { Pass, Fail, Warning, Information };

struct ReportField {
    std::string label, value;
};

// A table of text cells; every row has as many cells as the header.
struct ReportTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::vector<bool> rightAligned;  // per column: figures line up on the right
};

struct ReportCheck {
    std::string check, value, limit;
    std::string verdict;  // the verdict's word
    ReportVerdict kind = ReportVerdict::Information;
    std::string reason;  // a failure in words, or a note; may be empty
};

struct ReportPoint {
    double x = 0, y = 0;
};

enum class ReportFollower { None, Roller, Flat, SwingRoller };

// The cam at cam angle 0 with its follower. Frame: origin at the cam centre, x right,
// y up, mm; cam angles advance clockwise from +y.
struct ReportFigure {
    std::vector<ReportPoint> contour;  // closed
    std::vector<ReportPoint> pitch;    // closed; empty for the flat face
    double baseRadius = 0;
    ReportFollower follower = ReportFollower::None;
    ReportPoint rollerCentre;  // roller kinds
    double rollerRadius = 0;
    double faceY = 0, faceFrom = 0, faceTo = 0;  // flat: the face's line and extent
    ReportPoint pivot;                           // swinging arm
    std::optional<double> boreDiameter;
    double scale = 1;          // mm of paper per mm of the cam
    ReportPoint view;          // the point drawn at the figure's centre
    double scaleBar = 10;      // mm of the cam
    std::string scaleText;     // "scale 1:2"
    std::string scaleBarText;  // "20 mm"
    struct Mark {
        double angleDeg = 0;
        std::string text;
    };
    std::vector<Mark> angleMarks;  // on the base circle
    std::string rotationText;      // beside the arrow of the cam's turn
    std::string legend;            // under the figure
    std::string missing;           // drawn instead of a cam that cannot be drawn
};

// A horizontal line across a chart at a value, with its label at the right.
struct ReportLine {
    double value = 0;
    std::string label;
    bool limit = true;  // a limit (red, dashed) or a plain reference (the zero line)
};

struct ReportChart {
    std::string title;                     // with its unit
    std::vector<std::optional<double>> y;  // one per x of the page; empty: no value
    std::vector<ReportLine> lines;
    std::vector<std::pair<double, double>> bands;  // shaded ranges of the cam angle
};

// A page of charts over one revolution, one below the other.
struct ReportChartPage {
    std::string heading;
    std::vector<double> x;  // the cam angle of each sample, degrees
    std::vector<ReportChart> charts;
    std::vector<double> boundaries;  // segment boundaries, degrees
    std::string footnote;            // the x axis and what the thin lines are
};

// A plane of designs that differ in two sizes (a roller's offset across, its base radius
// up, mm), as a design chart: the region where every check passes shaded, lines of equal
// value, the designs to compare marked. Everything in the plane's own units.
struct ReportDesignChart {
    std::string heading;
    std::string xTitle, yTitle;  // with their units
    double xLow = 0, xHigh = 1, yLow = 0, yHigh = 1;
    std::vector<std::vector<ReportPoint>> passRegion;  // polygons whose union is shaded
    struct Contour {
        std::string label;  // at the line, "25°"
        bool limit = false;  // the limit's own level
        std::vector<std::vector<ReportPoint>> lines;
    };
    std::vector<Contour> contours;
    std::vector<ReportLine> lines;  // across the chart at a y value
    struct Mark {
        ReportPoint at;
        std::string label;
        bool chosen = false;  // the design chosen (a diamond) or the one given (a dot)
    };
    std::vector<Mark> marks;
    std::string footnote;  // what the shading, the lines and the marks are
};

// Figures against the cam's speed (a sweep of speeds), one chart below the other: each
// chart's y holds one value per speed of `rpm` (empty: none at that speed), its bands are
// ranges of speed.
struct ReportSpeedPage {
    std::string heading;
    std::vector<double> rpm;
    std::vector<ReportChart> charts;
    std::string footnote;  // the x axis and what the shading is
};

struct ReportInput {
    std::string title;                    // the report's heading and the PDF's title
    std::string designName;               // the file's name without its extension
    std::vector<ReportField> titleBlock;  // a drawing's title block, in order
    std::string pageNumber;               // "page %1 of %2"
    std::string continued;                // after a heading whose table goes on over a page

    std::string designHeading;
    std::vector<ReportField> design;  // what the design is, label and value
    std::string segmentsHeading;
    ReportTable segments;
    std::string segmentsNote;  // the units of the peaks
    std::string checksHeading;
    std::vector<std::string> checksHeader;  // check, value, limit, verdict
    std::vector<ReportCheck> checks;
    std::string result;
    ReportVerdict resultKind = ReportVerdict::Pass;
    std::vector<std::string> notes;

    ReportFigure figure;
    ReportChartPage motion;                   // page 2
    std::optional<ReportChartPage> dynamics;  // page 3, with the loads at speed
    std::optional<ReportSpeedPage> speeds;    // after it, with a sweep of speeds
    std::optional<ReportDesignChart> designChart;  // after the charts, with the offset sized

    // The last pages: the contour's coordinates at every step of the cam angle, to check a
    // cut cam on a rotary table or a measuring machine (cam angle, radius, x, y), as many
    // pages as the rows need; no rows where the cam has no contour to give.
    std::string coordinatesHeading;
    ReportTable coordinates;
    std::string coordinatesNote;
};

// A text the layout could not fit in its box.
struct ReportOverflow {
    int page = 0;
    std::string text;
    double needWidth = 0, needHeight = 0;  // mm
    double boxWidth = 0, boxHeight = 0;    // mm
};

// Something drawn where it meets what it must not: a text over a curve or a line, a text
// over another text, a curve that leaves its axes.
enum class ReportClashKind { TextOnLine, TextOnText, LineOffAxes };
struct ReportClash {
    int page = 0;
    ReportClashKind kind = ReportClashKind::TextOnLine;
    std::string text;   // the text; empty for a line off its axes
    std::string other;  // the other text, where one
    double x = 0, y = 0;  // mm from the page's top left: where
};

// The report module's entry points. Render: an A4 PDF in `pdf`, or false with the reason
// in `error`. Layout: the same pages drawn without keeping them, with every text that does
// not fit its box and the page count.
using RenderReportFunction = bool (*)(const ReportInput& input, std::string& pdf,
                                      std::string& error);
inline constexpr const char* RenderReportSymbol = "platecam_render_report";
using CheckReportLayoutFunction = bool (*)(const ReportInput& input,
                                           std::vector<ReportOverflow>& overflows, int& pages,
                                           std::string& error);
inline constexpr const char* CheckReportLayoutSymbol = "platecam_check_report_layout";
// The layout check that also names what is drawn over what.
using CheckReportDrawingFunction = bool (*)(const ReportInput& input,
                                            std::vector<ReportOverflow>& overflows,
                                            std::vector<ReportClash>& clashes, int& pages,
                                            std::string& error);
inline constexpr const char* CheckReportDrawingSymbol = "platecam_check_report_drawing";

}  // namespace platecam
