#pragma once
// The design document's text: TOML, format 2, read and written with toml++. Both programs
// read it; the window writes it for a name ending in ".toml", platecam-batch
// --save-design too. Its contents and rules are design/document.h and design/rules.h.

#include <cstddef>
#include <string>
#include <string_view>

#include "design/document.h"
#include "design/rules.h"

namespace platecam {

inline constexpr int DesignDocumentFormat = 2;
// The largest file either program reads as a design, and the largest document it writes.
// A document of 20 rows with every table takes under 3 KB as platecam writes it: the rest
// is room for a person's comments. A larger file is refused whole, never cut.
inline constexpr std::size_t DesignDocumentSizeLimit = 64 * 1024;

// Reads and checks a document; `path` is only for the messages, which name the file, the
// line and the key ("cam.toml:12: cam.base_radius: must be ..."). Each name (a law, a
// follower kind) is read into the engine's word here. Throws DocumentError.
DesignDocument ParseDesignDocument(std::string_view text, const std::string& path);

// The canonical text of a document (toml++), which reads back to the same document and
// is written again byte for byte. Refuses (DocumentError) a document that breaks a rule:
// nothing the reader would refuse, no NaN or infinity, is ever written.
std::string FormatDesignDocument(const DesignDocument& document);

// True when the bytes are a design document rather than a 264-byte design file (the
// window's OPEN decides by content, not by name): when they hold no NUL byte. TOML text
// never holds one; a design file does as soon as one of its angles lies from 0 to 360
// (two zero bytes each). So a TOML text of exactly 264 bytes is a document.
bool IsDesignDocument(std::string_view bytes);

// The whole file at `path`, a design file or a document; a file larger than
// DesignDocumentSizeLimit is refused (DocumentError naming its size and the limit) unread.
std::string ReadDesignBytes(const std::string& path);

// Reads and parses a document file (ReadDesignBytes, ParseDesignDocument).
DesignDocument ReadDesignDocument(const std::string& path);
// Checks the document, then saves its text with SaveFile.
void SaveDesignDocument(const std::string& path, const DesignDocument& document);

}  // namespace platecam
