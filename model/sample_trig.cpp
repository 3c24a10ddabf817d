#include "model/sample_trig.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

#include "base/errors.h"
#include "model/pressure.h"
#include "model/profile.h"

namespace platecam {

// Only the samples of one revolution, 0..360 S: table angles beyond 360 degrees are
// refused before any computation reads the table, so the rest is never used.
std::unique_ptr<SampleTrig> ComputeSampleTrig(int S) {
    auto table = std::make_unique<SampleTrig>();
    const int last = static_cast<int>(std::min<long long>(360LL * S, MaxSampleIndex));
    for (int i = 0; i <= last; ++i) {
        const long double theta = SampleAngle(i, S);
        table->cosTheta[i] = std::cos(theta);
        table->sinTheta[i] = std::sin(theta);
        const long double alpha =
            RotationRadians(ToHeld(static_cast<long double>(i) / static_cast<long double>(S)));
        table->cosAlpha[i] = std::cos(alpha);
        table->sinAlpha[i] = std::sin(alpha);
    }
    return table;
}

#ifndef PLATECAM_BUILT_IN_SAMPLE_TRIG
// Compiled without the generated tables (the generator itself, which runs before they
// exist, or a build that compiles the sources directly): every table is computed.
const SampleTrig* BuiltInSampleTrig(int) { return nullptr; }
#endif

const SampleTrig& SampleTrigFor(int stepsPerDegree) {
    if (const SampleTrig* builtIn = BuiltInSampleTrig(stepsPerDegree)) return *builtIn;
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<SampleTrig>> tables;
    std::lock_guard<std::mutex> lock(mutex);
    auto& table = tables[stepsPerDegree];
    if (!table) table = ComputeSampleTrig(stepsPerDegree);
    return *table;
}

}  // namespace platecam
