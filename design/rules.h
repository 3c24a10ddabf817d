#pragma once
// Every rule of a design document, on one however it was made (read from TOML, converted
// from a design file, built by a window): the ranges of its numbers (engine/limits), the
// keys each follower kind takes, the rows of the motion, the texts of the title block.
// A rule names the key it breaks; where the key stands (a file and a line) is the
// caller's to say.

#include <string>
#include <string_view>

#include "base/text.h"
#include "design/document.h"

namespace platecam {

// Where a key of a document stands, written before the key in a message: "cam.toml:12: "
// for a document read from text, "cam.toml: " for one made otherwise, or nothing.
class KeyPlaces {
public:
    virtual ~KeyPlaces() = default;
    virtual std::string Prefix(const std::string& key) const = 0;
};

// The file alone: "path: " before every key, nothing for an empty path.
class FilePlaces : public KeyPlaces {
public:
    explicit FilePlaces(std::string path) : path_(std::move(path)) {}
    std::string Prefix(const std::string&) const override {
        return path_.empty() ? path_ : path_ + ": ";
    }

private:
    std::string path_;
};

// Throws DocumentError "PREFIX key: reason".
[[noreturn]] void RefuseKey(const KeyPlaces& places, const std::string& key, const Text& reason);

// Every rule; throws DocumentError naming the first key that breaks one.
void CheckDesignDocument(const DesignDocument& document, const KeyPlaces& places);
// The same with the file named before each key ("path: cam.base_radius: ...").
void CheckDesignDocument(const DesignDocument& document, const std::string& path);

// The rules of the motion rows alone (count, whole increasing angles from 0 to 360, the
// lift at 360 equal to the lift at 0); throws DocumentError naming the row.
void CheckDocumentRows(const DesignDocument& document, const std::string& path);

// Why a title-block text (a [drawing] text, a --title-block value) is refused, as a
// message id: not UTF-8, a control character, a character that turns the direction of the
// text. nullptr for a text that may stand.
const char* TitleTextProblem(std::string_view value);

// "motion[3].lift": the key of a row's value (index from 0), or of the row itself.
std::string RowKey(std::size_t index, const char* name);

}  // namespace platecam
