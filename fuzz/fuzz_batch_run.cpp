// Whole runs of platecam-batch. The input is a command line, one argument a line, then a
// NUL byte and the design's bytes: a 264-byte design file or a design document, which the
// run tells apart by their content. In the arguments these tokens stand for paths:
//   @0..@3  memory files (written through their descriptor, as /dev/stdout is)
//   @4..@7  files in a folder of the harness's own in RAM
//   @d      the design (put first unless the first line names one), @D a missing design
//   @n      a file in a folder that does not exist; @z /dev/null; @f /dev/full (ENOSPC)
// A line "@@ABCDcie" is no argument: A..D say what waits at @4..@7 (see Prepare), c, i
// and e make the i-th call c of the saves (o openat, s fsync, r renameat, l linkat) fail
// with the e-th errno of a list. A line "@pN" is none either: the design starts with a
// comment that makes it N bytes long (up to 4 MiB; the files a person's comments make
// large, or that are no design). Only these paths are ever written.
//
// A run returns 0, 1 or 2 and throws nothing. It writes every output it was asked for
// when it returns 0 or 1 without refusing, and none otherwise (a memory file or device
// written before a failing file excepted: a stream cannot be taken back); a file keeps its
// links, mode and attributes, and a failed save leaves the old file or, where the system
// failed the save itself, the complete new one, never a part and no temporary file. Exit 1
// means a refusal or a failed check, which --check names. Every number of the CSV and JSON
// outputs is finite, a DXF is code/value pairs with finite numbers, a saved design reads
// back and is written again byte for byte. --report goes to a stand-in module that checks
// what the report would draw. Beside the run, the engine's routes to the same cam agree:
// samples alone and with the checks, the motion at a point and on the grid, the loads
// alone and with the cam.

#include <fcntl.h>
#include <sys/acl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "batch/input.h"
#include "batch/options.h"
#include "batch/run.h"
#include "engine/dynamics.h"
#include "files/design_document.h"
#include "files/save_file.h"
#include "fuzz/fuzz_common.h"
#include "base/language.h"
#include "base/errors.h"

namespace {

using platecam::fuzz::Fail;

constexpr int MemorySlots = 4, FileSlots = 4;
const char* const MissingDesign = "/nonexistent-platecam-fuzz/design.toml";
const char* const MissingOutput = "/nonexistent-platecam-fuzz/out";

struct MemoryFile {
    int fd;
    std::string path;
};

MemoryFile MakeMemoryFile(const char* name) {
    const int fd = memfd_create(name, 0);
    if (fd < 0) Fail("memfd_create");
    return {fd, "/proc/self/fd/" + std::to_string(fd)};
}

const MemoryFile& Design() {
    static const MemoryFile file = MakeMemoryFile("platecam-design");
    return file;
}

const MemoryFile& Memory(int k) {
    static const MemoryFile files[MemorySlots] = {
        MakeMemoryFile("platecam-out0"), MakeMemoryFile("platecam-out1"),
        MakeMemoryFile("platecam-out2"), MakeMemoryFile("platecam-out3")};
    return files[k];
}

// Empty, with the offset at 0: outputs are written through the descriptor itself.
void Reset(int fd) {
    if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) Fail("memfd reset");
}

std::string Contents(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0) Fail("memfd stat");
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    if (pread(fd, bytes.data(), bytes.size(), 0) != info.st_size) Fail("memfd read");
    return bytes;
}

// The folder of the file outputs: this process's own, in RAM where there is a tmpfs.
const std::string& Folder() {
    static const std::string folder = [] {
        const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                 "/platecam-fuzz-batch-" + std::to_string(getpid());
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
        if (mkdir(path.c_str(), 0700) != 0) Fail("scratch folder");
        return path;
    }();
    return folder;
}

std::string FileSlot(int k) { return Folder() + "/out" + std::to_string(k) + ".out"; }

// The argument with every token replaced by the path it stands for.
std::string Substitute(const std::string& argument, bool& usesFiles) {
    std::string result;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (argument[i] == '@' && i + 1 < argument.size()) {
            const char c = argument[i + 1];
            std::string path;
            if (c >= '0' && c < '0' + MemorySlots) path = Memory(c - '0').path;
            if (c >= '0' + MemorySlots && c < '0' + MemorySlots + FileSlots) {
                path = FileSlot(c - '0' - MemorySlots);
                usesFiles = true;
            }
            if (c == 'd') path = Design().path;
            if (c == 'D') path = MissingDesign;
            if (c == 'n') path = MissingOutput;
            if (c == 'z') path = "/dev/null";
            if (c == 'f') path = "/dev/full";
            if (!path.empty()) {
                result += path;
                ++i;
                continue;
            }
        }
        result += argument[i];
    }
    return result;
}

