// Arbitrary design-document text. A refused text must end with the document's own message
// (file and line first); an accepted one holds only finite numbers, is written, read and
// written again byte for byte (as text and through a file), and, when the window can show
// it, becomes the window's table and back without a change. The accepted document, changed
// in one place as a program might change it, is written exactly when its rules hold.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "design/window.h"
#include "files/design_document.h"
#include "fuzz/fuzz_common.h"

namespace {

using platecam::fuzz::Fail;

PLATECAM_HARNESS std::vector<double> Numbers(const platecam::DesignDocument& d) {
    std::vector<double> numbers = {d.cam.baseRadius, d.cam.resolution};
    auto add = [&](const std::optional<double>& value) {
        if (value) numbers.push_back(*value);
    };
    for (const auto* value :
         {&d.cam.rpm, &d.cam.maxPressureAngle, &d.cam.minBaseRadius, &d.cam.minRadiusOfCurvature,
          &d.follower.rollerRadius, &d.follower.offset, &d.follower.faceWidth,
          &d.follower.armLength, &d.follower.pivotDistance}) {
        add(*value);
    }
    for (const auto& row : d.motion) numbers.push_back(row.lift);
    if (d.dynamics) {
        for (const auto* value : {&d.dynamics->mass, &d.dynamics->springRate, &d.dynamics->preload,
                                  &d.dynamics->damping, &d.dynamics->load}) {
            add(*value);
        }
    }
    if (d.drawing) add(d.drawing->boreDiameter);
    if (d.contact) {
        add(d.contact->width);
        add(d.contact->elasticModulus);
        add(d.contact->poissonRatio);
    }
    return numbers;
}

// "fuzz.toml:<line>: ": every refusal of a text names the file and a line.
bool NamesFileAndLine(const std::string& message) {
    const std::string start = "fuzz.toml:";
    if (message.compare(0, start.size(), start) != 0) return false;
    std::size_t at = start.size();
    const std::size_t digits = at;
    while (at < message.size() && message[at] >= '0' && message[at] <= '9') ++at;
    return at > digits && message[digits] != '0' && message.compare(at, 2, ": ") == 0;
}

// One change a program might make to a document, picked by `pick`.
void Change(platecam::DesignDocument& d, std::size_t pick) {
    const double base = d.cam.baseRadius + d.follower.rollerRadius.value_or(0);
    switch (pick % 20) {
        case 0: d.cam.resolution = 0.3; break;
        case 1: d.cam.maxPressureAngle = 90; break;
        case 2: d.follower.offset = 1.5 * base; break;
        case 3: d.contact = platecam::ContactSection{1.0, 1.0, 0.5, {}}; break;
        case 4: d.motion.resize(1); break;
        case 5: d.motion.resize(platecam::DocumentMaxRows + 1, d.motion.back()); break;
        case 6: d.motion[1].angle = -1; break;
        case 7: d.motion.back().angle = 400; break;
        case 8: d.motion[0].angle = 5; break;
        case 9: d.motion.back().lift += 1; break;
        case 10: d.motion[1].law = platecam::engine::Law::DoubleHarmonic; break;
        case 11: d.motion[0].law = platecam::engine::Law::Cycloid; break;
        case 12: d.follower.kind = platecam::engine::FollowerKind::SwingRoller; break;
        case 13: d.cam.baseRadius = std::numeric_limits<double>::quiet_NaN(); break;
        case 14: d.follower.rollerRadius.reset(); break;
        case 15: d.drawing = platecam::DrawingSection{}; d.drawing->designer = "two\nlines"; break;
        case 16: d.dynamics = platecam::DynamicsSection{}; d.dynamics->mass = -1.0; break;
        case 17: break;
        case 18: d.follower.pivotDistance = 1e9; break;
        case 19: d.follower.faceWidth = 10; break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platecam;
    const std::string text(reinterpret_cast<const char*>(data), size);
    DesignDocument document;
    try {
        document = ParseDesignDocument(text, "fuzz.toml");
    } catch (const DocumentError& e) {
        if (!NamesFileAndLine(e.message())) Fail("a refusal names no file and line");
        return 0;
    } catch (const CamError&) {
        Fail("a refusal that is not a DocumentError");
    }
    for (double value : Numbers(document)) {
        if (!std::isfinite(value)) Fail("an accepted document holds NaN or infinity");
    }
    std::string written;
    DesignDocument again;
    try {
        written = FormatDesignDocument(document);
        again = ParseDesignDocument(written, "fuzz.toml");
    } catch (const CamError&) {
        Fail("an accepted document is not written and read again");
    }
    if (FormatDesignDocument(again) != written) Fail("writing again changed the bytes");
    if (!IsDesignDocument(written)) Fail("a written document looks like a design file");
    try {
        CheckDocumentRows(document, "fuzz.toml");
        static const int fd = memfd_create("platecam-document", 0);
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        if (fd < 0 || ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) Fail("memfd reset");
        SaveDesignDocument(path, document);
        if (FormatDesignDocument(ReadDesignDocument(path)) != written) Fail("a document saved and read changed");
    } catch (const CamError&) {
        Fail("an accepted document is not saved and read again");
    }

    // Changed in one place: the rules refuse it exactly when the writer does, naming the
    // file and the key but no line, and what is written reads back.
    DesignDocument changed = document;
    Change(changed, std::hash<std::string>{}(text));
    bool holds = true, writes = true;
    std::string refusal;
    try {
        CheckDesignDocument(changed, "fuzz.toml");
    } catch (const DocumentError& e) {
        holds = false;
        refusal = e.message();
    }
    try {
        changed.StepsPerDegree();
    } catch (const DocumentError&) {
        if (holds) Fail("a document within the rules without its samples per degree");
    }
    try {
        written = FormatDesignDocument(changed);
    } catch (const DocumentError&) {
        writes = false;
    }
    if (holds != writes) Fail("the writer and the rules disagree on a changed document");
    if (!holds && (refusal.compare(0, 11, "fuzz.toml: ") != 0 || NamesFileAndLine(refusal))) {
        Fail("a changed document's refusal names no key or names a line");
    }
    if (writes) {
        try {
            if (FormatDesignDocument(ParseDesignDocument(written, "fuzz.toml")) != written) {
                Fail("a changed document written again changed");
            }
        } catch (const CamError&) {
            Fail("a changed document written is refused");
        }
    }

    if (!KeyTheWindowCannotShow(document).empty()) return 0;
    try {
        const MotionTable table = TableFromDocument(document);
        const DesignDocument back = DocumentFromTable(table, *engine::WindowLawIndex(document.cam.law),
                                                      document.StepsPerDegree(), "fuzz.toml");
        if (back.motion.size() != document.motion.size()) Fail("the window's table lost rows");
        for (std::size_t i = 0; i < back.motion.size(); ++i) {
            if (back.motion[i].angle != document.motion[i].angle ||
                std::memcmp(&back.motion[i].lift, &document.motion[i].lift, sizeof(double)) != 0) {
                Fail("the window's table changed a row");
            }
        }
        if (back.cam.law != document.cam.law || back.cam.resolution != document.cam.resolution ||
            back.cam.baseRadius != document.cam.baseRadius ||
            back.follower.rollerRadius != document.follower.rollerRadius) {
            Fail("the window's table changed the cam");
        }
    } catch (const CamError&) {
        Fail("a document the window can show does not become its table and back");
    }
    return 0;
}
