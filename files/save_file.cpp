#include "files/save_file.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/acl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>

#include "base/errors.h"

namespace platecam {

namespace {

[[noreturn]] void CannotCreate(const std::string& path) {
    throw CamError(FormatMessage(msg::CannotCreate, path));
}

[[noreturn]] void WriteError() { throw CamError(Message(msg::WriteError)); }

[[noreturn]] void ReplacedMeanwhile(const std::string& path) {
    throw CamError(FormatMessage(msg::ReplacedMeanwhile, path));
}

// How often a save looks at its target again when other programs keep saving over it.
constexpr int SaveAttempts = 5;

// A message with several "%s", filled in order.
std::string FormatMessages(const char* id, std::initializer_list<std::string> arguments) {
    std::string text(Tr(id));
    std::size_t from = 0;
    for (const std::string& argument : arguments) {
        const auto at = text.find("%s", from);
        if (at == std::string::npos) break;
        text.replace(at, 2, argument);
        from = at + argument.size();
    }
    return text;
}

// ---- System calls: replaceable by tests, interrupted ones retried ----

SaveSystemCalls& Calls() {
    static SaveSystemCalls calls;
    return calls;
}

template <class Call>
int Retried(Call call) {
    int result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

int OpenAt(int folder, const char* name, int flags, mode_t mode = 0) {
    return Retried([&] {
        return Calls().openat ? Calls().openat(folder, name, flags, mode)
                              : ::openat(folder, name, flags, mode);
    });
}

int Fsync(int fd) {
    return Retried([&] { return Calls().fsync ? Calls().fsync(fd) : ::fsync(fd); });
}

int RenameAt(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
    return Retried([&] {
        return Calls().renameat ? Calls().renameat(fromFolder, from, toFolder, to, flags)
                                : ::renameat2(fromFolder, from, toFolder, to, flags);
    });
}

int LinkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    return Retried([&] {
        return Calls().linkat ? Calls().linkat(fromFolder, from, toFolder, to, flags)
                              : ::linkat(fromFolder, from, toFolder, to, flags);
    });
}

long WriteAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
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

bool PwriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Closes the descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int get() const { return fd_; }
    // A close that fails with EINTR has still closed the descriptor on Linux.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0 || errno == EINTR;
    }

private:
    int fd_;
};

// Two runs saving one file in place at once would mix their bytes: each holds the file's
// lock while it reads or writes it. Where the file system has no locks, it goes without.
class FileLock {
public:
    FileLock(int fd, int operation)
        : fd_(Retried([&] { return ::flock(fd, operation); }) == 0 ? fd : -1) {}
    ~FileLock() {
        if (fd_ >= 0) ::flock(fd_, LOCK_UN);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_;
};

std::string ProcPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Opens the file a descriptor (an O_PATH one) stands for anew, with other rights; the
// kernel checks them against that very inode.
int Reopen(int fd, int flags) { return OpenAt(AT_FDCWD, ProcPath(fd).c_str(), flags); }

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when `name` in the folder is (still) the file `expected`, not followed if a link.
bool NameIs(int folder, const char* name, const struct stat& expected) {
    struct stat info {};
    return ::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && SameInode(info, expected);
}

// The umask, read without changing it (umask(2) cannot read it without setting it, and a
// set-and-restore races with every thread creating files meanwhile). -1 when unknown.
int ReadUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            const unsigned long mask = std::strtoul(line.c_str() + 6, nullptr, 8);
            return mask <= 0777 ? static_cast<int>(mask) : -1;
        }
    }
    return -1;
}

int ProcessUmask() {
    static const int mask = ReadUmask();
    return mask;
}

// ---- Temporary names the signal handler may remove ----

// A slot is free (0), being filled (1) or holds the name of a temporary file this process
// created (2). The handler reads only armed slots: lock-free atomics and fixed buffers.
struct PendingName {
    std::atomic<int> state{0};
    int folder = -1;
    char name[24] = {};
};
static_assert(std::atomic<int>::is_always_lock_free);
PendingName pendingNames[64];

