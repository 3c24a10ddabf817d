#pragma once
// UTF-8 as the programs meet it in file names and in a document's texts: decoded one
// character at a time, with every byte that is not part of a valid character found.

#include <cstddef>
#include <string>
#include <string_view>

namespace platecam {

struct Utf8Char {
    char32_t code = 0;
    std::size_t length = 0;  // 0: the bytes at this place are no valid UTF-8 character
};

// The character that starts at byte `at`: no overlong form, surrogate or value beyond
// U+10FFFF, none cut short by the end of the text.
Utf8Char DecodeUtf8(std::string_view text, std::size_t at);

// C0 controls, DEL and the C1 controls.
bool IsControlCharacter(char32_t c);

// The characters that change the direction of the text around them (U+202E and its
// kin): a title "gpj.exe" with a right-to-left override shows as "exe.jpg".
bool IsDirectionControl(char32_t c);

// A text fit to print whatever bytes it came from: valid UTF-8 characters as they are,
// but for controls and direction controls; every other byte as \xNN (the byte's two hex
// digits, as Python's backslashreplace writes them).
std::string PrintableText(std::string_view bytes);

}  // namespace platecam
