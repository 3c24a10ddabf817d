// The one table of names: every kind and law reads back from its name, the window's three
// laws keep the index of its curve choice, and no other text is a name.

#include "engine/vocabulary.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace platecam::engine {
namespace {

TEST(Vocabulary, EveryNameReadsBackAndNoOtherTextIsOne) {
    std::set<std::string> names;
    for (const FollowerKind kind : FollowerKinds()) {
        EXPECT_EQ(FollowerKindFromName(FollowerKindName(kind)), kind);
        names.insert(FollowerKindName(kind));
    }
    for (const Law law : Laws()) {
        EXPECT_EQ(LawFromName(LawName(law)), law);
        names.insert(LawName(law));
    }
    EXPECT_EQ(names.size(), FollowerKinds().size() + Laws().size()) << "every name is its own";
    EXPECT_EQ(Laws().size(), static_cast<std::size_t>(LawCount));
    for (const char* other : {"", "Cycloid", "cycloid ", "knife", "trapezoid", "4567"}) {
        EXPECT_FALSE(LawFromName(other)) << other;
        EXPECT_FALSE(FollowerKindFromName(other)) << other;
    }
    EXPECT_EQ(LawNames(), "cycloid, modified-trapezoid, modified-sine, simple-harmonic, 3-4-5, "
                          "4-5-6-7, double-harmonic, constant-velocity, polynomial");
    EXPECT_EQ(FollowerKindNames(), "roller, flat, swing-roller");
}

TEST(Vocabulary, TheWindowsLawsByTheIndexOfItsCurveChoice) {
    const Law window[] = {Law::Cycloid, Law::ModifiedTrapezoid, Law::ModifiedSine};
    for (int index = 0; index < 3; ++index) {
        EXPECT_EQ(WindowLaw(index), window[index]);
        EXPECT_EQ(WindowLawIndex(window[index]), index);
    }
    // As the window's computation evaluates it, any other index is the modified sine.
    EXPECT_EQ(WindowLaw(7), Law::ModifiedSine);
    EXPECT_EQ(WindowLaw(-1), Law::ModifiedSine);
    for (const Law law : {Law::SimpleHarmonic, Law::Polynomial345, Law::Polynomial4567, Law::DoubleHarmonic,
                          Law::ConstantVelocity, Law::Polynomial}) {
        EXPECT_FALSE(WindowLawIndex(law)) << LawName(law);
    }
}

}  // namespace
}  // namespace platecam::engine
