#include "files/shift_jis.h"

#include <stdexcept>

#include "base/utf8.h"

namespace platecam {

ShiftJis::ShiftJis() : cd_(iconv_open("CP932", "UTF-8")) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv CP932 unavailable");
}

ShiftJis::~ShiftJis() { iconv_close(cd_); }

std::string_view ShiftJis::Character(std::string_view sequence) {
    char* in = const_cast<char*>(sequence.data());
    std::size_t inLeft = sequence.size();
    char* o = buffer_;
    std::size_t outLeft = sizeof buffer_;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
        return {};
    }
    return std::string_view(buffer_, static_cast<std::size_t>(o - buffer_));
}

std::size_t ShiftJis::Append(std::string& out, std::string_view utf8) {
    std::size_t replaced = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += utf8[i++];
            continue;
        }
        const Utf8Char c = DecodeUtf8(utf8, i);
        const std::string_view code = c.length > 0 ? Character(utf8.substr(i, c.length)) : std::string_view();
        if (code.empty()) {
            out += '?';
            ++replaced;
        } else {
            out.append(code);
        }
        i += c.length > 0 ? c.length : 1;
    }
    return replaced;
}

std::size_t CharactersWithoutShiftJis(std::string_view utf8) {
    ShiftJis encoder;
    std::string ignored;
    return encoder.Append(ignored, utf8);
}

}  // namespace platecam
