#include "files/save_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

#include "model/errors.h"

namespace platecam {

namespace {

[[noreturn]] void CannotCreate(const std::string& path) {
    throw CamError(FormatMessage(msg::CannotCreate, path));
}

long WriteAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

bool WriteBytes(int fd, std::string_view bytes, const ByteWriter& writer) {
    const long written = writer ? writer(fd, bytes.data(), bytes.size())
                                : WriteAll(fd, bytes.data(), bytes.size());
    return written == static_cast<long>(bytes.size());
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Closes the descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links to the name of the file they lead to, which need not exist yet,
// so that saving through a link writes the linked file and keeps the link.
std::string ResolveLinks(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(current.c_str(), target, sizeof target);
        if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) CannotCreate(path);
        const std::string next(target, static_cast<std::size_t>(n));
        current = next[0] == '/' ? next : DirectoryOf(current) + "/" + next;
    }
    CannotCreate(path);  // a loop of links
}

// A short name of fixed length, whatever the target's length.
std::string TemporaryName() {
    static std::mt19937 random{std::random_device{}()};
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = ".platecam-";
    for (int i = 0; i < 8; ++i) name += letters[random() % (sizeof letters - 1)];
    return name;
}

// Gives the unnamed file a name in the folder; O_TMPFILE files are linked through /proc,
// or directly where the process may (root).
bool LinkUnnamed(int fd, int folder, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    return ::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0;
}

enum class Replace { Done, FolderRefused };

// Writes a new file beside `target` and renames it over the target once every byte is on
// disk. Nothing but the finished file ever carries a name, except for the instant between
// linking and renaming where the file system has no unnamed files.
Replace ReplaceThroughTemporary(const std::string& target, const std::string& shown,
                                std::string_view bytes, const ByteWriter& writer,
                                const struct stat* existing) {
    Descriptor folder(::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) {
        if (errno == EACCES && existing) return Replace::FolderRefused;
        CannotCreate(shown);
    }
    const mode_t mode = existing ? (existing->st_mode & 07777) : NewFileMode();
    std::string name;  // set while a named temporary file exists
    int fd = ::openat(folder.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0 && errno != EACCES && errno != EPERM && errno != EROFS) {
        // No unnamed files on this file system: a named one, created exclusively.
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            name = TemporaryName();
            fd = ::openat(folder.get(), name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC,
                          mode);
            if (fd < 0 && errno != EEXIST) break;
        }
        if (fd < 0) name.clear();
    }
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM) return Replace::FolderRefused;
        CannotCreate(shown);
    }
    Descriptor file(fd);
    auto discard = [&] {
        if (!name.empty()) ::unlinkat(folder.get(), name.c_str(), 0);
    };
    ::fchmod(fd, mode);
    if (existing && ::geteuid() == 0) {
        if (::fchown(fd, existing->st_uid, existing->st_gid) != 0) {
            discard();
            CannotCreate(shown);
        }
    }
    const bool complete = WriteBytes(fd, bytes, writer) && ::fsync(fd) == 0;
    if (!complete) {
        discard();
        throw CamError(Message(msg::WriteError));
    }
    if (name.empty()) {
        for (int attempt = 0; attempt < 100 && name.empty(); ++attempt) {
            name = TemporaryName();
            if (!LinkUnnamed(fd, folder.get(), name)) {
                const bool taken = errno == EEXIST;
                name.clear();
                if (!taken) break;
            }
        }
        if (name.empty()) CannotCreate(shown);
    }
    if (!file.Close()) {
        discard();
        throw CamError(Message(msg::WriteError));
    }
    if (::renameat(folder.get(), name.c_str(), folder.get(), NameOf(target).c_str()) != 0) {
        discard();
        CannotCreate(shown);
    }
    // The new name must survive a power cut as well as the bytes.
    ::fsync(folder.get());
    return Replace::Done;
}

// The descriptor a name like /dev/stdout or /proc/self/fd/3 stands for, or -1. Writing
// through the descriptor itself shares its offset with the rest of the process's output,
// also where it was redirected to a regular file.
int DescriptorNamed(const std::string& path) {
    if (path == "/dev/stdout") return 1;
    if (path == "/dev/stderr") return 2;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::string p(prefix);
        if (path.size() > p.size() && path.compare(0, p.size(), p) == 0 &&
            path.find_first_not_of("0123456789", p.size()) == std::string::npos &&
            path.size() - p.size() < 6) {
            const int fd = std::stoi(path.substr(p.size()));
            return ::fcntl(fd, F_GETFD) == -1 ? -1 : fd;
        }
    }
    return -1;
}

void WriteInPlace(int fd, std::string_view bytes, const ByteWriter& writer) {
    const bool complete = ::ftruncate(fd, 0) == 0 && WriteBytes(fd, bytes, writer) &&
                          ::fsync(fd) == 0;
    if (!complete) throw CamError(Message(msg::WriteError));
}

}  // namespace

void SaveFile(const std::string& path, std::string_view bytes, const ByteWriter& writer) {
    if (path.empty()) CannotCreate(path);
    if (const int fd = DescriptorNamed(path); fd >= 0) {
        if (!WriteBytes(fd, bytes, writer)) throw CamError(Message(msg::WriteError));
        return;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        if (S_ISDIR(info.st_mode)) CannotCreate(path);
        // A device, FIFO or terminal is written into as it is; a FIFO without a reader is
        // refused at once instead of waiting for one.
        Descriptor target(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        if (target.get() < 0) CannotCreate(path);
        ::fcntl(target.get(), F_SETFL, ::fcntl(target.get(), F_GETFL) & ~O_NONBLOCK);
        if (!WriteBytes(target.get(), bytes, writer) || !target.Close()) {
            throw CamError(Message(msg::WriteError));
        }
        return;
    }
    const std::string target = ResolveLinks(path);
    if (::stat(target.c_str(), &info) != 0) {
        if (ReplaceThroughTemporary(target, path, bytes, writer, nullptr) != Replace::Done) {
            CannotCreate(path);
        }
        return;
    }
    // The user's right to write this very file decides: a read-only file is refused even
    // where the folder would allow replacing it.
    Descriptor existing(::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (existing.get() < 0) CannotCreate(path);
    // Every hard link must see the new content, so such a file is written in place, as
    // is one whose folder the user may not write.
    if (info.st_nlink > 1 ||
        ReplaceThroughTemporary(target, path, bytes, writer, &info) == Replace::FolderRefused) {
        WriteInPlace(existing.get(), bytes, writer);
        if (!existing.Close()) throw CamError(Message(msg::WriteError));
    }
}

std::string ReadWholeFile(const std::string& path, std::size_t limit) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer before the type is checked.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) throw CamError(FormatMessage(msg::CannotOpen, path));
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        throw CamError(FormatMessage(msg::CannotOpen, path));
    }
    std::string data;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw CamError(Message(msg::ReadError));
        }
        if (n == 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
        // Only the length matters beyond the limit: stop reading huge files early.
        if (data.size() > limit) break;
    }
    return data;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {}, second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace platecam
