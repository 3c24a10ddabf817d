// Arbitrary window texts: the radii and 20 angle and 20 value cells, separated by
// newlines in the input, then the whole pipeline.

#include <cstdint>
#include <memory>

#include "fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platecam;
    if (size < 1) return 0;
    const int selector = data[0];
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
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
    static const int steps[] = {1, 2, 5};
    auto design = std::make_unique<CamDesign>();
    design->StepsPerDegree = steps[selector % 3];
    try {
        LoadDesignFromTexts(*design, texts, (selector & 0x40) ? ',' : '.');
    } catch (const CamError& e) {
        if (!fuzz::IsProgramMessage(e.message())) fuzz::Fail("an unknown load message");
    }
    fuzz::CheckFinite(*design);
    fuzz::RunPipeline(*design, (selector / 3) % 4, (selector & 0x80) != 0);
    return 0;
}