// ---- What waits at the file outputs, and what the saves' system calls do ----

// What one file output is before the run: its entries in the folder (name, kind, bytes or
// link target), its mode and its extended attribute.
struct Entry {
    char kind;  // 'f' file, 'l' link, 'd' folder
    std::string content;
    mode_t mode = 0;
    std::string attribute;
};
using FolderState = std::map<std::string, Entry>;

FolderState ReadFolder() {
    FolderState state;
    for (const auto& item : std::filesystem::directory_iterator(Folder())) {
        const std::string path = item.path().string();
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0) Fail("scratch stat");
        Entry e{S_ISLNK(info.st_mode) ? 'l' : S_ISDIR(info.st_mode) ? 'd' : 'f', {}, info.st_mode & 07777, {}};
        if (e.kind == 'l') {
            e.content = std::filesystem::read_symlink(path).string();
        } else if (e.kind == 'f') {
            e.content = platecam::ReadWholeFile(path, 1 << 26);
            char value[64];
            const ssize_t n = getxattr(path.c_str(), "user.platecam", value, sizeof value);
            if (n > 0) e.attribute.assign(value, static_cast<std::size_t>(n));
        }
        state[item.path().filename().string()] = e;
    }
    return state;
}

// 1 a file, 2 a file with a second hard link, 3 a symbolic link to a file, 4 a file with
// an extended attribute, 5 a read-only file, 6 a dangling link, 7 a folder, 8 a file with
// an access ACL, 9 a file of mode 0640; anything else: nothing.
void Prepare(int k, char what) {
    const std::string path = FileSlot(k), name = "out" + std::to_string(k) + ".out";
    const std::string old = "old content of output " + std::to_string(k) + "\n";
    auto file = [&](const std::string& at, mode_t mode) {
        const int fd = open(at.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 || write(fd, old.data(), old.size()) != static_cast<ssize_t>(old.size()) ||
            fchmod(fd, mode) != 0 || close(fd) != 0) {
            Fail("scratch file");
        }
    };
    switch (what) {
        case '1': file(path, 0644); break;
        case '2': file(path, 0644); if (link(path.c_str(), (path + ".link").c_str()) != 0) Fail("link"); break;
        case '3':
            file(path + ".real", 0644);
            if (symlink((name + ".real").c_str(), path.c_str()) != 0) Fail("symlink");
            break;
        case '4':
            file(path, 0644);
            if (setxattr(path.c_str(), "user.platecam", "kept", 4, 0) != 0) Fail("setxattr");
            break;
        case '5': file(path, 0444); break;
        case '6': if (symlink((name + ".gone").c_str(), path.c_str()) != 0) Fail("symlink"); break;
        case '7': if (mkdir(path.c_str(), 0755) != 0) Fail("mkdir"); break;
        case '8': {
            file(path, 0640);
            acl_t acl = acl_from_text("u::rw-,u:65534:r--,g::r--,m::r--,o::---");
            if (!acl || acl_set_file(path.c_str(), ACL_TYPE_ACCESS, acl) != 0) Fail("acl");
            acl_free(acl);
            break;
        }
        case '9': file(path, 0640); break;
        default: break;
    }
}

struct InjectedFault {
    char call = 0;  // 'o' openat, 's' fsync, 'r' renameat, 'l' linkat
    int at = 0;     // the how-manieth call of that kind fails
    int error = 0;
    int seen = 0;
    bool Hit(char kind) {
        if (kind != call || seen++ != at) return false;
        errno = error;
        return true;
    }
};
InjectedFault fault;

// The failures a file system gives: the save's fallbacks (no O_TMPFILE, no
// RENAME_EXCHANGE, a rename refused), its retries (EINTR) and its real failures.
const int Errors[] = {EIO,    EINTR,  EOPNOTSUPP, EINVAL, EPERM, EACCES, EEXIST,
                      ENOSPC, EXDEV,  EBUSY,      ENOSYS, EISDIR, EDQUOT, ENOENT};

