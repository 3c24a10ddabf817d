// What a hostile reading of the batch found: files cut or refused, names that are no
// UTF-8, memory that runs out, values past every cam, a bore through the cam, titles
// that turn text round, a design file whose text holds a NUL, sizing from a radius where
// no follower fits.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <vector>

#include "files/design_document.h"
#include "files/design_file.h"
#include "files/save_file.h"
#include "base/number_text.h"
#include "tests/batch/batch_run.h"
#include "tests/model/design_fixtures.h"

namespace platecam {
namespace {

using testing::Batch;
using testing::BatchRun;
using testing::SaveDesign;
using testing::TempDir;

std::string Read(const std::string& path) { return ReadWholeFile(path, 1 << 26); }

std::string Put(const TempDir& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir.path(name), std::ios::binary) << text;
    return dir.path(name);
}

std::string Example(const std::string& name) {
    return Read(PLATECAM_SOURCE_DIR "/examples/" + name);
}

TEST(Audit, ADocumentLargerThanTheLimitIsRefusedWholeNeverCut) {
    TempDir dir;
    // The loads example with its [dynamics] last and the spring rate its last line: cut
    // anywhere, a reader would compute another spring.
    std::string text = Example("loads.toml");
    const auto from = text.find("[dynamics]\n"), to = text.find("\n\n", from) + 2;
    std::string dynamics = text.substr(from, to - from - 1);
    text.erase(from, to - from);
    dynamics.replace(dynamics.find("spring_rate = 12.0\n"), 19, "");
    const std::string tail = "\n" + dynamics + "spring_rate = 12.5\n";
    for (const std::size_t size : {std::size_t{1052676}, std::size_t{3} << 20}) {
        const std::string big = "#" + std::string(size - text.size() - tail.size() - 2, 'x') + "\n" + text + tail;
        ASSERT_EQ(big.size(), size);
        const std::string design = Put(dir, "doc.toml", big);
        const BatchRun run = Batch({design, "--check", "--csv", dir.path("out.csv")});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "platecam-batch: file " + design + " is " + std::to_string(size) +
                               " bytes, more than the 65536 bytes a design may have: not read\n");
        EXPECT_TRUE(run.out.empty());
        EXPECT_FALSE(std::filesystem::exists(dir.path("out.csv")));
    }
    // Within the limit the same document is read whole, its last line included.
    const std::string fits = Put(dir, "fits.toml", text + tail);
    const BatchRun run = Batch({fits, "--check"});
    ASSERT_LE(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("N/mm with the preload"), std::string::npos);
    const BatchRun saved = Batch({fits, "--save-design", dir.path("saved.toml")});
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_NE(Read(dir.path("saved.toml")).find("spring_rate = 12.5"), std::string::npos);
}

TEST(Audit, FileNamesThatAreNoUtf8AreWrittenEscaped) {
    TempDir dir;
    // A Latin-1 folder and file name, as old shares hold them.
    std::filesystem::create_directory(dir.path("\xe9t\xe9"));
    const std::string design = Put(dir, "\xe9t\xe9/caf\xe9.toml", Example("loads.toml"));
    const BatchRun run = Batch({design, "--check", "--json", dir.path("o.json"), "--drawing",
                                dir.path("o.dxf"), "--csv", dir.path("o.csv")});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string shown = dir.path("\\xe9t\\xe9/caf\\xe9.toml");
    EXPECT_EQ(nlohmann::json::parse(Read(dir.path("o.json")))["design"], shown);
    EXPECT_NE(run.out.find("design: " + shown + "\n"), std::string::npos) << run.out;
    EXPECT_NE(Read(dir.path("o.dxf")).find("\r\ncaf\\xe9\r\n"), std::string::npos);
    // A valid name is written as it is, and a control character never reaches a line.
    const std::string japanese = Put(dir, "カム\n1.toml", Example("cam1.toml"));
    const BatchRun plain = Batch({japanese, "--check"});
    EXPECT_NE(plain.out.find("design: " + dir.path("カム\\x0a1.toml") + "\n"), std::string::npos)
        << plain.out;
}

