// Arbitrary design-file bytes: a refused file must leave the table exactly as it was;
// an accepted one goes through the whole pipeline.

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "files/design_file.h"
#include "fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platecam;
    static const std::string path = [] {
        char name[] = "/tmp/platecam-fuzz-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        return std::string(name);
    }();
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return 0;
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    auto design = std::make_unique<CamDesign>();
    design->StepsPerDegree = size > 0 ? (data[0] % 3 == 0 ? 1 : data[0] % 3 == 1 ? 2 : 5) : 1;
    for (int k = 0; k < MotionSlotCount; ++k) design->MotionTable[k] = MotionRecord{k, k * 1.5};
    const MotionTable before = design->MotionTable;
    try {
        ReadDesignFile(path, design->MotionTable);
    } catch (const CamError& e) {
        if (!fuzz::IsProgramMessage(e.message())) fuzz::Fail("an unknown read message");
        if (std::memcmp(&before, &design->MotionTable, sizeof before) != 0) {
            fuzz::Fail("a refused file changed the table");
        }
        return 0;
    }
    if (size != DesignFileSize) fuzz::Fail("a file of the wrong length was accepted");
    design->BaseRadius = design->MotionTable[BaseRadiusSlot].Value;
    design->RollerRadius = design->MotionTable[RollerRadiusSlot].Value;
    fuzz::CheckFinite(*design);
    fuzz::RunPipeline(*design, size > 1 ? data[1] % 4 : 0, size > 2 && (data[2] & 1));
    return 0;
}
