// What the checks say in words fits the design in front of the user: what binds for each
// follower, and why the window's own method has no figure, never an internal error.

#include <gtest/gtest.h>

#include <fstream>

#include "tests/batch/batch_run.h"
#include "tests/files/temp_dir.h"

namespace platecam {
namespace {

using testing::Batch;
using testing::TempDir;

TEST(CheckWords, APressureAngleFailSaysWhatBindsForTheFollower) {
    const struct {
        const char* example;
        const char* binds;
        const char* never;
    } cases[] = {
        {"offset-roller.toml", "it would bind in its guide", "pivot"},
        {"swing-arm.toml", "loads the pivot more than it turns the arm", "guide"},
    };
    for (const auto& c : cases) {
        for (const char* language : {"en", "ja"}) {
            const auto run = Batch({PLATECAM_SOURCE_DIR "/examples/" + std::string(c.example), "--check",
                                    "--max-pressure", "5", "--lang", language});
            EXPECT_EQ(run.status, 1) << c.example;
            if (std::string(language) == "en") {
                EXPECT_NE(run.out.find(c.binds), std::string::npos) << run.out;
                EXPECT_EQ(run.out.find(c.never), std::string::npos) << run.out;
            } else {
                EXPECT_EQ(run.out.find("ガイド") == std::string::npos, std::string(c.never) == "guide") << run.out;
            }
        }
    }
}

TEST(CheckWords, TheWindowMethodSaysWhyItHasNoFigure) {
    TempDir dir;
    // A roller too large for its motion: the window's construction stops at 30°.
    std::ofstream(dir.path("stop.toml")) << "format = 2\n[cam]\nbase_radius = 20\nresolution = 1\nlaw = \"cycloid\"\n"
                                            "[follower]\nkind = \"roller\"\nroller_radius = 15\n"
                                            "[[motion]]\nangle = 0\nlift = 0\n[[motion]]\nangle = 40\nlift = 25\n"
                                            "[[motion]]\nangle = 80\nlift = 0\n[[motion]]\nangle = 360\nlift = 0\n";
    const auto run = Batch({dir.path("stop.toml"), "--check", "--lang", "en"});
    EXPECT_NE(run.out.find("pressure angle (window method): not computed: the window's construction stopped"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("invalid floating-point operation"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace platecam
