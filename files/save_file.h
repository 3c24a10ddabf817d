#pragma once
// Saving whole files the way the user's rights and file system allow, so that a failure
// never leaves a damaged file behind where it can be avoided, and a file keeps what it
// had: owner, group, mode, ACL, extended attributes, links.

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"

namespace platecam {

namespace msg {
inline constexpr const char* ReadOnlyFile =
    "file %s is read-only (nobody may write it, root included); not replaced";
inline constexpr const char* BlockDevice = "file %s is a block device; outputs are never written onto a disk";
inline constexpr const char* DanglingLink = "not writing through dangling symbolic link %s";
inline constexpr const char* SameOutput = "%s and %s name the same file %s; nothing written";
inline constexpr const char* ReplacedMeanwhile =
    "file %s was replaced by another program during the save; not saved";
// Why a file cannot be read, for the command line (the window says only CannotOpen).
inline constexpr const char* NoSuchFile = "cannot open file %1: it does not exist";
inline constexpr const char* LinkToNothing =
    "cannot open file %1: it is a symbolic link to a file that does not exist";
inline constexpr const char* NoReadPermission = "cannot open file %1: no permission to read it";
inline constexpr const char* NoFolderPermission =
    "cannot open file %1: no permission to enter its folder";
inline constexpr const char* IsFolder = "cannot open %1: it is a folder, not a file";
inline constexpr const char* NotRegularFile =
    "cannot open %1: it is not a regular file (a device, FIFO or socket)";
inline constexpr const char* OpenFailed = "cannot open file %1: %2";
}  // namespace msg

// A file that cannot be read. message() is the window's fixed text, "ファイル %s は開けません";
// detailed() says why as well (missing, permission, a folder, ...), for the command line.
class CannotOpenError : public CamError {
public:
    CannotOpenError(const std::string& message, std::string detailed)
        : CamError(message), detailed_(std::move(detailed)) {}
    const std::string& detailed() const { return detailed_; }

private:
    std::string detailed_;
};

// Writes up to `size` bytes to the descriptor and returns how many it wrote (or -1),
// like write(2); tests replace it to simulate a full disk.
using ByteWriter = std::function<long(int fd, const char* data, std::size_t size)>;

// Saves `bytes` as the file at `path`:
// - a new file, or a regular file (or one a symbolic link leads to; the link stays), is
//   replaced through an unnamed temporary file beside it, named only when every byte is
//   on disk and renamed over the target; the folder is synced; a new file gets exactly
//   what open(2) would give it (umask, default ACL), a replaced one keeps its owner,
//   group, mode, ACL and extended attributes;
// - a file with several hard links, one whose folder the user may not write, or one whose
//   owner, group, ACL or attributes a new file could not keep (another user's file, a
//   sticky folder) is written in place, with the space reserved first and the old bytes
//   kept to restore when the write fails;
// - a character device, FIFO or terminal (/dev/null, /dev/stdout, /dev/fd/N) is written
//   straight into; a FIFO without a reader is refused at once.
// Where another program saves a complete file under the name meanwhile (two runs saving
// one output at once), the save goes to that file instead, keeping what it has; the last
// complete save wins and no file is ever a mixture of two. Saves of one file in place
// take turns (flock).
// Refused: a block device, a dangling symbolic link, a read-only file (root included), a
// folder. Throws CamError with "ファイル %s を作成できません" when the file may not or
// cannot be created, msg::ReplacedMeanwhile when other programs keep replacing the file
// or put something other than a regular file under its name, and
// "ストリームへの書き込みエラー" when the write or its sync fails (the folder's sync
// after the rename included); a replaced file is then untouched and no temporary file
// stays behind.
void SaveFile(const std::string& path, std::string_view bytes, const ByteWriter& writer = {});

// Several outputs of one run that succeed or fail together.
//   SaveBatch batch;
//   batch.Add(options.dxf, dxf, "--dxf");
//   batch.Add(options.csv, csv, "--csv");
//   batch.Commit();  // throws CamError; then no target has changed
// Commit refuses two outputs naming one file (the same name, through ./, a symbolic or a
// hard link) before anything is written, then prepares every output (temporary files
// written and synced, space for in-place writes reserved, devices opened) and only then
// replaces the targets: devices and streams first, then in-place files, then renames. A
// failure while replacing puts back what was already replaced (a stream's bytes cannot be
// taken back). Each output is saved as SaveFile saves it.
class SaveBatch {
public:
    explicit SaveBatch(ByteWriter writer = {});
    ~SaveBatch();
    SaveBatch(const SaveBatch&) = delete;
    SaveBatch& operator=(const SaveBatch&) = delete;

    // `option` names the output in messages (e.g. "--csv"); the path stands in when empty.
    void Add(std::string path, std::string bytes, std::string option = {});
    // Once per batch.
    void Commit();

    struct Output;

private:
    void Replace();

    ByteWriter writer_;
    std::vector<std::unique_ptr<Output>> outputs_;
};

// Call first thing in main, before any thread: ignores SIGPIPE (a reader that leaves
// makes the write fail with the write error instead of killing the program), and on
// SIGINT, SIGTERM and SIGHUP removes the named temporary files of saves under way before
// the signal's default action ends the program. A signal ignored at start stays ignored.
// Also reads the umask once, without changing it.
void InstallSaveSignalHandling();

// The system calls behind every save. Tests replace some of them to produce failures a
// real file system does not give on demand (EIO from a folder's fsync, EINTR); empty
// members are the real calls.
struct SaveSystemCalls {
    std::function<int(int folder, const char* name, int flags, mode_t mode)> openat{};
    std::function<int(int fd)> fsync{};
    // flags as for renameat2 (0, RENAME_NOREPLACE, RENAME_EXCHANGE)
    std::function<int(int fromFolder, const char* from, int toFolder, const char* to,
                      unsigned flags)> renameat{};
    std::function<int(int fromFolder, const char* from, int toFolder, const char* to,
                      int flags)> linkat{};
};
// Every save uses these from now on (tests only; SaveSystemCalls{} restores the real ones).
void ReplaceSaveSystemCalls(SaveSystemCalls calls);

// Reads a whole regular file without ever blocking on a FIFO or device; throws
// CannotOpenError ("ファイル %s は開けません", with the reason in detailed()) or CamError
// "ストリームからの読み込みエラー".
std::string ReadWholeFile(const std::string& path, std::size_t limit);

// True when both paths name one existing file (same device and inode, links followed).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace platecam
