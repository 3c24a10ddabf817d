#pragma once
// The design document: one cam completely, as TOML (format 2). It holds what the 264-byte
// design file holds plus what that file cannot say: the motion law of every segment, the
// resolution, the speed, the follower's kind and the loads. Both programs read it; the
// window writes it for a name ending in ".toml", platecam-batch --save-design too.
//
// Every key that may be left out is optional here, so that a document read and written
// again keeps exactly the keys it had (nothing a user wrote is lost).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/cam_design.h"
#include "base/errors.h"

namespace platecam {

inline constexpr int DesignDocumentFormat = 2;
inline constexpr int DocumentMinRows = 2;
inline constexpr int DocumentMaxRows = MotionRowCount;
// The largest file either program reads as a design, and the largest document it writes.
// A document of 20 rows with every table takes under 3 KB as platecam writes it: the rest
// is room for a person's comments. A larger file is refused whole, never cut.
inline constexpr std::size_t DesignDocumentSizeLimit = 64 * 1024;

struct DocumentRow {
    std::int32_t angle = 0;          // whole degrees of cam turn
    double lift = 0;                 // mm (swing-roller: degrees of arm swing)
    std::optional<std::string> law;  // the law of the segment that ends at this row
};

struct CamSection {
    double baseRadius = 0;                       // mm, > 0
    double resolution = 1;                       // degrees per sample: 1, 0.5 or 0.2
    std::string law = "cycloid";                 // of every rise and fall that names none
    std::optional<double> rpm;                   // > 0
    std::optional<double> maxPressureAngle;      // degrees, 0 < limit < 90 (default 30)
    std::optional<double> minBaseRadius;         // mm, >= 0 (default 0)
    std::optional<double> minRadiusOfCurvature;  // mm, >= 0 (default 0)
};

struct FollowerSection {
    std::string kind = "roller";          // "roller" | "flat" | "swing-roller"
    std::optional<double> rollerRadius;   // mm, >= 0; roller and swing-roller (required there)
    std::optional<double> offset;         // mm; roller only (default 0)
    std::optional<double> faceWidth;      // mm, > 0; flat only
    std::optional<double> armLength;      // mm, > 0; swing-roller (required there)
    std::optional<double> pivotDistance;  // mm, > 0; swing-roller (required there)
};

struct DynamicsSection {
    std::optional<double> mass;        // kg, > 0 (required)
    std::optional<double> springRate;  // N/mm, >= 0 (default 0)
    std::optional<double> preload;     // N (default 0)
    std::optional<double> damping;     // N s/m, >= 0 (default 0)
    std::optional<double> load;        // N, resists the rise (default 0)
};

struct DrawingSection {
    std::optional<std::string> partNumber;
    std::optional<std::string> material;
    std::optional<std::string> designer;
    std::optional<std::string> checker;
    std::optional<std::string> revision;
    std::optional<std::string> date;
    std::optional<double> boreDiameter;  // mm, > 0
    std::optional<double> minWall;       // mm, >= 0: the least wall between bore and contour (default 3)
};

// The least wall between the bore and the contour when [drawing] gives none, mm.
inline constexpr double DefaultMinWall = 3;

// The texts of [drawing] in the title block's order: the key (without "drawing.") and the
// label, a message id.
struct TitleText {
    const char* key;
    const char* label;
    std::optional<std::string> DrawingSection::*field;
};
const std::vector<TitleText>& TitleTexts();

struct ContactSection {
    std::optional<double> width;           // mm, > 0 (required)
    std::optional<double> elasticModulus;  // MPa, > 0 (required)
    std::optional<double> poissonRatio;    // 0 <= nu < 0.5 (required)
};

struct DesignDocument {
    CamSection cam;
    FollowerSection follower;
    std::vector<DocumentRow> motion;
    std::optional<DynamicsSection> dynamics;
    std::optional<DrawingSection> drawing;
    std::optional<ContactSection> contact;

    // Samples per degree of cam.resolution: 1, 2 or 5 (DocumentError for another resolution).
    int StepsPerDegree() const;
    // The law of the segment that ends at row `row` (1..motion.size() - 1, an index into
    // motion): the row's own law, else cam.law. std::out_of_range for another index.
    const std::string& LawOfSegmentEndingAt(std::size_t row) const;
};

// A document that breaks a rule: the message names the file, the line and the key
// ("cam.toml:12: cam.base_radius: must be greater than 0").
class DocumentError : public CamError {
public:
    using CamError::CamError;
};

// The law names a document may use, the window's three first.
const std::vector<std::string>& DocumentLawNames();

// Reads and checks a document; `path` is only for the messages. Throws DocumentError.
DesignDocument ParseDesignDocument(std::string_view text, const std::string& path);

// Every rule of the document, on one however it was made (the messages name the key but
// no line: "path: cam.base_radius: must be greater than 0"). Throws DocumentError.
void CheckDesignDocument(const DesignDocument& document, const std::string& path);

// The canonical text of a document (toml++), which reads back to the same document and
// is written again byte for byte. Refuses (DocumentError) a document that breaks a rule:
// nothing the reader would refuse, no NaN or infinity, is ever written.
std::string FormatDesignDocument(const DesignDocument& document);

// The rules of the motion rows alone (count, whole increasing angles from 0 to 360, the
// lift at 360 equal to the lift at 0, known laws); throws DocumentError naming the row.
void CheckDocumentRows(const DesignDocument& document, const std::string& path);

// True when the bytes are a design document rather than a 264-byte design file (the
// window's OPEN decides by content, not by name): when they hold no NUL byte. TOML text
// never holds one; a design file does as soon as one of its angles lies from 0 to 360
// (two zero bytes each). So a TOML text of exactly 264 bytes is a document.
bool IsDesignDocument(std::string_view bytes);

// The whole file at `path`, a design file or a document; a file larger than
// DesignDocumentSizeLimit is refused (DocumentError naming its size and the limit) unread.
std::string ReadDesignBytes(const std::string& path);

// Reads and parses a document file (ReadDesignBytes, ParseDesignDocument).
DesignDocument ReadDesignDocument(const std::string& path);

// Why a title-block text (a [drawing] text, a --title-block value) is refused, as a
// message id: not UTF-8, a control character, a character that turns the direction of the
// text. nullptr for a text that may stand.
const char* TitleTextProblem(std::string_view value);
// Checks the document, then saves its text with SaveFile.
void SaveDesignDocument(const std::string& path, const DesignDocument& document);

// The window's cam: a roller on the line through the cam centre and one of the window's
// three laws for every segment. Returns the first key (as "follower.kind" or
// "motion[3].law") that the window cannot show, or an empty string.
std::string KeyTheWindowCannotShow(const DesignDocument& document);

// The window's index of a law name (0 cycloid, 1 modified trapezoid, 2 modified sine),
// -1 for the others.
int WindowLawIndex(const std::string& law);
// The name of the law the window computes for an index: as the model evaluates it,
// every index other than 0 and 1 is the modified sine.
const char* WindowLawName(int index);

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

}  // namespace platecam
