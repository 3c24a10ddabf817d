#pragma once
// The 264-byte design file: the motion table's 22 records, little-endian, no header.

#include <array>
#include <cstdint>
#include <string>

#include "files/save_file.h"
#include "model/cam_design.h"

namespace platecam {

inline constexpr std::size_t DesignFileSize = 264;
using DesignBytes = std::array<std::uint8_t, DesignFileSize>;

DesignBytes EncodeDesign(const MotionTable& table);

// Decodes a file's bytes; refuses (with "ファイル %s はカムの設計ファイルではありません")
// a length other than 264 or a value that is not a finite number.
MotionTable DecodeDesign(const std::string& bytes, const std::string& path);

void WriteDesignFile(const std::string& path, const MotionTable& table,
                     const ByteWriter& writer = {});

// Replaces the table only when the whole file was read and accepted.
void ReadDesignFile(const std::string& path, MotionTable& table);

}  // namespace platecam
