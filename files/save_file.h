#pragma once
// Saving a whole file the way the user's rights and file system allow, so that a failure
// never leaves a damaged file behind where it can be avoided.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace platecam {

// Writes up to `size` bytes to the descriptor and returns how many it wrote (or -1),
// like write(2); tests replace it to simulate a full disk.
using ByteWriter = std::function<long(int fd, const char* data, std::size_t size)>;

// Saves `bytes` as the file at `path`:
// - a regular file (or a link to one, which stays a link) is replaced through an unnamed
//   temporary file beside it, renamed in place only when every byte is on disk; the
//   folder is synced and the mode (and, for root, the owner) is kept;
// - a file the user may write in a folder the user may not, or a file with several hard
//   links, is written in place;
// - a device, FIFO or terminal (/dev/null, /dev/stdout) is written straight into.
// Throws CamError with "ファイル %s を作成できません" when the file may not or cannot be
// created (a read-only file included) and "ストリームへの書き込みエラー" when the write
// falls short; a replaced file is then untouched and no temporary file stays behind.
void SaveFile(const std::string& path, std::string_view bytes, const ByteWriter& writer = {});

// Reads a whole regular file without ever blocking on a FIFO or device; throws
// "ファイル %s は開けません" or "ストリームからの読み込みエラー".
std::string ReadWholeFile(const std::string& path, std::size_t limit);

// True when both paths name one existing file (same device and inode, links followed).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace platecam