extern "C" void RemoveTemporaryFiles(int signal) {
    const int saved = errno;
    for (PendingName& pending : pendingNames) {
        if (pending.state.load() == 2) ::unlinkat(pending.folder, pending.name, 0);
    }
    errno = saved;
    // SA_RESETHAND restored the default action: it ends the program once we return.
    ::raise(signal);
}

// A short random name of fixed length, whatever the target's length.
void RandomName(char (&name)[24]) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[8] = {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
        static std::atomic<unsigned> counter{0};
        unsigned long long mix = (static_cast<unsigned long long>(::getpid()) << 32) ^
                                 counter.fetch_add(1) ^ reinterpret_cast<std::uintptr_t>(&mix);
        for (unsigned char& byte : random) byte = static_cast<unsigned char>(mix >>= 5);
    }
    std::memcpy(name, ".platecam-", 10);
    for (int i = 0; i < 8; ++i) name[10 + i] = letters[random[i] % (sizeof letters - 1)];
    name[18] = '\0';
}

// One temporary name in a folder: picked, armed once the file exists (the handler removes
// it from then on), disarmed when the name is gone.
class TemporaryName {
public:
    TemporaryName() = default;
    ~TemporaryName() { Release(); }
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;

    const char* Pick(int folder) {
        Release();
        for (PendingName& pending : pendingNames) {
            int free = 0;
            if (pending.state.compare_exchange_strong(free, 1)) {
                slot_ = &pending;
                break;
            }
        }
        RandomName(slot_ ? slot_->name : local_);  // without a slot: not removed on a signal
        if (slot_) slot_->folder = folder;
        return name();
    }
    void Arm() {
        armed_ = true;
        if (slot_) slot_->state.store(2);
    }
    void Release() {
        armed_ = false;
        if (slot_) slot_->state.store(0);
        slot_ = nullptr;
    }
    bool armed() const { return armed_; }
    const char* name() const { return slot_ ? slot_->name : local_; }

private:
    PendingName* slot_ = nullptr;
    char local_[24] = {};
    bool armed_ = false;
};

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

// The access ACL of `from` onto `to`; true where the file system has none.
bool CopyAcl(int from, int to) {
    acl_t acl = ::acl_get_fd(from);
    if (!acl) return errno == ENOTSUP || errno == ENOSYS;
    const bool copied = ::acl_set_fd(to, acl) == 0;
    ::acl_free(acl);
    return copied;
}

// The names of a file's extended attributes, NUL-separated; false when they cannot be read
// (a file system without them has none).
bool AttributeNames(int fd, std::string& names) {
    for (;;) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0) {
            names.clear();
            return errno == ENOTSUP;
        }
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::flistxattr(fd, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) return false;
    }
}

// Every extended attribute of a file, the ACLs included; nothing when one cannot be read.
std::optional<std::map<std::string, std::string>> AttributesOf(int fd) {
    std::string names;
    if (!AttributeNames(fd, names)) return std::nullopt;
    std::map<std::string, std::string> attributes;
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
        const char* name = names.c_str() + at;
        std::string& value = attributes[name];
        ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
        if (size >= 0) {
            value.resize(static_cast<std::size_t>(size));
            size = ::fgetxattr(fd, name, value.data(), value.size());
        }
        if (size < 0) return std::nullopt;
        value.resize(static_cast<std::size_t>(size));
    }
    return attributes;
}

// Every extended attribute but the ACLs (CopyAcl's); false when one cannot be read or set,
// so that the file is written in place and keeps them all.
bool CopyAttributes(int from, int to) {
    std::string names;
    if (!AttributeNames(from, names)) return false;
    std::string value;
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
        const char* name = names.c_str() + at;
        if (std::strncmp(name, "system.posix_acl_", 17) == 0) continue;
        ssize_t size = ::fgetxattr(from, name, nullptr, 0);
        if (size < 0) return false;
        value.resize(static_cast<std::size_t>(size));
        size = ::fgetxattr(from, name, value.data(), value.size());
        if (size < 0 || ::fsetxattr(to, name, value.data(), static_cast<std::size_t>(size), 0) != 0) {
            return false;
        }
    }
    return true;
}

