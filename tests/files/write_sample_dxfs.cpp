// Writes the default design's drawing at every resolution, in line and point mode, for
// a check by an independent DXF reader.

#include <cstdio>
#include <string>

#include "files/dxf.h"
#include "base/errors.h"
#include "model/profile.h"
#include "tests/model/design_fixtures.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_sample_dxfs FOLDER\n");
        return 2;
    }
    try {
        for (int S : {1, 2, 5}) {
            auto design = platecam::testing::DefaultDesign(S, 0);
            platecam::ComputePitchCurve(*design);
            platecam::ComputeCamProfile(*design);
            for (bool points : {false, true}) {
                platecam::DxfLines lines;
                platecam::BuildDxf(lines, *design, points);
                const std::string path = std::string(argv[1]) + "/cam_" + std::to_string(S) +
                                         (points ? "_points" : "_lines") + ".dxf";
                platecam::WriteDxfFile(path, lines);
                std::printf("%s\n", path.c_str());
            }
        }
    } catch (const platecam::CamError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
