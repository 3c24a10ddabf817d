#pragma once
// The design document: one cam completely. It holds what the 264-byte design file holds
// plus what that file cannot say: the motion law of every segment, the resolution, the
// speed, the follower's kind and the loads. Its text is TOML (files/design_document);
// these are its contents, in the engine's words.
//
// Every key that may be left out is optional here, so that a document read and written
// again keeps exactly the keys it had (nothing a user wrote is lost).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "engine/vocabulary.h"

namespace platecam {

inline constexpr int DocumentMinRows = 2;
inline constexpr int DocumentMaxRows = 20;  // the window's table

struct DocumentRow {
    std::int32_t angle = 0;          // whole degrees of cam turn
    double lift = 0;                 // mm (swing-roller: degrees of arm swing)
    std::optional<engine::Law> law;  // the law of the segment that ends at this row
    // Conditions at this row of the polynomial segments that meet here: the follower's
    // velocity (mm/rad; an arm rad/rad), acceleration (per rad²) and jerk (per rad³).
    std::optional<double> velocity, acceleration, jerk;
};

struct CamSection {
    double baseRadius = 0;                       // mm, > 0
    double resolution = 1;                       // degrees per sample: 1, 0.5 or 0.2
    engine::Law law = engine::Law::Cycloid;      // of every rise and fall that names none
    std::optional<double> rpm;                   // > 0
    std::optional<double> maxPressureAngle;      // degrees, 0 < limit < 90 (default 30)
    std::optional<double> minBaseRadius;         // mm, >= 0 (default 0)
    std::optional<double> minRadiusOfCurvature;  // mm, >= 0 (default 0)
};

struct FollowerSection {
    engine::FollowerKind kind = engine::FollowerKind::Roller;
    std::optional<double> rollerRadius;   // mm, >= 0; roller and swing-roller (required there)
    std::optional<double> offset;         // mm; roller only (default 0)
    std::optional<double> faceWidth;      // mm, > 0; flat only
    std::optional<double> armLength;      // mm, > 0; swing-roller (required there)
    std::optional<double> pivotDistance;  // mm, > 0; swing-roller (required there)
    std::optional<double> clearance;      // mm, >= 0; swing-roller: the pivot's and arm's room (default 0)
};

struct DynamicsSection {
    std::optional<double> mass;        // kg, > 0 (required for a translating follower)
    std::optional<double> springRate;  // N/mm, >= 0 (default 0)
    std::optional<double> preload;     // N (default 0)
    std::optional<double> damping;     // N s/m, >= 0 (default 0); an arm: N m s/rad
    std::optional<double> load;        // N, resists the rise (default 0)
    // A follower that is not rigid: the stiffness between the cam's contact and the mass,
    // N/mm (> 0), and the damping ratio of that one degree of freedom (>= 0, < 1).
    std::optional<double> trainStiffness;
    std::optional<double> dampingRatio;
    // The contour corrected so that the mass, not the cam, follows the law at cam.rpm.
    std::optional<bool> compensate;
    // A swinging arm's: its moment of inertia about the pivot, kg m² (> 0, required there),
    // the spring's torque rate (N m/rad, >= 0), its torque at zero lift (N m) and a
    // constant torque resisting the rise (N m).
    std::optional<double> inertia;
    std::optional<double> springTorqueRate;
    std::optional<double> preloadTorque;
    std::optional<double> loadTorque;
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
    std::optional<double> allowableStress; // MPa, > 0: the contact stress becomes a check
};

// How the outside of the cam is milled: the tool, its direction and feeds, and the heights
// of the program (machining.tool_radius is required; the rest when G-code is asked).
enum class CutDirection { Climb, Conventional };

struct MachiningSection {
    std::optional<double> toolRadius;           // mm, > 0 (required)
    std::optional<CutDirection> direction;      // default climb
    std::optional<double> feed;                 // mm/min, > 0
    std::optional<double> plungeFeed;           // mm/min, > 0
    std::optional<double> spindle;              // rpm, > 0
    std::optional<double> depth;                // mm, > 0: the plate's thickness and breakthrough
    std::optional<double> safeZ;                // mm, > 0: above the plate
    std::optional<double> leadIn;               // mm, > 0: radius of the lead-in and lead-out arcs
};

// The first key of [machining] a milling program needs that the table lacks ("feed"...),
// or nullptr where it has them all.
const char* MissingProgramKey(const MachiningSection& machining);

// The names of the directions as documents write them.
const char* CutDirectionName(CutDirection direction);
std::optional<CutDirection> CutDirectionFromName(std::string_view name);

struct DesignDocument {
    CamSection cam;
    FollowerSection follower;
    std::vector<DocumentRow> motion;
    std::optional<DynamicsSection> dynamics;
    std::optional<DrawingSection> drawing;
    std::optional<ContactSection> contact;
    std::optional<MachiningSection> machining;

    // Samples per degree of cam.resolution: 1, 2 or 5 (DocumentError for another resolution).
    int StepsPerDegree() const;
    // The law of the segment that ends at row `row` (1..motion.size() - 1, an index into
    // motion): the row's own law, else cam.law. std::out_of_range for another index.
    engine::Law LawOfSegmentEndingAt(std::size_t row) const;
};

// A document that breaks a rule: the message names the file, the line where it has one,
// and the key ("cam.toml:12: cam.base_radius: must be ...").
class DocumentError : public CamError {
public:
    using CamError::CamError;
    DocumentError(Text text, std::string key) : CamError(std::move(text)), key_(std::move(key)) {}
    // The key that breaks the rule ("cam.base_radius", "motion[3].lift"), where one does.
    const std::string& key() const { return key_; }
    // The rule in words, without the file, the line and the key.
    const Text& reason() const { return reason_; }
    DocumentError& WithReason(Text reason) {
        reason_ = std::move(reason);
        return *this;
    }

private:
    std::string key_;
    Text reason_;
};

}  // namespace platecam