// How an output reaches its target.
enum class Way {
    Stream,   // a descriptor of this process (/dev/stdout, /dev/fd/N)
    Device,   // a character device or FIFO
    Create,   // a new file through a temporary one
    Replace,  // an existing file through a temporary one
    InPlace,  // an existing file rewritten in place
};

}  // namespace

struct SaveBatch::Output {
    std::string path, bytes, option;
    Way way = Way::Create;
    int stream = -1;        // Stream: not ours to close
    Descriptor file;        // Device, Replace, InPlace: the target opened for writing
    bool readable = false;  // `file` opened for reading too
    struct stat info {};    // the target (or the stream)
    Descriptor folder;      // Create, Replace, InPlace: O_PATH of the folder of `name`
    std::string name;

    // Create, Replace: the temporary file.
    Descriptor temp;
    struct stat tempInfo {};
    bool unnamed = false;  // O_TMPFILE, not yet linked
    TemporaryName tempName;

    // InPlace: the old bytes, to restore on a failure.
    std::string old;
    bool haveOld = false;

    // Commit: what was done, to undo it.
    bool created = false, exchanged = false, renamed = false, written = false;
    bool placed = false;  // Create, Replace, InPlace: the new content is under the name

    ~Output() { Discard(); }

    // Removes the temporary file's name where it still has one.
    void Discard() {
        if (tempName.armed()) ::unlinkat(folder.get(), tempName.name(), 0);
        tempName.Release();
    }
    std::string Shown() const { return option.empty() ? path : option; }
};

