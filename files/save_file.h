#pragma once
// Writing a whole file so that a failure never leaves a damaged file behind.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace platecam {

// Writes up to `size` bytes to the descriptor and returns how many it wrote (or -1),
// like write(2); tests replace it to simulate a full disk.
using ByteWriter = std::function<long(int fd, const char* data, std::size_t size)>;

// Writes `bytes` to a temporary file beside `path` and renames it over `path` only when
// every byte is on disk. Throws CamError with "ファイル %s を作成できません" when the file
// cannot be created and "ストリームへの書き込みエラー" when the write falls short; either
// way an existing file at `path` is untouched and no temporary file stays behind.
void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         const ByteWriter& writer = {});

// Reads a whole regular file; throws "ファイル %s は開けません" or
// "ストリームからの読み込みエラー".
std::string ReadWholeFile(const std::string& path, std::size_t limit);

}  // namespace platecam
