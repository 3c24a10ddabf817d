#include "engine/geometry.h"

#include "base/number_text.h"
#include "engine/follower.h"

namespace platecam::engine::detail {

namespace {

// Message ids (English; the Japanese texts are in po/ja.po).
namespace text {
inline constexpr const char* FollowerAtCentre = "at %s degrees the follower reaches the cam centre";
inline constexpr const char* NoDirection = "at %s degrees the pitch curve has no direction";
inline constexpr const char* ValueOutOfRange = "%s: not a value the cam can be computed with";
}  // namespace text

// Fills `gm` for the cam's motion, reusing its storage.
void FillGridMotion(const CamInput& cam, GridMotion& gm) {
    const Motion& motion = cam.motion;
    motion.OnGrid(GridPerDegree, gm.at);
    gm.ends.clear();
    gm.spans.clear();
    for (const Segment& s : motion.Segments()) {
        gm.ends.push_back(motion.EarlierSide(s.endDeg));
        gm.spans.emplace_back(static_cast<int>(s.startDeg) * GridPerDegree,
                              static_cast<int>(s.endDeg) * GridPerDegree);
    }
    gm.turnAt.clear();
    gm.turnEnds.clear();
    const bool swings = WithKind(cam.follower.kind, [](auto kind) { return decltype(kind)::Swings; });
    if (swings) {
        gm.turnAt.resize(GridCount);
        // Dwells hold the arm still: one turn for all of their points.
        double last = std::numeric_limits<double>::quiet_NaN();
        SinCos turn{0, 1};
        for (int k = 0; k < GridCount; ++k) {
            if (!(gm.at[k].s == last)) turn = ArmTurn(gm.at[k]), last = gm.at[k].s;
            gm.turnAt[k] = turn;
        }
        for (const Kinematics& m : gm.ends) gm.turnEnds.push_back(ArmTurn(m));
    }
}

}  // namespace

const std::vector<SinCos>& GridTurns() {
    static const std::vector<SinCos> table = [] {
        constexpr int QuarterTurn = 90 * GridPerDegree;
        std::vector<SinCos> t(GridCount);
        for (int k = 0; k < GridCount; ++k) {
            const double a =
                static_cast<double>(k % QuarterTurn) / GridPerDegree * DegreesToRadians;
            const double s = std::sin(a), c = std::cos(a);
            switch (k / QuarterTurn) {
                case 0:
                    t[k] = {s, c};
                    break;
                case 1:
                    t[k] = {c, -s};
                    break;
                case 2:
                    t[k] = {-s, -c};
                    break;
                default:
                    t[k] = {-c, s};
            }
        }
        return t;
    }();
    return table;
}

void RefuseValue(const char* key) { throw CamError(Text::Message(text::ValueOutOfRange, {key})); }

void ThrowFault(Fault fault, double deg) {
    if (fault == Fault::AtCentre) {
        throw GeometryError(Text::Message(text::FollowerAtCentre, {FormatNumber(deg)}));
    }
    if (fault == Fault::NoDirection) {
        throw GeometryError(Text::Message(text::NoDirection, {FormatNumber(deg)}));
    }
    ThrowOverflow();
}

GridMotion& MakeGridMotion(const CamInput& cam) {
    thread_local GridMotion gm;
    FillGridMotion(cam, gm);
    return gm;
}

}  // namespace platecam::engine::detail
