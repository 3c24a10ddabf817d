#include "model/cam_design.h"

#include <locale.h>
#include <stdlib.h>

#include <cerrno>
#include <cmath>
#include <limits>

#include "base/errors.h"
#include "base/number_text.h"

namespace platecam {

TableWalk WalkTable(const MotionTable& table) {
    TableWalk walk;
    for (int row = 1; row <= MotionRowCount; ++row) {
        const MotionRecord& here = table[row - 1];
        if (here.Angle == TerminatorAngle) {
            walk.terminatorRow = row;
            break;
        }
        if (row == MotionRowCount) break;
        const MotionRecord& next = table[row];
        walk.segments[walk.count++] = Segment{row,        here.Angle, next.Angle,
                                              here.Value, next.Value, here.Value == next.Value};
    }
    return walk;
}

void CheckTableAngles(const TableWalk& walk) {
    // One range at every resolution: a revolution is 0..360 degrees, whatever the
    // sample arrays could hold at a coarser step.
    auto check = [](std::int32_t angle) {
        if (angle < 0 || angle > TerminatorAngle) {
            throw CamError(Text::Message(msg::AngleOutOfRange, {std::to_string(angle)}));
        }
    };
    for (const Segment& segment : walk) {
        check(segment.startAngle);
        check(segment.endAngle);
    }
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

locale_t CLocale() {
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

[[noreturn]] void NotFloat(const std::string& text) {
    throw CamError(Text::Message(msg::NotFloat, {text}));
}

[[noreturn]] void NotInteger(const std::string& text) {
    throw CamError(Text::Message(msg::NotInteger, {text}));
}

}  // namespace

double ParseDecimal(const std::string& text, char decimalMark) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    // The grammar is checked here; the conversion itself goes to the C library in a
    // fixed "C" locale so that the process locale never matters.
    std::string normal;
    normal.reserve(n + 2);
    while (i < n && text[i] == ' ') ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) normal += text[i++];
    std::size_t digits = 0;
    while (i < n && IsDigit(text[i])) normal += text[i++], ++digits;
    if (i < n && text[i] == decimalMark) {
        normal += '.';
        ++i;
        while (i < n && IsDigit(text[i])) normal += text[i++], ++digits;
    }
    if (digits == 0) NotFloat(text);
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) normal += text[i++];
        std::size_t expDigits = 0;
        while (i < n && IsDigit(text[i])) normal += text[i++], ++expDigits;
        if (expDigits == 0) NotFloat(text);
    }
    while (i < n && text[i] == ' ') ++i;
    if (i != n) NotFloat(text);

    errno = 0;
    double value = strtod_l(normal.c_str(), nullptr, CLocale());
    if (std::isinf(value)) ThrowOverflow();
    // An underflow (ERANGE with a tiny result) is stored as 0 or the nearest subnormal.
    return value;
}

std::int32_t ParseInteger(const std::string& text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && text[i] == ' ') ++i;
    bool hex = false;
    if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (hex) {
        if (i == n) NotInteger(text);
        std::uint64_t value = 0;
        for (; i < n; ++i) {
            int d = HexDigit(text[i]);
            if (d < 0) NotInteger(text);
            value = value * 16 + static_cast<unsigned>(d);
            if (value > 0xFFFFFFFFu) NotInteger(text);
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == n) NotInteger(text);
    std::int64_t value = 0;
    const std::int64_t limit = negative ? std::int64_t{2147483648} : std::int64_t{2147483647};
    for (; i < n; ++i) {
        if (!IsDigit(text[i])) NotInteger(text);
        value = value * 10 + (text[i] - '0');
        if (value > limit) NotInteger(text);
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

void LoadDesignFromTexts(CamDesign& design, const DesignTexts& texts, char decimalMark) {
    // Each field is assigned as soon as its text converts: a failure leaves the earlier
    // fields new and the failing one and all later ones as they were.
    design.BaseRadius = ParseDecimal(texts.BaseRadiusText, decimalMark);
    design.RollerRadius = ParseDecimal(texts.RollerRadiusText, decimalMark);
    design.MotionTable[BaseRadiusSlot].Value = design.BaseRadius;
    design.MotionTable[RollerRadiusSlot].Value = design.RollerRadius;
    for (int k = 0; k < MotionRowCount; ++k) {
        design.MotionTable[k].Angle = ParseInteger(texts.AngleTexts[k]);
        design.MotionTable[k].Value = ParseDecimal(texts.ValueTexts[k], decimalMark);
    }
}

namespace {

// The window's 15 digits, which read back as the value shown; within half a unit of the
// 15th digit of the largest double they round past it and would not read back at all:
// those few values get the 17 digits that name them exactly.
std::string ShownText(double value, char decimalMark) {
    std::string text = FormatNumber(value, decimalMark);
    if (std::fabs(value) > 1e308) {
        try {
            ParseDecimal(text, decimalMark);
        } catch (const CamError&) {
            text = FormatGeneral(value, 17, 15, decimalMark);
        }
    }
    return text;
}

}  // namespace

DesignTexts TextsFromTable(const MotionTable& table, char decimalMark) {
    DesignTexts texts;
    texts.BaseRadiusText = ShownText(table[BaseRadiusSlot].Value, decimalMark);
    texts.RollerRadiusText = ShownText(table[RollerRadiusSlot].Value, decimalMark);
    for (int k = 0; k < MotionRowCount; ++k) {
        texts.AngleTexts[k] = std::to_string(table[k].Angle);
        texts.ValueTexts[k] = ShownText(table[k].Value, decimalMark);
    }
    return texts;
}

void ScanMaxDisplacement(CamDesign& design) {
    design.MaxDisplacement = 0;
    for (int k = 0; k < MotionRowCount; ++k) {
        if (design.MotionTable[k].Value > design.MaxDisplacement) {
            design.MaxDisplacement = design.MotionTable[k].Value;
        }
    }
}

}  // namespace platecam