void InjectFault(const std::string& what) {
    fault = InjectedFault{};
    if (what.size() < 3 || std::string("oslr").find(what[0]) == std::string::npos) return;
    fault.call = what[0];
    fault.at = (what[1] - '0') & 15;
    fault.error = Errors[static_cast<unsigned char>(what[2]) % std::size(Errors)];
    platecam::SaveSystemCalls calls;
    calls.openat = [](int folder, const char* name, int flags, mode_t mode) {
        return fault.Hit('o') ? -1 : ::openat(folder, name, flags, mode);
    };
    calls.fsync = [](int fd) { return fault.Hit('s') ? -1 : ::fsync(fd); };
    calls.renameat = [](int from, const char* a, int to, const char* b, unsigned flags) {
        return fault.Hit('r') ? -1 : ::renameat2(from, a, to, b, flags);
    };
    calls.linkat = [](int from, const char* a, int to, const char* b, int flags) {
        return fault.Hit('l') ? -1 : ::linkat(from, a, to, b, flags);
    };
    platecam::ReplaceSaveSystemCalls(calls);
}

// ---- The outputs ----

bool IsNumber(std::string_view text, bool integer) {
    if (text.empty() || text.find(',') != std::string_view::npos) return false;
    const std::string copy(text);
    char* end = nullptr;
    const double value = integer ? static_cast<double>(std::strtoll(copy.c_str(), &end, 10))
                                 : std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && std::isfinite(value);
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = text.find(separator, at);
        parts.push_back(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (end == std::string_view::npos) return parts;
        at = end + 1;
    }
}

// A header, then one row a sample of one revolution at 1, 0.5 or 0.2 degrees: every cell
// a finite number, only a radius of curvature left empty (a straight piece has none).
PLATECAM_HARNESS void CheckCsv(const std::string& text) {
    if (text.empty() || text.back() != '\n') Fail("a CSV does not end its last line");
    std::vector<std::string_view> lines = Split(std::string_view(text).substr(0, text.size() - 1), '\n');
    const std::vector<std::string_view> header = Split(lines[0], ',');
    const std::size_t rows = lines.size() - 1;
    if (rows != 360 && rows != 720 && rows != 1800) Fail("a CSV without one revolution of samples");
    for (std::size_t r = 1; r <= rows; ++r) {
        const std::vector<std::string_view> cells = Split(lines[r], ',');
        if (cells.size() != header.size()) Fail("a CSV row without a cell for every column");
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (cells[c].empty() && header[c].find("radius_of_curvature") != std::string_view::npos) continue;
            if (!IsNumber(cells[c], false)) Fail("a CSV cell is no finite number");
        }
        const double angle = std::strtod(std::string(cells[0]).c_str(), nullptr);
        if (std::fabs(angle - static_cast<double>(r - 1) * 360 / static_cast<double>(rows)) > 1e-9) {
            Fail("a CSV row's cam angle is not its sample's");
        }
    }
}

// Every number finite; a null only where a figure may be absent, never a NaN that the
// writer turned into null.
PLATECAM_HARNESS void CheckJsonValue(const nlohmann::json& value, const nlohmann::json* parent,
                                     const std::string& key) {
    if (value.is_number_float() && !std::isfinite(value.get<double>())) Fail("a JSON number is not finite");
    if (value.is_null()) {
        const auto sibling = [&](const char* name) -> const nlohmann::json* {
            if (!parent || !parent->is_object() || !parent->contains(name)) return nullptr;
            return &(*parent)[name];
        };
        bool allowed = key == "rpm" || key == "face_width_mm" || key == "smallest_mm" ||
                       key == "smallest_convex_pitch_radius_mm" || key == "sizing" ||
                       key == "contour_smallest_concave_radius" || key == "base_radius_mm";
        if (key == "at_deg") {
            for (const char* name : {"smallest_mm", "smallest_convex_pitch_radius_mm"}) {
                if (const auto* s = sibling(name)) allowed = allowed || s->is_null();
            }
        }
        if (key == "law") allowed = sibling("kind") && *sibling("kind") == "dwell";
        if (key == "stopped_at_deg") allowed = sibling("complete") && *sibling("complete") == true;
        if (key == "checks") {
            allowed = sibling("not_a_cam") != nullptr || sibling("no_cam_at_given_radius") != nullptr;
        }
        // A sizing's radius is absent only where it found none.
        if (key == "base_radius_mm") {
            allowed = sibling("reason") || (sibling("searched_up_to_mm") && !sibling("checks"));
        }
        if (!allowed) Fail("a JSON figure is null");
    }
    if (value.is_object()) {
        for (auto item = value.begin(); item != value.end(); ++item) CheckJsonValue(*item, &value, item.key());
    } else if (value.is_array()) {
        for (const auto& item : value) CheckJsonValue(item, &value, key);
    }
}