namespace {

using Output = SaveBatch::Output;

// ---- Finding the target ----

void LocateNew(Output& o) {
    o.name = NameOf(o.path);
    if (o.name.empty() || o.name == "." || o.name == "..") CannotCreate(o.path);
    o.folder.reset(OpenAt(AT_FDCWD, DirectoryOf(o.path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (o.folder.get() < 0 || ::fstat(o.folder.get(), &o.info) != 0) CannotCreate(o.path);
    o.way = Way::Create;
}

// Opens the regular file `at` stands for (o.info) for writing, and for reading too where
// allowed: the user's right to write this very file decides, whatever the folder allows.
void OpenRegular(Output& o, int at) {
    // Root may write anything: a file nobody may write is refused for root as well.
    if (::geteuid() == 0 && (o.info.st_mode & 0222) == 0) {
        throw CamError(FormatMessage(msg::ReadOnlyFile, o.path));
    }
    o.file.reset(Reopen(at, O_RDWR | O_NOCTTY | O_CLOEXEC));
    o.readable = o.file.get() >= 0;
    if (!o.readable) o.file.reset(Reopen(at, O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (o.file.get() < 0) CannotCreate(o.path);
}

// Opens the name the user gave, so that the kernel follows links by its own rules
// (fs.protected_symlinks included), and learns from the descriptor what it found. False
// when the name no longer held that file a moment later (another save renamed its own
// over it): then it is looked up again.
bool Locate(Output& o) {
    if (o.path.empty()) CannotCreate(o.path);
    if (const int fd = DescriptorNamed(o.path); fd >= 0) {
        if (::fstat(fd, &o.info) != 0) CannotCreate(o.path);
        if (S_ISBLK(o.info.st_mode)) throw CamError(FormatMessage(msg::BlockDevice, o.path));
        o.way = Way::Stream;
        o.stream = fd;
        return true;
    }
    Descriptor at(OpenAt(AT_FDCWD, o.path.c_str(), O_PATH | O_CLOEXEC));
    if (at.get() < 0) {
        if (errno != ENOENT) CannotCreate(o.path);
        struct stat link {};
        if (::lstat(o.path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            throw CamError(FormatMessage(msg::DanglingLink, o.path));
        }
        LocateNew(o);
        return true;
    }
    if (::fstat(at.get(), &o.info) != 0) CannotCreate(o.path);
    const mode_t type = o.info.st_mode & S_IFMT;
    if (type == S_IFBLK) throw CamError(FormatMessage(msg::BlockDevice, o.path));
    if (type == S_IFCHR || type == S_IFIFO) {
        // Written into as it is; a FIFO without a reader is refused at once.
        o.file.reset(Reopen(at.get(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        if (o.file.get() < 0) CannotCreate(o.path);
        ::fcntl(o.file.get(), F_SETFL, ::fcntl(o.file.get(), F_GETFL) & ~O_NONBLOCK);
        o.way = Way::Device;
        return true;
    }
    if (type != S_IFREG) CannotCreate(o.path);
    OpenRegular(o, at.get());
    // The folder the file is in: the one named when the name itself is no link, else the
    // one the kernel reached (its answer through /proc, not a walk of our own).
    std::string where = o.path;
    struct stat named {};
    if (::lstat(o.path.c_str(), &named) != 0 || S_ISLNK(named.st_mode)) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(ProcPath(at.get()).c_str(), target, sizeof target);
        if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target || target[0] != '/') {
            CannotCreate(o.path);
        }
        where.assign(target, static_cast<std::size_t>(n));
    }
    o.name = NameOf(where);
    o.folder.reset(OpenAt(AT_FDCWD, DirectoryOf(where).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (o.folder.get() < 0) CannotCreate(o.path);
    if (!NameIs(o.folder.get(), o.name.c_str(), o.info)) return false;
    // Every hard link must see the new content.
    o.way = o.info.st_nlink > 1 ? Way::InPlace : Way::Replace;
    return true;
}

// What decides whether two outputs name one file: the file an existing one is (its
// inode), and the name it goes under (the folder's inode and the name in it). Either
// alone misses cases: a name found empty at the lookup and holding a file a moment later
// has no inode yet, and hard links have different names. Devices and FIFOs may take
// several outputs.
struct Identity {
    bool known = false;  // a file (inode)
    dev_t dev = 0;
    ino_t ino = 0;
    bool named = false;  // a name in a folder
    dev_t folderDev = 0;
    ino_t folderIno = 0;
    std::string name;
};

bool SameTarget(const Identity& a, const Identity& b) {
    return (a.known && b.known && a.dev == b.dev && a.ino == b.ino) ||
           (a.named && b.named && a.folderDev == b.folderDev && a.folderIno == b.folderIno &&
            a.name == b.name);
}

Identity IdentityOf(const Output& o) {
    Identity identity;
    if (o.way == Way::Device || (o.way == Way::Stream && !S_ISREG(o.info.st_mode))) return identity;
    if (o.way != Way::Create) {
        identity.known = true;
        identity.dev = o.info.st_dev;
        identity.ino = o.info.st_ino;
    }
    struct stat folder {};
    if (o.way != Way::Stream && ::fstat(o.folder.get(), &folder) == 0) {
        identity.named = true;
        identity.folderDev = folder.st_dev;
        identity.folderIno = folder.st_ino;
        identity.name = o.name;
    }
    return identity;
}

// Refuses two outputs naming one file. Checked again whenever a save's target changes
// (another program's file under the name): the new file may be another output's.
void RefuseSameTarget(const std::vector<std::unique_ptr<Output>>& outputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const Identity first = IdentityOf(*outputs[i]);
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            if (SameTarget(first, IdentityOf(*outputs[j]))) {
                throw CamError(FormatMessages(msg::SameOutput, {outputs[i]->Shown(), outputs[j]->Shown(),
                                                                 outputs[j]->path}));
            }
        }
    }
}

// ---- Preparing: nothing the user sees changes ----

// Creates the temporary file beside the target: unnamed where the file system allows, else
// under a short random name the signal handler removes. Returns false with errno set.
bool CreateTemporary(Output& o, mode_t mode) {
    int fd = OpenAt(o.folder.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0 && o.way == Way::Create) {
        // Kernels before 6.0 skip the umask for O_TMPFILE: where the result shows a bit the
        // umask removes (or the umask is unknown), a named file gets open(2)'s mode for sure.
        struct stat info {};
        const int mask = ProcessUmask();
        if (::fstat(fd, &info) != 0 || mask < 0 || (info.st_mode & static_cast<mode_t>(mask) & 0777)) {
            ::close(fd);
            fd = -1;
            errno = EOPNOTSUPP;
        }
    }
    if (fd >= 0) {
        o.unnamed = true;
    } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const char* name = o.tempName.Pick(o.folder.get());
            fd = OpenAt(o.folder.get(), name, O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, mode);
            if (fd >= 0) {
                o.tempName.Arm();
                break;
            }
            const int error = errno;
            o.tempName.Release();
            errno = error;
            if (error != EEXIST) break;
        }
    }
    if (fd < 0) return false;
    o.temp.reset(fd);
    return ::fstat(fd, &o.tempInfo) == 0;
}

void DropTemporary(Output& o) {
    o.Discard();
    o.temp.reset(-1);
    o.unnamed = false;
}

// The old file's owner, group, mode, ACL and attributes on the new one; false where the
// new file cannot have them all.
bool KeepAttributes(Output& o) {
    const int temp = o.temp.get();
    const struct stat& old = o.info;
    if ((o.tempInfo.st_uid != old.st_uid || o.tempInfo.st_gid != old.st_gid) &&
        ::fchown(temp, old.st_uid, old.st_gid) != 0) {
        return false;
    }
    struct stat now {};
    return ::fchmod(temp, old.st_mode & 07777) == 0 && CopyAcl(o.file.get(), temp) &&
           CopyAttributes(o.file.get(), temp) && ::fstat(temp, &now) == 0 &&
           (now.st_mode & 07777) == (old.st_mode & 07777);
}

// Space for the new bytes before any old byte is overwritten, and the old bytes to put
// back if the write fails all the same.
void PrepareInPlace(Output& o) {
    if (!o.bytes.empty()) {
        const int reserved = Retried([&] {
            return ::fallocate(o.file.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(o.bytes.size()));
        });
        // Without fallocate on this file system the copy below still restores the file.
        if (reserved != 0 && errno != EOPNOTSUPP && errno != ENOSYS && errno != EINVAL) WriteError();
    }
    o.old.clear();
    o.haveOld = false;
    if (!o.readable) return;
    FileLock lock(o.file.get(), LOCK_SH);
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(o.file.get(), buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return;
        if (n == 0) break;
        o.old.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
    o.haveOld = true;
}

void Prepare(Output& o, const ByteWriter& writer) {
    if (o.way == Way::Replace) {
        // Created private; the old file's mode follows with its owner.
        if (!CreateTemporary(o, 0600)) {
            if (errno != EACCES && errno != EPERM) CannotCreate(o.path);
            o.way = Way::InPlace;  // a folder the user may not write
        } else if (!KeepAttributes(o)) {
            DropTemporary(o);
            o.way = Way::InPlace;  // another user's file, or attributes a new file cannot have
        }
    } else if (o.way == Way::Create) {
        // The mode open(2) uses: the kernel applies the umask or the folder's default ACL.
        if (!CreateTemporary(o, 0666)) CannotCreate(o.path);
    }
    if (o.way == Way::InPlace) {
        PrepareInPlace(o);
    } else if (o.temp.get() >= 0) {
        if (!WriteBytes(o.temp.get(), o.bytes, writer) || Fsync(o.temp.get()) != 0) WriteError();
    }
}

// ---- Replacing ----

void RestoreInPlace(Output& o) {
    if (!o.haveOld) return;
    if (PwriteAll(o.file.get(), o.old) &&
        Retried([&] { return ::ftruncate(o.file.get(), static_cast<off_t>(o.old.size())); }) == 0) {
        Fsync(o.file.get());
    }
}

// False when the name no longer holds the file opened: its new file takes the bytes then.
bool WriteInPlace(Output& o, const ByteWriter& writer) {
    const int fd = o.file.get();
    FileLock lock(fd, LOCK_EX);
    if (!NameIs(o.folder.get(), o.name.c_str(), o.info)) return false;
    const bool complete =
        ::lseek(fd, 0, SEEK_SET) == 0 && WriteBytes(fd, o.bytes, writer) &&
        Retried([&] { return ::ftruncate(fd, static_cast<off_t>(o.bytes.size())); }) == 0 &&
        Fsync(fd) == 0;
    if (!complete) {
        RestoreInPlace(o);
        WriteError();
    }
    o.written = true;
    return true;
}

// Gives the unnamed file a name in the folder: through /proc, or directly where the
// process may (root).
bool LinkUnnamed(int fd, int folder, const char* name) {
    if (LinkAt(AT_FDCWD, ProcPath(fd).c_str(), folder, name, AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno == EEXIST) return false;
    return LinkAt(fd, "", folder, name, AT_EMPTY_PATH) == 0;
}

void NameTemporary(Output& o) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const char* name = o.tempName.Pick(o.folder.get());
        if (LinkUnnamed(o.temp.get(), o.folder.get(), name)) {
            o.tempName.Arm();
            o.unnamed = false;
            return;
        }
        const int error = errno;
        o.tempName.Release();
        if (error != EEXIST) break;
    }
    CannotCreate(o.path);
}

// A new file; false when another program put a file under the name meanwhile: the save
// then replaces that one, as it would have had it been there from the start.
bool Create(Output& o) {
    const int folder = o.folder.get();
    const char* target = o.name.c_str();
    if (o.unnamed) {
        if (!LinkUnnamed(o.temp.get(), folder, target)) {
            if (errno == EEXIST) return false;
            CannotCreate(o.path);
        }
        o.unnamed = false;
    } else {
        int renamed = RenameAt(folder, o.tempName.name(), folder, target, RENAME_NOREPLACE);
        if (renamed != 0 && errno == EINVAL) {
            renamed = RenameAt(folder, o.tempName.name(), folder, target, 0);
        }
        if (renamed != 0) {
            if (errno == EEXIST) return false;
            CannotCreate(o.path);
        }
        o.tempName.Release();
    }
    o.created = true;
    return true;
}

// True when the temporary file already has what the file `fd` (`info`) has: owner, group,
// mode, ACL and extended attributes.
bool TemporaryHasAttributesOf(const Output& o, int fd, const struct stat& info) {
    struct stat temp {};
    if (o.temp.get() < 0 || ::fstat(o.temp.get(), &temp) != 0) return false;
    if (temp.st_uid != info.st_uid || temp.st_gid != info.st_gid ||
        (temp.st_mode & 07777) != (info.st_mode & 07777)) {
        return false;
    }
    const auto wanted = AttributesOf(fd);
    return wanted && wanted == AttributesOf(o.temp.get());
}

// The file the exchange took from under the name is not the one opened: another save put
// its own there meanwhile. The exchange stands where that file is one this save would
// have replaced just so: a regular file without other links, that the user may write,
// whose owner, group, mode, ACL and attributes the new file has already.
bool TookAnotherSavesFile(const Output& o) {
    Descriptor at(OpenAt(o.folder.get(), o.tempName.name(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (at.get() < 0 || ::fstat(at.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_nlink != 1 || (::geteuid() == 0 && (info.st_mode & 0222) == 0)) {
        return false;
    }
    Descriptor file(Reopen(at.get(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    return file.get() >= 0 && TemporaryHasAttributesOf(o, file.get(), info);
}

// Replaces the file opened by the temporary one; false when the name holds another file.
bool Exchange(Output& o, const ByteWriter& writer) {
    const int folder = o.folder.get();
    const char* target = o.name.c_str();
    if (o.unnamed) NameTemporary(o);
    const char* temp = o.tempName.name();
    // Exchanged, the old file stays under the temporary name until the batch is done (to
    // be put back if a later output fails), and shows whether it was still the file opened.
    // Anything else put there (a link, a folder, a file the new one cannot stand in for)
    // goes back at once.
    if (RenameAt(folder, temp, folder, target, RENAME_EXCHANGE) == 0) {
        o.exchanged = true;
        if (NameIs(folder, temp, o.info) || TookAnotherSavesFile(o)) return true;
        if (RenameAt(folder, temp, folder, target, RENAME_EXCHANGE) != 0) ReplacedMeanwhile(o.path);
        o.exchanged = false;
        return false;
    }
    if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
        if (!NameIs(folder, target, o.info)) return false;
        if (RenameAt(folder, temp, folder, target, 0) == 0) {
            o.tempName.Release();
            o.renamed = true;
            return true;
        }
    }
    // A rename the folder does not allow after all (a sticky folder, a mount point):
    // the file is written in place.
    if (errno == EPERM || errno == EACCES || errno == EBUSY || errno == EXDEV) {
        DropTemporary(o);
        o.way = Way::InPlace;
        PrepareInPlace(o);
        return WriteInPlace(o, writer);
    }
    CannotCreate(o.path);
}

// The name no longer holds the file opened: another program saved its own complete file
// under it meanwhile (or created it, or removed it). The save then goes to what the name
// holds now, as it would have had it found it at the start, but only to a regular file:
// a link or anything else put there is neither followed nor replaced.
void Retarget(Output& o, const ByteWriter& writer) {
    Descriptor at(OpenAt(o.folder.get(), o.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (at.get() < 0 && errno == ENOENT) {
        DropTemporary(o);
        o.file.reset(-1);
        if (::fstat(o.folder.get(), &o.info) != 0) CannotCreate(o.path);
        o.way = Way::Create;
        Prepare(o, writer);
        return;
    }
    if (at.get() < 0) CannotCreate(o.path);
    if (::fstat(at.get(), &o.info) != 0 || !S_ISREG(o.info.st_mode)) ReplacedMeanwhile(o.path);
    OpenRegular(o, at.get());
    if (o.info.st_nlink > 1) {
        DropTemporary(o);
        o.way = Way::InPlace;
        PrepareInPlace(o);
        return;
    }
    const bool keep = TemporaryHasAttributesOf(o, o.file.get(), o.info);
    o.way = Way::Replace;
    if (!keep) {
        DropTemporary(o);
        Prepare(o, writer);
    }
}

// Puts a prepared file in place; where other programs keep saving over its name, says so.
void Place(Output& o, const ByteWriter& writer, const std::vector<std::unique_ptr<Output>>& outputs) {
    for (int attempt = 1;; ++attempt) {
        const bool placed = o.way == Way::InPlace ? WriteInPlace(o, writer)
                            : o.way == Way::Create ? Create(o)
                                                   : Exchange(o, writer);
        if (placed) break;
        if (attempt == SaveAttempts) ReplacedMeanwhile(o.path);
        Retarget(o, writer);
        RefuseSameTarget(outputs);
    }
    o.placed = true;
}

void Undo(Output& o) {
    const int folder = o.folder.get();
    if (o.exchanged) {
        // The new file goes with the temporary name; where the old one cannot come back,
        // it stays under that name rather than being removed.
        if (RenameAt(folder, o.tempName.name(), folder, o.name.c_str(), RENAME_EXCHANGE) == 0) {
            o.exchanged = false;
        } else {
            o.tempName.Release();
        }
    } else if (o.created && NameIs(folder, o.name.c_str(), o.tempInfo)) {
        ::unlinkat(folder, o.name.c_str(), 0);
    } else if (o.written) {
        FileLock lock(o.file.get(), LOCK_EX);
        RestoreInPlace(o);
    }
}

// The new names must survive a power cut as well as the bytes. A folder the user may not
// read (mode 0733) cannot be opened to sync: the whole file system is synced instead.
bool SyncFolder(Output& o) {
    Descriptor folder(Reopen(o.folder.get(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) return Fsync(folder.get()) == 0;
    return errno == EACCES && Retried([&] { return ::syncfs(o.temp.get()); }) == 0;
}

}  // namespace

SaveBatch::SaveBatch(ByteWriter writer) : writer_(std::move(writer)) {}

SaveBatch::~SaveBatch() = default;

void SaveBatch::Add(std::string path, std::string bytes, std::string option) {
    auto output = std::make_unique<Output>();
    output->path = std::move(path);
    output->bytes = std::move(bytes);
    output->option = std::move(option);
    outputs_.push_back(std::move(output));
}

void SaveBatch::Commit() {
    // Memory that runs out mid-way is undone like every other failure.
    try {
        Replace();
    } catch (...) {
        for (auto& o : outputs_) DropTemporary(*o);
        throw;
    }
}

void SaveBatch::Replace() {
    for (auto& o : outputs_) {
        for (int attempt = 1; !Locate(*o); ++attempt) {
            if (attempt == SaveAttempts) ReplacedMeanwhile(o->path);
        }
    }
    RefuseSameTarget(outputs_);
    for (auto& o : outputs_) Prepare(*o, writer_);

    // Everything is ready: what cannot be taken back first, renames last.
    try {
        for (auto& o : outputs_) {
            if (o->way == Way::Stream || o->way == Way::Device) {
                const int fd = o->way == Way::Stream ? o->stream : o->file.get();
                if (!WriteBytes(fd, o->bytes, writer_) || !(o->way == Way::Stream || o->file.Close())) {
                    WriteError();
                }
            }
        }
        for (auto& o : outputs_) {
            if (o->way == Way::InPlace) Place(*o, writer_, outputs_);
        }
        for (auto& o : outputs_) {
            if ((o->way == Way::Create || o->way == Way::Replace) && !o->placed) Place(*o, writer_, outputs_);
        }
    } catch (...) {
        for (auto o = outputs_.rbegin(); o != outputs_.rend(); ++o) Undo(**o);
        throw;
    }
    // Done: the old files under temporary names go, then every folder is synced. A sync
    // the system refuses is a failed save: the new names may not survive a power cut.
    bool durable = true;
    for (auto& o : outputs_) {
        if (o->exchanged) o->Discard();
        if (o->created || o->exchanged || o->renamed) durable = SyncFolder(*o) && durable;
        durable = o->temp.Close() && durable;
    }
    if (!durable) WriteError();
}

void SaveFile(const std::string& path, std::string_view bytes, const ByteWriter& writer) {
    SaveBatch batch(writer);
    batch.Add(path, std::string(bytes));
    batch.Commit();
}

void InstallSaveSignalHandling() {
    ProcessUmask();
    ::signal(SIGPIPE, SIG_IGN);
    struct sigaction action {};
    action.sa_handler = RemoveTemporaryFiles;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, signal);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        ::sigaction(signal, &action, nullptr);
    }
}

void ReplaceSaveSystemCalls(SaveSystemCalls calls) { Calls() = std::move(calls); }

namespace {

// `error` is open's errno; `opened` the type of what it opened instead of a regular file.
[[noreturn]] void CannotOpen(const std::string& path, int error, const struct stat* opened) {
    std::string detailed;
    struct stat info {};
    if (opened) {
        detailed = Tr(S_ISDIR(opened->st_mode) ? msg::IsFolder : msg::NotRegularFile, {path});
    } else if (error == ENOENT) {
        const bool link = ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
        detailed = Tr(link ? msg::LinkToNothing : msg::NoSuchFile, {path});
    } else if (error == EACCES) {
        // The file is there to see but not to read, or its folder may not be searched.
        const bool seen = ::stat(path.c_str(), &info) == 0;
        detailed = Tr(seen ? msg::NoReadPermission : msg::NoFolderPermission, {path});
    } else if (error == EISDIR) {
        detailed = Tr(msg::IsFolder, {path});
    } else if (error == ENXIO) {  // a socket
        detailed = Tr(msg::NotRegularFile, {path});
    } else {
        detailed = Tr(msg::OpenFailed, {path, SystemErrorText(error)});
    }
    throw CannotOpenError(FormatMessage(msg::CannotOpen, path), detailed);
}

}  // namespace

std::string ReadWholeFile(const std::string& path, std::size_t limit) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer before the type is checked.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) CannotOpen(path, errno, nullptr);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) CannotOpen(path, errno, nullptr);
    if (!S_ISREG(info.st_mode)) CannotOpen(path, 0, &info);
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
