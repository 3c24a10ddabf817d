// Arbitrary design-file bytes, then a byte of choices (resolution, law, point mode) and
// one that picks what the save meets at its path: a refused file must leave the table
// exactly as it was; an accepted one is saved again byte for byte and goes through the
// whole pipeline.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <cstdint>
#include <cstring>
#include <memory>

#include "files/design_file.h"
#include "fuzz/fuzz_common.h"

namespace {

// A file of this process's own in a RAM-backed folder, where a save costs no disk sync.
std::string ScratchPath(const char* name) {
    const std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return folder + "/platecam-fuzz-" + std::to_string(getpid()) + "-" + name;
}

// Saves the table where nothing, a file, a link, a dangling link, a second hard link, a
// folder or a file in the way of a folder waits, and checks what the disk holds after.
void SaveOver(int kind, const platecam::MotionTable& table, const std::string& expected) {
    namespace fs = std::filesystem;
    using platecam::fuzz::Fail;
    static const std::string folder = ScratchPath("save");
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directory(folder);
    const std::string real = folder + "/real.dat";
    auto touch = [&] { std::ofstream(real) << "old content, longer than it will be"; };
    std::string path = real;
    bool refused = false;
    switch (kind) {
        case 1: touch(); break;
        case 2: touch(); fs::create_symlink("real.dat", folder + "/link.dat"); path = folder + "/link.dat"; break;
        case 3:  // a dangling link is not followed to create its target, as cp refuses
            fs::create_symlink("real.dat", folder + "/link.dat");
            path = folder + "/link.dat";
            refused = true;
            break;
        case 4: touch(); fs::create_hard_link(real, folder + "/second.dat"); break;
        case 5: fs::create_directory(real); refused = true; break;
        case 6: touch(); path = real + "/inside.dat"; refused = true; break;
        case 7:  // a loop of links, or a FIFO nobody reads
            if (table[0].Angle & 1) {
                fs::create_symlink("b.dat", folder + "/a.dat");
                fs::create_symlink("a.dat", folder + "/b.dat");
                path = folder + "/a.dat";
            } else {
                mkfifo(real.c_str(), 0600);
            }
            refused = true;
            break;
        default: break;
    }
    const bool saved = platecam::fuzz::Step([&] { platecam::WriteDesignFile(path, table); });
    if (saved == refused) Fail("a save was refused or accepted wrongly");
    if (refused) return;
    if (platecam::ReadWholeFile(real, expected.size() + 1) != expected) Fail("SAVE changed bytes");
    if (kind == 4 && platecam::ReadWholeFile(folder + "/second.dat", 1024) != expected) {
        Fail("a hard link misses the new content");
    }
    if (kind == 2 && (!fs::is_symlink(path) || !platecam::SameFile(path, real))) {
        Fail("a link became a file");
    }
    if (std::distance(fs::directory_iterator(folder), {}) != 1 + (kind >= 2 && kind <= 4)) {
        Fail("a save left a file behind");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platecam;
    if (size < 2) return 0;
    const fuzz::Choices choices = fuzz::ChoicesFrom(data[size - 2]);
    const int saveKind = data[size - 1] % 8;  // 0 nothing there, 1..7 the kinds below
    const std::string bytes(reinterpret_cast<const char*>(data), size - 2);
    static const std::string input = ScratchPath("in.dat");
    {
        FILE* f = std::fopen(input.c_str(), "wb");
        if (!f) return 0;
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    auto design = std::make_unique<CamDesign>();
    design->StepsPerDegree = choices.stepsPerDegree;
    for (int k = 0; k < MotionSlotCount; ++k) design->MotionTable[k] = MotionRecord{k, k * 1.5};
    const MotionTable before = design->MotionTable;
    try {
        ReadDesignFile(input, design->MotionTable);
    } catch (const CamError& e) {
        if (!fuzz::IsProgramMessage(e.message())) fuzz::Fail("an unknown read message");
        if (std::memcmp(&before, &design->MotionTable, sizeof before) != 0) {
            fuzz::Fail("a refused file changed the table");
        }
        return 0;
    }
    if (bytes.size() != DesignFileSize) fuzz::Fail("a file of the wrong length was accepted");
    SaveOver(saveKind, design->MotionTable, bytes);

    // OPEN shows the table as texts; the displacement button loads them back.
    fuzz::Step([&] {
        LoadDesignFromTexts(*design, TextsFromTable(design->MotionTable, choices.decimalMark),
                            choices.decimalMark);
    });
    fuzz::CheckTextRoundTrip(design->MotionTable, choices.decimalMark);
    fuzz::CheckFinite(*design);
    fuzz::RunPipeline(*design, choices);
    return 0;
}