// The whole program under a memory ceiling, from too little to start (the loader's to
// say) to enough: whatever runs out (the computation's own memory, the report's libraries
// in their child process) ends with a message and status 2, never a signal, and leaves no
// temporary file.
TEST(Audit, MemoryThatRunsOutEndsTheRunWithAMessage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than any ceiling allows";
#endif
    TempDir dir;
    const std::string design = Put(dir, "loads.toml", Example("loads.toml"));
    std::vector<long> ceilings;  // kilobytes
    for (long kb = 4096; kb < 12288; kb += 256) ceilings.push_back(kb);
    for (long kb = 12288; kb <= 163840; kb += 6144) ceilings.push_back(kb);
    int computation = 0, report = 0;
    // Too little to start at all is the loader's to say (127); just above it the stack and
    // the C++ runtime's own reserve do not fit either, before any code of the program runs.
    long started = 0;
    for (const long kb : ceilings) {
        if (started > 0 && kb < started + 512) continue;
        const std::string err = dir.path("err" + std::to_string(kb));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const rlimit limit{static_cast<rlim_t>(kb) << 10, static_cast<rlim_t>(kb) << 10};
            if (::setrlimit(RLIMIT_AS, &limit) != 0 || !std::freopen(err.c_str(), "w", stderr) ||
                !std::freopen("/dev/null", "w", stdout)) {
                ::_exit(99);
            }
            ::execl(PLATECAM_BATCH_EXE, PLATECAM_BATCH_EXE, design.c_str(), "--check", "--report",
                    dir.path("o.pdf").c_str(), "--csv", dir.path("o.csv").c_str(), nullptr);
            ::_exit(98);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const std::string text = Read(err);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 127) continue;  // the loader
        if (started == 0) {
            started = kb;
            continue;
        }
        ASSERT_TRUE(WIFEXITED(status)) << kb << " KB: signal " << WTERMSIG(status) << "\n" << text;
        const int code = WEXITSTATUS(status);
        EXPECT_TRUE(code == 0 || code == 2) << kb << " KB: " << code << "\n" << text;
        if (code == 2) {
            EXPECT_EQ(text.rfind("platecam-batch: ", 0), 0u) << kb << " KB: " << text;
        }
        computation += text == "platecam-batch: out of memory\n";
        report += text.rfind("platecam-batch: no report: ", 0) == 0;
        for (const std::string& name : dir.entries()) {
            EXPECT_NE(name.rfind(".platecam-", 0), 0u) << name;
        }
    }
    EXPECT_GT(computation, 0) << "no ceiling ran out in the computation";
    EXPECT_GT(report, 0) << "no ceiling ran out in the report";
}

TEST(Audit, ABoreMustLeaveAWallToTheContour) {
    TempDir dir;
    // The start-up design rests on its base circle (45 mm): the contour's nearest point to
    // the centre is the base circle itself, so the wall is 45 mm less the bore's radius.
    const std::string text = Example("cam1.toml") + "[drawing]\nbore_diameter = 84.0\n";
    const BatchRun fits = Batch({Put(dir, "a.toml", text), "--check", "--json", dir.path("a.json")});
    EXPECT_EQ(fits.status, 0) << fits.out;
    const auto bore = nlohmann::json::parse(Read(dir.path("a.json")))["checks"]["bore"];
    EXPECT_NEAR(bore["nearest_contour_mm"].get<double>(), 45, 1e-12);
    EXPECT_NEAR(bore["wall_mm"].get<double>(), 3, 1e-12);
    EXPECT_NE(fits.out.find("bore: wall 3 mm from the bore Ø84 mm to the contour"), std::string::npos)
        << fits.out;
    const struct {
        const char* drawing;
        const char* reason;
    } cases[] = {
        {"bore_diameter = 84.02\n", "the wall around the bore is 0.01 mm thinner than allowed"},
        {"bore_diameter = 80.0\nmin_wall = 5.5\n", "the wall around the bore is 0.5 mm thinner than allowed"},
        {"bore_diameter = 200.0\n", "the bore reaches through the contour"},
    };
    for (const auto& c : cases) {
        const std::string design =
            Put(dir, "b.toml", Example("cam1.toml") + "[drawing]\n" + c.drawing);
        const BatchRun run = Batch({design, "--check"});
        EXPECT_EQ(run.status, 1) << c.drawing;
        EXPECT_NE(run.out.find("  FAIL: " + std::string(c.reason)), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("all checks pass"), std::string::npos);
    }
    // A bore through the contour is no part to draw; one that leaves a thin wall is.
    const BatchRun through =
        Batch({Put(dir, "t.toml", Example("cam1.toml") + "[drawing]\nbore_diameter = 200.0\n"),
               "--drawing", dir.path("t.dxf")});
    EXPECT_EQ(through.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.path("t.dxf")));
    // The option's bore is the document's: checked, drawn and saved.
    const std::string plain = Put(dir, "c.toml", Example("cam1.toml"));
    const BatchRun option = Batch({plain, "--check", "--title-block", "bore_diameter=100",
                                   "--title-block", "material=S45C", "--save-design",
                                   dir.path("saved.toml")});
    EXPECT_EQ(option.status, 1);
    const DesignDocument saved = ReadDesignDocument(dir.path("saved.toml"));
    ASSERT_TRUE(saved.drawing);
    EXPECT_EQ(saved.drawing->boreDiameter, 100);
    EXPECT_EQ(saved.drawing->material, "S45C");
}