PLATECAM_HARNESS nlohmann::json CheckJson(const std::string& text) {
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception&) {
        Fail("the JSON output does not parse");
    }
    CheckJsonValue(document, nullptr, "");
    if (!document.contains("result") || !document["result"]["pass"].is_boolean()) Fail("a JSON without its result");
    return document;
}

// Group code and value lines, CR LF each, to "0 EOF"; the numeric groups' values numbers.
PLATECAM_HARNESS void CheckDxf(const std::string& bytes) {
    if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0) Fail("a DXF does not end its line");
    std::vector<std::string_view> lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", at);
        const std::string_view line(bytes.data() + at, end - at);
        if (line.find_first_of("\r\n") != std::string_view::npos) Fail("a DXF line holds a line break");
        lines.push_back(line);
        at = end + 2;
    }
    if (lines.size() % 2 != 0) Fail("a DXF of an odd number of lines");
    for (std::size_t i = 0; i < lines.size(); i += 2) {
        std::string_view code = lines[i];
        while (!code.empty() && code.front() == ' ') code.remove_prefix(1);
        if (code.empty() || code.size() > 4 || code.find_first_not_of("0123456789") != std::string_view::npos) {
            Fail("a DXF group code is no number");
        }
        const int group = std::atoi(std::string(code).c_str());
        std::string_view value = lines[i + 1];
        const bool real = (group >= 10 && group <= 59) || (group >= 110 && group <= 149) ||
                          (group >= 210 && group <= 239) || (group >= 1010 && group <= 1059);
        const bool integer = (group >= 60 && group <= 99) || (group >= 170 && group <= 179) ||
                             (group >= 270 && group <= 289);
        while ((real || integer) && !value.empty() && value.front() == ' ') value.remove_prefix(1);
        if ((real || integer) && !IsNumber(value, integer)) Fail("a DXF number does not parse as a finite decimal");
    }
    if (lines.size() < 2 || lines[lines.size() - 1] != "EOF") Fail("a DXF without its EOF");
}

PLATECAM_HARNESS void CheckSavedDesign(const std::string& bytes) {
    try {
        const platecam::DesignDocument document = platecam::ParseDesignDocument(bytes, "saved.toml");
        if (platecam::FormatDesignDocument(document) != bytes) Fail("a saved design is written again otherwise");
    } catch (const platecam::CamError&) {
        Fail("a saved design does not read back");
    }
    if (!platecam::IsDesignDocument(bytes)) Fail("a saved design looks like a design file");
}
PLATECAM_HARNESS bool FiniteLoads(const platecam::engine::DynamicsResult& r) {
    for (const platecam::engine::DynamicsSample& s : r.samples) {
        if (!std::isfinite(s.contactForce) || !std::isfinite(s.normalForce) || !std::isfinite(s.torque) ||
            (s.stress && !std::isfinite(*s.stress))) {
            return false;
        }
    }
    const platecam::engine::DynamicsChecks& c = r.checks;
    for (double v : {c.minContactForce.value, c.minContactForce.atDeg, c.peakTorque.value, c.minTorque.value,
                     c.maxContactStress.value, c.jumpFreeRpm.value.value_or(0), c.minSpringRate.value.value_or(0)}) {
        if (!std::isfinite(v)) return false;
    }
    return true;
}

