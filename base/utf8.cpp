#include "base/utf8.h"

namespace platecam {

Utf8Char DecodeUtf8(std::string_view text, std::size_t at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    char32_t code = 0;
    std::size_t extra = 0;
    if (byte < 0x80) {
        return {byte, 1};
    } else if (byte >= 0xC2 && byte <= 0xDF) {
        code = byte & 0x1F;
        extra = 1;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        code = byte & 0x0F;
        extra = 2;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        code = byte & 0x07;
        extra = 3;
    } else {
        return {};
    }
    if (at + extra >= text.size()) return {};
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) return {};
        code = code << 6 | (next & 0x3F);
    }
    if ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF)) {
        return {};
    }
    return {code, extra + 1};
}

bool IsControlCharacter(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

bool IsDirectionControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

std::string PrintableText(std::string_view bytes) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const Utf8Char c = DecodeUtf8(bytes, i);
        if (c.length > 0 && !IsControlCharacter(c.code) && !IsDirectionControl(c.code)) {
            text.append(bytes.substr(i, c.length));
            i += c.length;
            continue;
        }
        // A control character is escaped byte by byte like a byte that is no character.
        const std::size_t n = c.length > 0 ? c.length : 1;
        for (std::size_t k = 0; k < n; ++k) {
            const auto byte = static_cast<unsigned char>(bytes[i + k]);
            text += "\\x";
            text += Hex[byte >> 4];
            text += Hex[byte & 0xF];
        }
        i += n;
    }
    return text;
}

}  // namespace platecam
