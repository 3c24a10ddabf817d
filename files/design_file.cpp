#include "files/design_file.h"

#include <bit>
#include <cmath>

#include "base/errors.h"

namespace platecam {

namespace {

void PutLE(std::uint8_t* out, std::uint64_t bits, int width) {
    for (int i = 0; i < width; ++i) out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

std::uint64_t GetLE(const std::string& in, std::size_t at, int width) {
    std::uint64_t bits = 0;
    for (int i = 0; i < width; ++i) {
        bits |= std::uint64_t{static_cast<std::uint8_t>(in[at + i])} << (8 * i);
    }
    return bits;
}

}  // namespace

DesignBytes EncodeDesign(const MotionTable& table) {
    DesignBytes bytes{};
    for (int k = 0; k < MotionSlotCount; ++k) {
        const std::int32_t angle = table[k].Angle;
        const double value = table[k].Value;
        PutLE(&bytes[12 * k], static_cast<std::uint32_t>(angle), 4);
        PutLE(&bytes[12 * k + 4], std::bit_cast<std::uint64_t>(value), 8);
    }
    return bytes;
}

MotionTable DecodeDesign(const std::string& bytes, const std::string& path) {
    if (bytes.size() != DesignFileSize) throw CamError(FormatMessage(msg::NotDesignFile, path));
    MotionTable table{};
    for (int k = 0; k < MotionSlotCount; ++k) {
        const auto angle = static_cast<std::uint32_t>(GetLE(bytes, 12 * k, 4));
        const double value = std::bit_cast<double>(GetLE(bytes, 12 * k + 4, 8));
        if (!std::isfinite(value)) throw CamError(FormatMessage(msg::NotDesignFile, path));
        table[k].Angle = static_cast<std::int32_t>(angle);
        table[k].Value = value;
    }
    return table;
}

void WriteDesignFile(const std::string& path, const MotionTable& table, const ByteWriter& writer) {
    const DesignBytes bytes = EncodeDesign(table);
    SaveFile(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), writer);
}

void ReadDesignFile(const std::string& path, MotionTable& table) {
    table = DecodeDesign(ReadWholeFile(path, DesignFileSize), path);
}

}  // namespace platecam