TEST(Audit, DrawingTextsWithoutShiftJisCodesAreNamed) {
    TempDir dir;
    const std::string design = Put(dir, "cam1.toml", Example("cam1.toml"));
    const BatchRun run = Batch({design, "--drawing", dir.path("d.dxf"), "--title-block",
                                "material=S45C \xf0\x9f\x98\x80", "--title-block", "designer=佐藤"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "platecam-batch: warning: drawing.material: 1 characters of 'S45C \xf0\x9f\x98\x80' have no "
                       "Shift_JIS code: the drawing shows '?' for them\n");
    const std::string dxf = Read(dir.path("d.dxf"));
    EXPECT_NE(dxf.find("S45C ?"), std::string::npos);
    EXPECT_NE(dxf.find("\x8d\xb2\x93\xa1"), std::string::npos);  // 佐藤, whole
}

// A design file is refused naming the file and the row: here a text file of 264 bytes
// whose first "angle" is the bytes of its first four letters.
TEST(Audit, ADesignFileIsRefusedNamingTheFileAndTheRow) {
    TempDir dir;
    std::string text = "cam design notes" + std::string(264 - 16, ' ');
    text[100] = '\0';
    const std::string design = Put(dir, "notes.dat", text);
    const BatchRun run = Batch({design, "--check"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "platecam-batch: " + design + ": row 1: angle 544039267 is out of range\n");
    // A lift past every cam, in a row the table reaches; the same value after the row at
    // 360 is no part of the cam and stays what it was.
    auto huge = testing::MakeDesign({{0, 0}, {90, 2e6}, {180, 2e6}, {360, 0}});
    const BatchRun far = Batch({SaveDesign(dir, "far.dat", *huge), "--check"});
    EXPECT_EQ(far.status, 2);
    EXPECT_EQ(far.err, "platecam-batch: " + dir.path("far.dat") +
                           ": row 2: must be greater than -1000000 mm and less than 1000000 mm\n");
}

// Rows (0,0) (90,10) (180,10) (270,0) (360,0), then -DBL_MAX in a row after 360: the
// window shows it with 15 digits, which read back past the largest double. It loads now.
TEST(Audit, AValueTheWindowShowsLoadsAgain) {
    TempDir dir;
    auto design = testing::MakeDesign({{0, 0}, {90, 10}, {180, 10}, {270, 0}, {360, 0}});
    design->MotionTable[5] = MotionRecord{0, -1.7976931348623157e308};
    const BatchRun run = Batch({SaveDesign(dir, "max.dat", *design), "--check"});
    EXPECT_EQ(run.status, 0) << run.err;
}

// A base radius at which the follower reaches the cam centre is where sizing starts, not
// the end of the run: the answer is bracketed by a radius that fails and one that passes.
TEST(Audit, SizingStartsFromAnyPositiveBase) {
    TempDir dir;
    const std::string text =
        "format = 2\n[cam]\nbase_radius = 40.0\nresolution = 1.0\nlaw = \"cycloid\"\n"
        "[follower]\nkind = \"roller\"\nroller_radius = 10.0\n"
        "[[motion]]\nangle = 0\nlift = 0.0\n[[motion]]\nangle = 120\nlift = -55.0\n"
        "[[motion]]\nangle = 240\nlift = -55.0\n[[motion]]\nangle = 360\nlift = 0.0\n";
    const std::string design = Put(dir, "down.toml", text);
    EXPECT_EQ(Batch({design, "--check"}).status, 2) << "without sizing, the radius is the design's";
    const BatchRun sized = Batch({design, "--check", "--size-base", "--json", dir.path("s.json")});
    EXPECT_EQ(sized.status, 1) << sized.err;
    EXPECT_NE(sized.out.find("design: no cam at the base radius 40 mm  FAIL: at "), std::string::npos)
        << sized.out;
    const auto json = nlohmann::json::parse(Read(dir.path("s.json")));
    const double found = json["sizing"]["base_radius_mm"];
    EXPECT_GT(found, 45);
    EXPECT_TRUE(json["checks"].is_null());
    EXPECT_EQ(Batch({design, "--check", "--base", FormatNumber(found)}).status, 0);
    EXPECT_EQ(Batch({design, "--check", "--base", FormatNumber(std::round(found * 100 - 1) / 100)}).status, 1);
    // The outputs that need the cam's samples at the given radius still have none.
    EXPECT_EQ(Batch({design, "--size-base", "--csv", dir.path("s.csv")}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.path("s.csv")));
}

}  // namespace
}  // namespace platecam
