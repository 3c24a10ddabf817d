#pragma once
// Text in Shift_JIS (code page 932, as Japanese Windows and the CAD programs of its
// workshops read it) from UTF-8: the one encoder of every DXF file.

#include <iconv.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace platecam {

class ShiftJis {
public:
    ShiftJis();
    ~ShiftJis();
    ShiftJis(const ShiftJis&) = delete;
    ShiftJis& operator=(const ShiftJis&) = delete;

    // The code of one whole UTF-8 character, valid until the next call; empty where code
    // page 932 has none.
    std::string_view Character(std::string_view sequence);

    // The text appended to `out`, each character code page 932 lacks, and each byte that
    // is no UTF-8, as '?'. Returns how many were replaced.
    std::size_t Append(std::string& out, std::string_view utf8);

private:
    iconv_t cd_;
    char buffer_[8];
};

// How many characters of the text Shift_JIS cannot hold (bytes that are no UTF-8 count
// one each).
std::size_t CharactersWithoutShiftJis(std::string_view utf8);

}  // namespace platecam
