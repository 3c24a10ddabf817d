#pragma once
// The designs the benchmarks run on: the window's start-up table and a 20-row table of
// alternating rises and falls.

#include <string>

#include "model/cam_design.h"
#include "tests/model/design_fixtures.h"

namespace platecam::bench {

// Rows every 18 degrees from 0 to 342, lifting 8 mm and back: 19 motion segments.
inline DesignTexts AlternatingTexts() {
    DesignTexts texts;
    texts.BaseRadiusText = "60";
    texts.RollerRadiusText = "5";
    for (int k = 0; k < MotionRowCount; ++k) {
        texts.AngleTexts[k] = std::to_string(k * 18);
        texts.ValueTexts[k] = k % 2 == 0 ? "0" : "8";
    }
    return texts;
}

inline const DesignTexts& TextsFor(int table) {
    static const DesignTexts defaults = testing::DefaultTexts();
    static const DesignTexts alternating = AlternatingTexts();
    return table == 0 ? defaults : alternating;
}

}  // namespace platecam::bench
