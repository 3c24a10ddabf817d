#include "model/sample_trig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>

namespace platecam {
namespace {

// The bytes that carry a long double's value: on x87 the 80 bits, not the padding that
// fills the entry to 16 bytes.
constexpr std::size_t ValueBytes =
    std::numeric_limits<long double>::digits == 64 ? 10 : sizeof(long double);

using Column = std::array<long double, SampleCount> SampleTrig::*;
constexpr struct {
    const char* name;
    Column column;
} Columns[] = {{"cosTheta", &SampleTrig::cosTheta},
               {"sinTheta", &SampleTrig::sinTheta},
               {"cosAlpha", &SampleTrig::cosAlpha},
               {"sinAlpha", &SampleTrig::sinAlpha}};

// Every entry of every column, the zero tail included, compared bit for bit; the first
// difference is named.
void ExpectSameBits(const SampleTrig& table, const SampleTrig& computed, int S) {
    for (const auto& [name, column] : Columns) {
        int differing = 0;
        for (int i = 0; i < SampleCount; ++i) {
            const long double& a = (table.*column)[i];
            const long double& b = (computed.*column)[i];
            if (std::memcmp(&a, &b, ValueBytes) == 0) continue;
            if (differing++ == 0) {
                char text[128];
                std::snprintf(text, sizeof text, "%La vs computed %La", a, b);
                ADD_FAILURE() << S << " samples per degree, " << name << "[" << i << "]: " << text;
            }
        }
        EXPECT_EQ(differing, 0) << S << " samples per degree, " << name;
    }
}

TEST(SampleTrig, BuiltInTablesHoldTheComputedBits) {
    for (int S : {1, 2, 5}) {
        const SampleTrig* builtIn = BuiltInSampleTrig(S);
        ASSERT_NE(builtIn, nullptr) << S;
        EXPECT_EQ(&SampleTrigFor(S), builtIn) << S;
        ExpectSameBits(*builtIn, *ComputeSampleTrig(S), S);
    }
}

TEST(SampleTrig, OtherResolutionsAreComputedOnceAndKept) {
    for (int S : {3, 4}) {
        EXPECT_EQ(BuiltInSampleTrig(S), nullptr) << S;
        const SampleTrig& first = SampleTrigFor(S);
        EXPECT_EQ(&SampleTrigFor(S), &first) << S;
        ExpectSameBits(first, *ComputeSampleTrig(S), S);
    }
}

}  // namespace
}  // namespace platecam
