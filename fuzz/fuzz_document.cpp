// Arbitrary design-document text. A refused text must end with the document's own message
// (file and line first); an accepted one holds only finite numbers, is written, read and
// written again byte for byte, and, when the window can show it, becomes the window's
// table and back without a change.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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

    if (!KeyTheWindowCannotShow(document).empty()) return 0;
    try {
        const MotionTable table = TableFromDocument(document);
        const DesignDocument back = DocumentFromTable(table, WindowLawIndex(document.cam.law),
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
