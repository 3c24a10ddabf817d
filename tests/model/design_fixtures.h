#pragma once
// Designs the tests share: the window's start-up table and helpers to build others.

#include <functional>
#include <initializer_list>
#include <string>
#include <memory>
#include <utility>

#include "model/cam_design.h"
#include "model/displacement.h"
#include "base/errors.h"

namespace platecam::testing {

inline std::unique_ptr<CamDesign> MakeDesign(std::initializer_list<std::pair<int, double>> rows,
                                             double base = 45, double roller = 10, int S = 1) {
    auto design = std::make_unique<CamDesign>();
    design->StepsPerDegree = S;
    design->BaseRadius = base;
    design->RollerRadius = roller;
    design->MotionTable[BaseRadiusSlot].Value = base;
    design->MotionTable[RollerRadiusSlot].Value = roller;
    int k = 0;
    for (auto [angle, value] : rows) design->MotionTable[k++] = MotionRecord{angle, value};
    return design;
}

inline std::unique_ptr<CamDesign> DefaultDesign(int S = 1, int law = 0) {
    auto design = MakeDesign(
        {{0, 0}, {30, 0}, {90, 10}, {110, 10}, {170, 20}, {180, 20}, {260, 0}, {360, 0}}, 45, 10, S);
    design->MaxDisplacement = 20;
    BuildDisplacement(*design, law);
    return design;
}

// The program's message the action fails with, or "(no error)".
inline std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const CamError& e) {
        return e.message();
    }
    return "(no error)";
}

inline DesignTexts DefaultTexts() {
    DesignTexts texts;
    texts.BaseRadiusText = "45";
    texts.RollerRadiusText = "10";
    const char* angles[] = {"0", "30", "90", "110", "170", "180", "260", "360"};
    const char* values[] = {"0", "0", "10", "10", "20", "20", "0", "0"};
    for (int k = 0; k < MotionRowCount; ++k) {
        texts.AngleTexts[k] = k < 8 ? angles[k] : "0";
        texts.ValueTexts[k] = k < 8 ? values[k] : "0";
    }
    return texts;
}

}  // namespace platecam::testing