// The loads of a document's [dynamics] at its speed, which no output of the run shows
// yet: both of the engine's routes, alone and with the cam, give the same loads.
void CheckDynamics(const platecam::BatchOptions& options) {
    using namespace platecam;
    DesignInput design;
    try {
        design = ReadBatchDesign(options);
    } catch (const CamError&) {
        return;
    } catch (const BadUsage&) {
        return;
    }
    if (!design.document) return;
    const DesignDocument& doc = *design.document;
    if (doc.follower.kind == engine::FollowerKind::SwingRoller && doc.cam.rpm) {
        // The document refuses [dynamics] for a swinging arm; the engine does too.
        engine::DynamicsInput arm;
        arm.rpm = *doc.cam.rpm;
        arm.mass = 1;
        try {
            engine::ComputeDynamics(CamOfDocument(doc), arm);
            Fail("loads of a swinging arm");
        } catch (const CamError&) {
        }
        return;
    }
    if (!doc.dynamics) return;
    engine::DynamicsInput in;
    in.rpm = doc.cam.rpm.value_or(0);
    in.mass = doc.dynamics->mass.value_or(0);
    in.springRate = doc.dynamics->springRate.value_or(0);
    in.preload = doc.dynamics->preload.value_or(0);
    in.damping = doc.dynamics->damping.value_or(0);
    in.load = doc.dynamics->load.value_or(0);
    if (doc.contact) {
        in.contact = engine::ContactMaterial{doc.contact->width.value_or(0), doc.contact->elasticModulus.value_or(0),
                                             doc.contact->poissonRatio.value_or(0)};
    }
    engine::CamWithDynamics both;
    engine::DynamicsResult alone;
    engine::CamInput cam;
    try {
        cam = CamOfDocument(doc);
        both = engine::ComputeCamWithDynamics(cam, in);
    } catch (const CamError& e) {
        if (e.message().empty()) Fail("loads refused without a reason");
        return;
    }
    try {
        alone = engine::ComputeDynamics(cam, in);
    } catch (const CamError&) {
        Fail("loads computed with the cam and refused alone");
    }
    if (both.dynamics.samples.size() != static_cast<std::size_t>(360 * cam.stepsPerDegree) ||
        both.cam.samples.size() != both.dynamics.samples.size() ||
        alone.samples.size() != both.dynamics.samples.size()) {
        Fail("loads without a sample for every output sample");
    }
    if (!FiniteLoads(both.dynamics)) Fail("a load is NaN or infinity");
    for (std::size_t i = 0; i < alone.samples.size(); ++i) {
        const engine::DynamicsSample &a = alone.samples[i], &b = both.dynamics.samples[i];
        if (a.contactForce != b.contactForce || a.torque != b.torque || a.stress != b.stress) {
            Fail("the loads alone differ from the loads with the cam");
        }
    }
    if (alone.checks.jump != both.dynamics.checks.jump ||
        alone.checks.minContactForce.value != both.dynamics.checks.minContactForce.value) {
        Fail("the load checks alone differ from those with the cam");
    }
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Checks an output's bytes for what the option wrote; true when they are one.
void CheckOutput(const platecam::BatchOptions& options, const std::string& path, const std::string& bytes,
                 const std::string& out) {
    using namespace platecam;
    if (path == options.csv) CheckCsv(bytes);
    if (path == options.json) {
        const nlohmann::json document = CheckJson(bytes);
        if (options.check) {
            const bool passes = Contains(out, Tr("result: all checks pass"));
            if (document["result"]["pass"].get<bool>() != passes) Fail("JSON and --check disagree");
        }
    }
    if (path == options.dxf || path == options.drawing) CheckDxf(bytes);
    if (path == options.saveDesign) CheckSavedDesign(bytes);
    if (path == options.report && bytes.compare(0, 5, "%PDF-") != 0) Fail("a report that is no PDF");
}

bool Asked(const platecam::BatchOptions& o, const std::string& path) {
    return path == o.dxf || path == o.csv || path == o.json || path == o.saveDesign || path == o.drawing ||
           path == o.report;
}

// The engine's other routes to a document's cam: the motion at a point is the grid's bit
// for bit, the largest lift is the rows', a swinging arm's pivot lies at its distance, and
// the samples alone are those of the run (its CSV, whose numbers read back exactly).
void CheckEngineRoutes(const platecam::BatchOptions& options, const std::string& csv) {
    using namespace platecam;
    DesignInput design;
    engine::CamInput cam;
    try {
        design = ReadBatchDesign(options);
        if (!design.document) return;
        cam = CamOfDocument(*design.document);
    } catch (const CamError&) {
        return;
    } catch (const BadUsage&) {
        return;
    }
    const DesignDocument& doc = *design.document;
    const int S = cam.stepsPerDegree;
    const std::vector<engine::Kinematics> grid = cam.motion.OnGrid(S);
    for (int k = 0; k < 360 * S; ++k) {
        const engine::Kinematics at = cam.motion.At(static_cast<double>(k) / S);
        if (std::memcmp(&at, &grid[static_cast<std::size_t>(k)], sizeof at) != 0) {
            Fail("the motion at a point differs from the motion on the grid");
        }
    }
    double largest = doc.motion[0].lift;
    for (const DocumentRow& row : doc.motion) largest = std::max(largest, row.lift);
    if (cam.motion.LargestLift() != largest) Fail("the largest lift is not the rows'");
    try {
        const engine::Point pivot = engine::SwingPivot(cam);
        if (cam.follower.kind != engine::FollowerKind::SwingRoller) Fail("a pivot of a follower without one");
        if (std::fabs(std::hypot(pivot.x, pivot.y) - cam.follower.pivotDistance) >
            1e-9 * cam.follower.pivotDistance) {
            Fail("the pivot is not at its distance from the cam centre");
        }
    } catch (const CamError&) {
    }
    // Inputs the document's rules keep out are refused by the engine as well.
    auto refused = [](engine::CamInput bad) {
        try {
            engine::ComputeSamples(bad);
        } catch (const CamError&) {
            return true;
        }
        return false;
    };
    engine::CamInput bad = cam;
    bad.stepsPerDegree = 3;
    if (!refused(bad)) Fail("the engine computes 3 samples a degree");
    bad = cam;
    bad.maxPressureAngle = 90;
    if (!refused(bad)) Fail("the engine takes a pressure-angle limit of 90 degrees");
    bad = cam;
    bad.follower.kind = static_cast<engine::FollowerKind>(7);
    if (!refused(bad)) Fail("the engine computes an unknown follower");
    if (cam.follower.kind == engine::FollowerKind::Roller) {
        bad = cam;
        bad.follower.offset = cam.baseRadius + cam.follower.rollerRadius;
        if (!refused(bad)) Fail("the engine takes an offset beyond the prime circle");
    }
    std::vector<engine::MotionRow> rows(2);
    rows[1].angle = 360;
    rows[1].lift = 1;
    try {
        engine::Motion::FromRows(rows);
        Fail("a motion that does not close");
    } catch (const CamError&) {
    }
    try {
        engine::EvaluateLaw(static_cast<engine::Law>(engine::LawCount), 0.5);
        Fail("an unknown law evaluated");
    } catch (const CamError&) {
    }
    if (engine::LawFromName(std::string(engine::LawName(doc.cam.law)) + "?")) Fail("a law name that is none");

    if (csv.empty()) return;
    std::vector<engine::Sample> samples;
    try {
        samples = engine::ComputeSamples(cam);
    } catch (const CamError&) {
        Fail("the samples alone are refused where the run wrote them");
    }
    const std::vector<std::string_view> lines = Split(csv, '\n');
    if (lines.size() != samples.size() + 2) Fail("the samples alone are not the run's many");
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::vector<std::string_view> cells = Split(lines[i + 1], ',');
        const engine::Sample& s = samples[i];
        const double expected[] = {s.angleDeg, s.motion.s, s.pressureAngleDeg, s.pitch.x,
                                   s.pitch.y,  s.contact.x, s.contact.y};
        const int columns[] = {0, 1, 5, 6, 7, 8, 9};
        for (int c = 0; c < 7; ++c) {
            if (std::strtod(std::string(cells[columns[c]]).c_str(), nullptr) != expected[c] + 0.0) {
                Fail("the samples alone differ from the run's");
            }
        }
        if (cells[10].empty() != !s.contourRadius) Fail("the samples alone differ in a radius");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // As platecam-batch's main does first.
    platecam::InstallSaveSignalHandling();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platecam;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string commandLine = input.substr(0, nul);
    std::string design = nul == std::string::npos ? std::string() : input.substr(nul + 1);

    std::vector<std::string> arguments;
    std::string situation;
    std::size_t padTo = 0;
    bool usesFiles = false;
    if (!commandLine.empty()) {
        for (std::string_view line : Split(commandLine, '\n')) {
            if (line.substr(0, 2) == "@@") {
                situation = line.substr(2);
                continue;
            }
            if (line.substr(0, 2) == "@p") {
                padTo = std::min<std::size_t>(std::strtoul(std::string(line.substr(2)).c_str(), nullptr, 10),
                                              std::size_t{4} << 20);
                continue;
            }
            arguments.push_back(Substitute(std::string(line), usesFiles));
        }
    }
    if (padTo > design.size() + 2) {
        design.insert(0, "#" + std::string(padTo - design.size() - 2, 'x') + "\n");
    }
    // The design comes first: the harness's, unless the first line names one.
    if (arguments.empty() ||
        (arguments[0] != Design().path && arguments[0] != MissingDesign && arguments[0] != "/dev/null")) {
        arguments.insert(arguments.begin(), Design().path);
    }

    // The options as the run will read them: only the harness's own files are written.
    BatchOptions options;
    bool usable = true;
    try {
        options = ParseBatchOptions(arguments);
    } catch (const BadUsage& bad) {
        if (bad.text.empty()) Fail("an empty usage message");
        usable = false;
    } catch (...) {
        Fail("parsing the options threw what RunBatch does not catch");
    }
    const std::string* paths[] = {&options.dxf,        &options.csv,     &options.json,
                                  &options.saveDesign, &options.drawing, &options.report};
    for (const std::string* path : paths) {
        bool known = path->empty() || *path == Design().path || *path == MissingOutput ||
                     *path == "/dev/null" || *path == "/dev/full";
        for (int k = 0; k < MemorySlots; ++k) known = known || *path == Memory(k).path;
        for (int k = 0; k < FileSlots; ++k) known = known || *path == FileSlot(k);
        if (!known) return -1;
    }
    // --help and --version end the parse wherever they stand: the design may be unread.
    if (usable && !options.help && !options.version && options.design != Design().path &&
        options.design != MissingDesign && options.design != "/dev/null") {
        return -1;
    }

    const int designFd = Design().fd;
    Reset(designFd);
    if (!design.empty() && pwrite(designFd, design.data(), design.size(), 0) != static_cast<ssize_t>(design.size())) {
        Fail("memfd write");
    }
    for (int k = 0; k < MemorySlots; ++k) Reset(Memory(k).fd);
    FolderState before;
    if (usesFiles) {
        for (const auto& item : std::filesystem::directory_iterator(Folder())) {
            std::filesystem::remove_all(item.path());
        }
        for (int k = 0; k < FileSlots; ++k) Prepare(k, k + 0u < situation.size() ? situation[k] : '0');
        before = ReadFolder();
    }
    const bool faulty = situation.size() > FileSlots;
    if (faulty) InjectFault(situation.substr(FileSlots));
    // Each run starts in English; --lang changes the language for the rest of the process.
    if (CurrentLanguage() != Language::English) UseLanguage(Language::English);

    std::ostringstream outStream, errStream;
    int status = -1;
    try {
        status = RunBatch(arguments, outStream, errStream);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "escaped: %s\n", e.what());
        Fail("an exception escaped RunBatch");
    } catch (...) {
        Fail("an exception escaped RunBatch");
    }
    if (faulty) ReplaceSaveSystemCalls({});
    const std::string out = outStream.str(), err = errStream.str();
    // PLATECAM_FUZZ_VERBOSE=1 shows what a run did, to read an input of the corpus.
    static const bool verbose = std::getenv("PLATECAM_FUZZ_VERBOSE") != nullptr;
    if (verbose) {
        std::fprintf(stderr, "status %d\n-- out:\n%s-- err:\n%s", status, out.c_str(), err.c_str());
        for (int k = 0; k < MemorySlots; ++k) {
            std::fprintf(stderr, "-- @%d: %zu bytes\n", k, Contents(Memory(k).fd).size());
        }
    }
    if (status < 0 || status > 2) Fail("an exit status other than 0, 1 and 2");
    if (status == 2 && !Contains(err, "platecam-batch: ")) Fail("exit 2 without a message");
    if (status == 2 && !out.empty()) Fail("exit 2 after printing the check");
    if (!usable && status != 2) Fail("a bad command line not refused");

    // What each output holds: what the option wrote, or what was there before.
    // The note of a contour the roller test stopped is no refusal: the other outputs are
    // written.
    std::string complaints = err;
    const std::string stopped = "platecam-batch: " + Message(msg::RollerTooLarge) + "\n";
    for (std::size_t at; (at = complaints.find(stopped)) != std::string::npos;) complaints.erase(at, stopped.size());
    // Nor is a warning (a drawing's text without Shift_JIS codes).
    const std::string warning = "platecam-batch: " + Tr("warning: %1", {""});
    for (std::size_t at; (at = complaints.find(warning)) != std::string::npos;) {
        complaints.erase(at, complaints.find('\n', at) + 1 - at);
    }
    const bool refused = Contains(complaints, "platecam-batch: ");
    const bool writes = usable && !options.help && !options.version && status != 2 && !refused;
    if (writes && options.design != Design().path) Fail("a missing design was read");
    // A design is read whole or refused whole: never a part of it.
    if (usable && !options.help && !options.version && options.design == Design().path &&
        design.size() > DesignDocumentSizeLimit && status != 2) {
        Fail("a design larger than the limit was read");
    }
    // A stream written before an output that failed cannot be taken back; a file is left
    // as it was unless the system failed the save itself.
    const bool mayHaveWritten = writes || (status == 2 && (usesFiles || Asked(options, "/dev/full")));
    const bool fileMayHaveChanged = writes || (status == 2 && faulty);
    for (int k = 0; k < MemorySlots; ++k) {
        const std::string bytes = Contents(Memory(k).fd);
        const bool asked = usable && Asked(options, Memory(k).path);
        if (writes && asked && bytes.empty()) Fail("an output asked for and not written");
        if (!bytes.empty()) {
            if (!asked || !mayHaveWritten) Fail("an output written where the run wrote none");
            CheckOutput(options, Memory(k).path, bytes, out);
        }
    }
    if (usesFiles) {
        const FolderState after = ReadFolder();
        for (const auto& [name, entry] : after) {
            if (before.count(name)) continue;
            // A new name: an output that was not there, or an old file that the system
            // did not let a failed save put back, under its temporary name.
            const bool output = name.size() == 8 && name.compare(0, 3, "out") == 0;
            if (!(output || (faulty && status == 2 && name.compare(0, 10, ".platecam-") == 0))) {
                Fail("a save left a file behind");
            }
        }
        for (int k = 0; k < FileSlots; ++k) {
            const std::string name = "out" + std::to_string(k) + ".out";
            const bool asked = usable && Asked(options, FileSlot(k));
            // The file an output ends up in: the link's target where the name is a link.
            std::string target = name;
            if (before.count(name) && before.at(name).kind == 'l') target = before.at(name).content;
            const auto now = after.find(target);
            const auto old = before.find(target);
            const bool unchanged = (now == after.end() && old == before.end()) ||
                                   (now != after.end() && old != before.end() && now->second.kind == old->second.kind &&
                                    now->second.content == old->second.content);
            if (before.count(name) && (!after.count(name) || after.at(name).kind != before.at(name).kind ||
                                       (before.at(name).kind == 'l' && after.at(name).content != before.at(name).content))) {
                Fail("a save replaced a link or a folder");
            }
            if (!asked || !fileMayHaveChanged) {
                if (!unchanged) Fail("a file changed where the run wrote none");
                continue;
            }
            if (unchanged && !writes) continue;  // a failed save left the old file
            if (now == after.end() || now->second.kind != 'f') Fail("an output asked for and not written");
            // A failed save either left the old bytes or wrote the new ones whole.
            CheckOutput(options, FileSlot(k), now->second.content, out);
            if (old != before.end()) {
                if (now->second.mode != old->second.mode || now->second.attribute != old->second.attribute) {
                    Fail("a replaced file lost its mode or attribute");
                }
                if (after.count(name + ".link") && after.at(name + ".link").content != now->second.content) {
                    Fail("a hard link misses the new content");
                }
            }
        }
    }

    // Exit 1 is a refusal or a failed check, and a failed check names what fails.
    const bool help = usable && (options.help || options.version);
    if (help && (status != 0 || out.empty())) Fail("--help or --version without its text");
    if (usable && !help && options.check && status != 2) {
        const bool fails = Contains(out, Tr("result: a check fails"));
        if (fails == Contains(out, Tr("result: all checks pass"))) Fail("--check without one result line");
        if (fails && !Contains(out, std::string("  ") + Tr("FAIL"))) Fail("a failed result names no failed check");
        if (status == 0 && fails) Fail("exit 0 after a failed check");
        if (status == 1 && !fails && !refused) Fail("exit 1 without a failed check or a refusal");
    } else if (status == 1 && !refused) {
        Fail("exit 1 without a failed check or a refusal");
    }

    if (!usable || options.help || options.version) return 0;
    if (IsDesignDocument(design)) {
        std::string csv;
        for (int k = 0; k < MemorySlots && status != 2; ++k) {
            if (options.csv == Memory(k).path) csv = Contents(Memory(k).fd);
        }
        CheckEngineRoutes(options, csv);
        if (Contains(design, "[dynamics]") || Contains(design, "swing-roller")) CheckDynamics(options);
    }
    return 0;
}
