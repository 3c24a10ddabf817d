// Arbitrary command lines for platecam-batch, one argument a line: the parser either
// gives options within their ranges or a usage message, and never anything else.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "engine/motion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platecam;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> arguments;
    for (std::size_t at = 0; at <= input.size();) {
        const std::size_t end = input.find('\n', at);
        arguments.push_back(input.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    try {
        const BatchOptions options = ParseBatchOptions(arguments);
        // --help and --version end the parse wherever they stand: the rest may be half read.
        const bool sound = options.help || options.version ||
                           (!options.design.empty() &&
                           (!options.law || *platecam::engine::LawName(*options.law) != '\0') &&
                           (!options.stepsPerDegree || *options.stepsPerDegree == 1 ||
                            *options.stepsPerDegree == 2 || *options.stepsPerDegree == 5) &&
                           (!options.maxPressure ||
                            (*options.maxPressure > 0 && *options.maxPressure < 90)) &&
                           (!options.points || !options.dxf.empty()) &&
                           (!options.base || *options.base > 0) &&
                           (!options.roller || *options.roller >= 0) &&
                           (!options.rpm || *options.rpm > 0));
        if (!sound) {
            std::fprintf(stderr, "invariant broken: options out of range\n");
            std::abort();
        }
    } catch (const BadUsage& bad) {
        if (bad.text.empty()) {
            std::fprintf(stderr, "invariant broken: an empty usage message\n");
            std::abort();
        }
    }
    return 0;
}
