// Arbitrary window texts: the radii and 20 angle and 20 value cells, separated by
// newlines; then two bytes of choices: the user's (resolution, law, point mode, decimal
// mark) and the resolution picked before each later button.

#include <cstdint>
#include <memory>

#include "fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platecam;
    if (size < 2) return 0;
    const fuzz::Choices choices = fuzz::ChoicesFrom(data[size - 2]);
    // Two bits a button from the pitch curve on: 0 keeps the resolution, 1..3 pick one.
    // Only when the last byte's top bit asks for it, so that most runs stay at one step.
    const std::uint8_t changes = data[size - 1];
    int steps[6] = {};
    for (int k = 0; k < 3 && (changes & 0x80); ++k) {
        static const int pick[] = {0, 1, 2, 5};
        steps[2 + k] = pick[(changes >> (2 * k)) & 3];
    }
    const std::string input(reinterpret_cast<const char*>(data), size - 2);
    DesignTexts texts;
    std::size_t at = 0;
    auto next = [&]() {
        const std::size_t end = input.find('\n', at);
        std::string field = input.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? input.size() : end + 1;
        return field;
    };
    texts.BaseRadiusText = next();
    texts.RollerRadiusText = next();
    for (int k = 0; k < MotionRowCount; ++k) {
        texts.AngleTexts[k] = next();
        texts.ValueTexts[k] = next();
    }
    auto design = std::make_unique<CamDesign>();
    design->StepsPerDegree = choices.stepsPerDegree;
    if (fuzz::Step([&] { LoadDesignFromTexts(*design, texts, choices.decimalMark); })) {
        fuzz::CheckTextRoundTrip(design->MotionTable, choices.decimalMark);
    }
    fuzz::CheckFinite(*design);
    fuzz::RunPipeline(*design, choices, steps);
    return 0;
}
