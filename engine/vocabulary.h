#pragma once
// The words of a cam the engine computes: the kinds of follower and the motion laws, each
// with the one name a design document gives it. Nothing outside the document's reader
// and writers handles a kind or a law as text; a new kind or law is named here once.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platecam::engine {

enum class FollowerKind { Roller, Flat, SwingRoller };

// The window's three laws come first, in the order of its curve choice.
enum class Law {
    Cycloid,
    ModifiedTrapezoid,
    ModifiedSine,
    SimpleHarmonic,
    Polynomial345,
    Polynomial4567,
    DoubleHarmonic,
    ConstantVelocity,
    Polynomial,  // fitted to conditions at its ends: engine/polynomial.h
};
inline constexpr int LawCount = 9;

// "roller", "flat", "swing-roller".
const char* FollowerKindName(FollowerKind kind);
std::optional<FollowerKind> FollowerKindFromName(std::string_view name);
const std::vector<FollowerKind>& FollowerKinds();

// "cycloid", "modified-trapezoid", "modified-sine", "simple-harmonic", "3-4-5",
// "4-5-6-7", "double-harmonic", "constant-velocity", "polynomial".
const char* LawName(Law law);
std::optional<Law> LawFromName(std::string_view name);
const std::vector<Law>& Laws();

// The window's three laws by the index of its curve choice: 0 cycloid, 1 modified
// trapezoid, 2 modified sine; as the window's computation evaluates it, every other index
// is the modified sine. And the index of a law, empty for the laws the window lacks.
Law WindowLaw(int index);
std::optional<int> WindowLawIndex(Law law);

// Every name of a list, for the messages that say which are allowed ("roller, flat,
// swing-roller"), joined as the language in use joins a list.
std::string FollowerKindNames();
std::string LawNames();

}  // namespace platecam::engine
