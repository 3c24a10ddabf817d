#include "files/save_file.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <sys/acl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <barrier>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "tests/files/temp_dir.h"
#include "tests/model/design_fixtures.h"

namespace platecam {
namespace {

namespace fs = std::filesystem;
using testing::MessageOf;
using testing::TempDir;

constexpr uid_t Nobody = 65534;
constexpr gid_t NoGroup = 65534;

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const std::string& path, const std::string& bytes, mode_t mode) {
    std::ofstream(path, std::ios::binary) << bytes;
    ::chmod(path.c_str(), mode);
}

ino_t Inode(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_ino;
}

struct ChildResult {
    std::string text;  // what the action returned
    int status = 0;    // as waitpid gives it
};

// Runs the action in a forked child (as `nobody` when asked, as
// `setpriv --reuid=nobody --regid=nogroup --clear-groups` would run it), while the parent
// does `meanwhile`.
ChildResult InChild(const std::function<std::string()>& action, bool asNobody,
                    const std::function<void()>& meanwhile = {}) {
    int link[2];
    if (::pipe(link) != 0) return {"(no pipe)", 0};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(link[0]);
        std::string result = "(could not become nobody)";
        if (!asNobody || (::setgroups(0, nullptr) == 0 && ::setresgid(NoGroup, NoGroup, NoGroup) == 0 &&
                          ::setresuid(Nobody, Nobody, Nobody) == 0)) {
            result = action();
        }
        if (::write(link[1], result.data(), result.size()) < 0) ::_exit(1);
        ::_exit(0);
    }
    ::close(link[1]);
    if (meanwhile) meanwhile();
    ChildResult result;
    char buffer[512];
    for (ssize_t n; (n = ::read(link[0], buffer, sizeof buffer)) > 0;) result.text.append(buffer, n);
    ::close(link[0]);
    ::waitpid(child, &result.status, 0);
    return result;
}

// Permission bits do not bind root, so the action runs as `nobody`. Returns the action's
// message, or a note when the switch itself failed.
std::string AsOrdinaryUser(const std::function<std::string()>& action) {
    if (::geteuid() != 0) return action();
    return InChild(action, true).text;
}

// A folder an ordinary user can reach, with the given owner and mode.
std::string Folder(const TempDir& dir, const std::string& name, mode_t mode, bool ownedByUser) {
    ::chmod(dir.path("").c_str(), 0755);
    const std::string path = dir.path(name);
    fs::create_directory(path);
    if (ownedByUser && ::geteuid() == 0 && ::chown(path.c_str(), Nobody, NoGroup) != 0) return "";
    ::chmod(path.c_str(), mode);
    return path;
}

void OwnByUser(const std::string& path) {
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), Nobody, NoGroup), 0);
    }
}

std::string CannotCreate(const std::string& path) { return "ファイル " + path + " を作成できません"; }
const std::string WriteError = "ストリームへの書き込みエラー";

std::string AclText(const std::string& path) {
    acl_t acl = ::acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
    if (!acl) return "(no ACL)";
    char* text = ::acl_to_any_text(acl, nullptr, ',', 0);
    std::string result = text ? text : "(none)";
    ::acl_free(text);
    ::acl_free(acl);
    return result;
}

std::string Attribute(const std::string& path, const char* name) {
    char value[64];
    const ssize_t n = ::getxattr(path.c_str(), name, value, sizeof value);
    return n < 0 ? "(none)" : std::string(value, static_cast<std::size_t>(n));
}

// Why ACLs and user attributes cannot be tested in this folder, or "".
std::string NoAclOrAttributes(const TempDir& dir) {
    const std::string probe = dir.path("probe");
    Put(probe, "", 0644);
    acl_t acl = ::acl_from_text("u::rw,u:1:r,g::r,m::rw,o::r");
    const bool acls = ::acl_set_file(probe.c_str(), ACL_TYPE_ACCESS, acl) == 0;
    ::acl_free(acl);
    const bool attributes = ::setxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0;
    fs::remove(probe);
    if (!acls) return "the file system of " + dir.path("") + " has no POSIX ACLs";
    if (!attributes) return "the file system of " + dir.path("") + " has no user attributes";
    return "";
}

struct Calls {  // replaces the save's system calls for one scope
    explicit Calls(SaveSystemCalls calls) { ReplaceSaveSystemCalls(std::move(calls)); }
    ~Calls() { ReplaceSaveSystemCalls({}); }
};

bool IsFolder(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
}

TEST(SaveFile, ReadOnlyFileIsRefusedAndKeptForEveryone) {
    for (const bool root : {true, false}) {
        if (root && ::geteuid() != 0) continue;
        TempDir dir;
        const std::string folder = Folder(dir, "rw", 0755, true);
        const std::string path = folder + "/cam1.dat";
        Put(path, "old", 0444);
        OwnByUser(path);
        auto save = [&] { return MessageOf([&] { SaveFile(path, "new"); }); };
        EXPECT_EQ(root ? save() : AsOrdinaryUser(save),
                  root ? "ファイル " + path + " は読み取り専用です（root を含め、だれにも書き込みが許されていません）。置き換えません"
                       : CannotCreate(path));
        EXPECT_EQ(Bytes(path), "old");
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0444));
    }
}

TEST(SaveFile, WritableFileInAFolderTheUserMayNotWriteIsWrittenInPlace) {
    TempDir dir;
    const std::string folder = Folder(dir, "ro", 0777, false);
    const std::string path = folder + "/cam1.dat";
    Put(path, "a much longer old content", 0666);
    ::chmod(folder.c_str(), 0555);
    const ino_t before = Inode(path);
    EXPECT_EQ(AsOrdinaryUser([&] { return MessageOf([&] { SaveFile(path, "new"); }); }),
              "(no error)");
    EXPECT_EQ(Bytes(path), "new") << "truncated to the new length";
    EXPECT_EQ(Inode(path), before);
}

TEST(SaveFile, LinkIsOpenedByTheKernelAndStaysALink) {
    TempDir dir;
    fs::create_directory(dir.path("real"));
    Put(dir.path("real/cam1.dat"), "old", 0640);
    const ino_t before = Inode(dir.path("real/cam1.dat"));
    fs::create_symlink("real/cam1.dat", dir.path("link.dat"));
    fs::create_symlink("real/new.dat", dir.path("dangling.dat"));
    SaveFile(dir.path("link.dat"), "new");
    EXPECT_EQ(MessageOf([&] { SaveFile(dir.path("dangling.dat"), "fresh"); }),
              "リンク先のないシンボリックリンク " + dir.path("dangling.dat") + " を通しては書き込みません");
    EXPECT_TRUE(fs::is_symlink(dir.path("link.dat")));
    EXPECT_EQ(Bytes(dir.path("real/cam1.dat")), "new");
    EXPECT_NE(Inode(dir.path("real/cam1.dat")), before) << "replaced through a file beside it";
    EXPECT_FALSE(fs::exists(dir.path("real/new.dat")));
    EXPECT_EQ(fs::status(dir.path("real/cam1.dat")).permissions() & fs::perms::all,
              fs::perms(0640));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"dangling.dat", "link.dat", "real"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path("real")), {}), 1);
}

// With fs.protected_symlinks the kernel refuses to follow a link another user planted in
// a sticky world-writable folder; a save that resolved links by hand would write behind it.
TEST(SaveFile, LinkPlantedInAStickyFolderIsRefusedByTheKernel) {
    if (::geteuid() != 0) GTEST_SKIP() << "planting a link as another user needs root";
    if (Bytes("/proc/sys/fs/protected_symlinks") != "1\n") {
        GTEST_SKIP() << "fs.protected_symlinks is 0 on this machine: the kernel follows every link";
    }
    TempDir dir;
    const std::string sticky = Folder(dir, "shared", 01777, false);
    Put(dir.path("secret.dat"), "root's", 0644);
    const std::string link = sticky + "/cam.dxf";
    fs::create_symlink(dir.path("secret.dat"), link);
    ASSERT_EQ(::lchown(link.c_str(), Nobody, NoGroup), 0);
    EXPECT_EQ(MessageOf([&] { SaveFile(link, "planted"); }), CannotCreate(link));
    EXPECT_EQ(Bytes(dir.path("secret.dat")), "root's");
    EXPECT_TRUE(fs::is_symlink(link));
}

TEST(SaveFile, EveryHardLinkSeesTheNewContent) {
    TempDir dir;
    Put(dir.path("a.dat"), "old", 0644);
    fs::create_hard_link(dir.path("a.dat"), dir.path("b.dat"));
    SaveFile(dir.path("a.dat"), "new");
    EXPECT_EQ(Bytes(dir.path("b.dat")), "new");
    EXPECT_EQ(Inode(dir.path("a.dat")), Inode(dir.path("b.dat")));
}

// What a replaced file keeps, and that a file a new one could not keep it for is written
// in place (vim's backupcopy=auto). The group entry (r) differs from the mask (rw), so the
// group bits alone would not restore it.
TEST(SaveFile, KeepsOwnerGroupModeAclAndAttributes) {
    TempDir probe;
    if (const std::string why = NoAclOrAttributes(probe); !why.empty()) GTEST_SKIP() << why;
    if (::geteuid() != 0) GTEST_SKIP() << "files of two users need root to set up";
    const struct {
        const char* what;
        bool asNobody;
        uid_t owner;
        bool inPlace;
    } cases[] = {
        {"root saves nobody's file", false, Nobody, false},
        {"nobody saves root's shared file", true, 0, true},
        {"nobody saves its own file", true, Nobody, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = Folder(dir, "shared", 0777, false) + "/cam.dxf";
        Put(path, "old", 0666);
        acl_t acl = ::acl_from_text("u::rw,u:daemon:r,g::r,m::rw,o::rw");
        ASSERT_EQ(::acl_set_file(path.c_str(), ACL_TYPE_ACCESS, acl), 0);
        ::acl_free(acl);
        ASSERT_EQ(::setxattr(path.c_str(), "user.origin", "cam", 3, 0), 0);
        ASSERT_EQ(::chown(path.c_str(), c.owner, c.owner == 0 ? 0 : NoGroup), 0);
        struct stat before {}, after {};
        ASSERT_EQ(::stat(path.c_str(), &before), 0);
        const std::string acl_before = AclText(path);
        auto save = [&] { return MessageOf([&] { SaveFile(path, "new"); }); };
        EXPECT_EQ(c.asNobody ? AsOrdinaryUser(save) : save(), "(no error)");
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
        EXPECT_EQ(Bytes(path), "new");
        EXPECT_EQ(after.st_ino == before.st_ino, c.inPlace);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(AclText(path), acl_before);
        EXPECT_EQ(Attribute(path, "user.origin"), "cam");
        EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(path).parent_path()), {}), 1);
    }
}

// A new file gets the mode and ACL entries open(2) gives a file made beside it: the umask,
// or the folder's default ACL and its mask.
TEST(SaveFile, NewFileGetsWhatOpenWouldGiveIt) {
    TempDir dir;
    const bool acls = NoAclOrAttributes(dir).empty();
    const mode_t umask = ::umask(027);
    for (const char* defaults : {"", "u::rw,u:daemon:rw,g::r,m::rw,o::-"}) {
        if (*defaults && !acls) continue;
        const std::string folder = dir.path(*defaults ? "inherits" : "plain");
        fs::create_directory(folder);
        if (*defaults) {
            acl_t acl = ::acl_from_text(defaults);
            ASSERT_EQ(::acl_set_file(folder.c_str(), ACL_TYPE_DEFAULT, acl), 0);
            ::acl_free(acl);
        }
        ::close(::open((folder + "/reference").c_str(), O_CREAT | O_WRONLY, 0666));
        SaveFile(folder + "/saved", "x");
        EXPECT_EQ(fs::status(folder + "/saved").permissions(), fs::status(folder + "/reference").permissions());
        EXPECT_EQ(AclText(folder + "/saved"), AclText(folder + "/reference")) << defaults;
    }
    ::umask(umask);
}

// Reading the umask by setting it races with every thread that creates a file meanwhile:
// a child that dies on the umask system call saves a new and an existing file.
TEST(SaveFile, NeverChangesTheUmask) {
    TempDir dir;
    Put(dir.path("old.dxf"), "old", 0644);
    const ChildResult child = InChild([&] {
        sock_filter filter[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_umask, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
            return std::string("(no seccomp)");
        }
        return MessageOf([&] { SaveFile(dir.path("new.dxf"), "x"); }) +
               MessageOf([&] { SaveFile(dir.path("old.dxf"), "y"); });
    }, false);
    EXPECT_TRUE(WIFEXITED(child.status)) << "killed by signal " << WTERMSIG(child.status);
    EXPECT_EQ(child.text, "(no error)(no error)");
}

// As `nobody`: another user's writable file in a sticky folder (rename refused there) is
// written in place; a folder that may be written and searched but not listed takes a new
// file and then replaces it.
TEST(SaveFile, OrdinaryUserSavesInStickyAndUnlistableFolders) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to set up files of another user";
    TempDir dir;
    const std::string sticky = Folder(dir, "tmp", 01777, false) + "/shared.dxf";
    Put(sticky, "root's old drawing", 0666);
    const ino_t before = Inode(sticky);
    EXPECT_EQ(AsOrdinaryUser([&] { return MessageOf([&] { SaveFile(sticky, "new"); }); }), "(no error)");
    EXPECT_EQ(Bytes(sticky), "new");
    EXPECT_EQ(Inode(sticky), before);
    EXPECT_EQ(fs::status(sticky).permissions() & fs::perms::all, fs::perms(0666));

    const std::string unlisted = Folder(dir, "drop", 0733, false) + "/cam.dxf";
    EXPECT_EQ(AsOrdinaryUser([&] {
                  std::string messages = MessageOf([&] { SaveFile(unlisted, "first"); });
                  return messages + MessageOf([&] { SaveFile(unlisted, "second"); });
              }),
              "(no error)(no error)");
    EXPECT_EQ(Bytes(unlisted), "second");
    struct stat info {};
    ASSERT_EQ(::stat(unlisted.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, Nobody);
}

// On a full file system (a 64 KiB tmpfs) neither a replaced nor a hard-linked file loses
// its old content; a shorter content still goes in place, in the space the file has.
TEST(SaveFile, FullDiskKeepsTheOldContent) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    TempDir dir;
    const std::string disk = dir.path("disk");
    fs::create_directory(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};
    const std::string old(8192, 'o');
    Put(disk + "/plain.dxf", old, 0644);
    Put(disk + "/linked.dxf", old, 0644);
    fs::create_hard_link(disk + "/linked.dxf", disk + "/twin.dxf");
    {
        std::ofstream filler(disk + "/filler", std::ios::binary);
        const std::string block(1024, 'f');
        while (filler.write(block.data(), block.size()) && filler.flush()) {
        }
    }
    for (const char* name : {"plain.dxf", "linked.dxf"}) {
        EXPECT_EQ(MessageOf([&] { SaveFile(disk + "/" + name, std::string(16384, 'n')); }), WriteError)
            << name;
        EXPECT_TRUE(Bytes(disk + "/" + name) == old) << name << " lost its old content";
    }
    EXPECT_EQ(MessageOf([&] { SaveFile(disk + "/linked.dxf", "short"); }), "(no error)");
    EXPECT_EQ(Bytes(disk + "/twin.dxf"), "short");
    EXPECT_EQ(std::distance(fs::directory_iterator(disk), {}), 4) << "no temporary file left";
}

// Failures and interruptions a file system gives only now and then, injected into the
// system calls, for a new, a replaced and a hard-linked (in place) file.
TEST(SaveFile, SyncFailuresAndInterruptions) {
    int calls = 0;  // the injected failure strikes once per kind of call
    auto once = [&calls](int bit) { return (calls & bit) == 0 && (calls |= bit); };
    const struct {
        const char* what;
        std::function<SaveSystemCalls()> inject;
        std::string outcome[3];  // the message for new.dxf, old.dxf, linked.dxf
    } cases[] = {
        {"EIO from the folder's fsync",
         [] {
             return SaveSystemCalls{.fsync = [](int fd) {
                 return IsFolder(fd) ? (errno = EIO, -1) : ::fsync(fd);
             }};
         },
         {WriteError, WriteError, "(no error)"}},
        {"EINTR from every call once",
         [&] {
             calls = 0;
             return SaveSystemCalls{
                 .openat = [&](int d, const char* n, int f, mode_t m) {
                     return once(1) ? (errno = EINTR, -1) : ::openat(d, n, f, m);
                 },
                 .fsync = [&](int fd) { return once(2) ? (errno = EINTR, -1) : ::fsync(fd); },
                 .renameat = [&](int a, const char* b, int c, const char* d, unsigned f) {
                     return once(4) ? (errno = EINTR, -1) : ::renameat2(a, b, c, d, f);
                 },
                 .linkat = [&](int a, const char* b, int c, const char* d, int f) {
                     return once(8) ? (errno = EINTR, -1) : ::linkat(a, b, c, d, f);
                 }};
         },
         {"(no error)", "(no error)", "(no error)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        Put(dir.path("old.dxf"), "old", 0644);
        Put(dir.path("linked.dxf"), "old", 0644);
        fs::create_hard_link(dir.path("linked.dxf"), dir.path("twin.dxf"));
        const char* names[] = {"new.dxf", "old.dxf", "linked.dxf"};
        for (int k = 0; k < 3; ++k) {
            const std::string path = dir.path(names[k]);
            {
                Calls injected(c.inject());
                EXPECT_EQ(MessageOf([&] { SaveFile(path, "new"); }), c.outcome[k]) << names[k];
            }
            EXPECT_EQ(Bytes(path), "new") << names[k];
        }
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"linked.dxf", "new.dxf", "old.dxf", "twin.dxf"}));
    }
}

// Runs saving one file at once, many times: none fails, none leaves a temporary file, and
// after each round the file holds one save's whole content, whether it was new, replaced
// or written in place (the lengths differ, so that a mixture shows).
TEST(SaveFile, RunsSavingOneFileAtOnceAllSucceedAndOneWholeContentWins) {
    TempDir dir;
    Put(dir.path("old.dxf"), "old", 0644);
    Put(dir.path("linked.dxf"), "old", 0644);
    fs::create_hard_link(dir.path("linked.dxf"), dir.path("twin.dxf"));
    constexpr int Runs = 4, Rounds = 30;
    std::vector<std::string> names, contents, failures(Runs + 1);
    for (int round = 0; round < Rounds; ++round) {
        names.insert(names.end(), {"linked.dxf", "old.dxf", "new" + std::to_string(round)});
    }
    for (int k = 0; k < Runs; ++k) contents.push_back(std::string(5000 * (Runs - k), 'a' + k));
    std::size_t saved = 0;  // the runs start each save together, and wait for the others
    std::barrier next(Runs, [&]() noexcept {
        if (std::find(contents.begin(), contents.end(), Bytes(dir.path(names[saved]))) == contents.end()) {
            failures[Runs] += names[saved] + " is a mixture\n";
        }
        ++saved;
    });
    std::vector<std::thread> runs;
    for (int k = 0; k < Runs; ++k) {
        runs.emplace_back([&, k] {
            for (const std::string& name : names) {
                const std::string message = MessageOf([&] { SaveFile(dir.path(name), contents[k]); });
                if (message != "(no error)") failures[k] += name + ": " + message + "\n";
                next.arrive_and_wait();
            }
        });
    }
    for (std::thread& run : runs) run.join();
    EXPECT_EQ(failures, std::vector<std::string>(Runs + 1));
    EXPECT_EQ(Bytes(dir.path("twin.dxf")), Bytes(dir.path("linked.dxf")));
    names.push_back("twin.dxf");
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    EXPECT_EQ(dir.entries(), names);
}

TEST(SaveFile, LongestNamesSaveAndLeaveNothingBehind) {
    TempDir dir;
    const std::string name(255, 'c');
    SaveFile(dir.path(name), "one");
    SaveFile(dir.path(name), "two");
    EXPECT_EQ(Bytes(dir.path(name)), "two");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{name}));
}

TEST(SaveFile, FifoAndDeviceAreWrittenIntoAndNeverWaitedOn) {
    TempDir dir;
    const std::string fifo = dir.path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(MessageOf([&] { SaveFile(fifo, "x"); }), "ファイル " + fifo + " を作成できません")
        << "no reader: refused at once";
    EXPECT_EQ(MessageOf([&] { ReadWholeFile(fifo, 264); }), "ファイル " + fifo + " は開けません")
        << "no writer: refused at once";

    std::string received;
    std::thread reader([&] {
        const int fd = ::open(fifo.c_str(), O_RDONLY);
        char buffer[64];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) received.append(buffer, n);
        ::close(fd);
    });
    std::string message;
    for (int attempt = 0; attempt < 500; ++attempt) {  // until the reader has opened its end
        message = MessageOf([&] { SaveFile(fifo, "drawing"); });
        if (message == "(no error)") break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (message != "(no error)") ::close(::open(fifo.c_str(), O_WRONLY));  // free the reader
    reader.join();
    EXPECT_EQ(message, "(no error)");
    EXPECT_EQ(received, "drawing");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"pipe"}));

    // A device stays the device, even for root.
    EXPECT_EQ(MessageOf([] { SaveFile("/dev/null", "drawing"); }), "(no error)");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}


// As root, a loop device over a file: the device and a link to it are refused, the
// backing file unchanged.
TEST(SaveFile, BlockDeviceIsRefused) {
    TempDir dir;
    const std::string backing = dir.path("disk.img");
    const std::string image(65536, 'd');
    Put(backing, image, 0600);
    std::string device;
    if (FILE* losetup = ::popen(("losetup -f --show " + backing + " 2>/dev/null").c_str(), "r")) {
        char line[256] = {};
        if (std::fgets(line, sizeof line, losetup)) device = std::string(line, std::strcspn(line, "\n"));
        ::pclose(losetup);
    }
    if (device.empty()) GTEST_SKIP() << "losetup cannot attach a loop device here";
    struct Detach {
        std::string device;
        ~Detach() {
            if (std::system(("losetup -d " + device).c_str()) != 0) std::fputs("losetup -d failed\n", stderr);
        }
    } detach{device};
    fs::create_symlink(device, dir.path("disk.dxf"));
    for (const std::string& path : {device, dir.path("disk.dxf")}) {
        EXPECT_EQ(MessageOf([&] { SaveFile(path, "drawing"); }),
                  "ファイル " + path + " はブロックデバイスです。ディスクへ直接は書き込みません");
    }
    EXPECT_EQ(Bytes(backing), image);
}

// The reader of a FIFO leaves after 100 bytes of a large drawing: the write fails with
// the write error instead of SIGPIPE ending the program.
TEST(SaveFile, ReaderLeavingAFifoIsAWriteError) {
    TempDir dir;
    const std::string fifo = dir.path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::size_t received = 0;
    const ChildResult child = InChild(
        [&] {
            ::close(reader);
            InstallSaveSignalHandling();
            return MessageOf([&] { SaveFile(fifo, std::string(4 << 20, 'x')); });
        },
        false,
        [&] {
            char buffer[100];
            for (int wait = 0; received < sizeof buffer && wait < 10000; ++wait) {
                const ssize_t n = ::read(reader, buffer, sizeof buffer - received);
                if (n > 0) received += static_cast<std::size_t>(n);
                else ::poll(nullptr, 0, 1);
            }
            ::close(reader);
        });
    EXPECT_EQ(received, 100u);
    EXPECT_TRUE(WIFEXITED(child.status)) << "killed by signal " << WTERMSIG(child.status);
    EXPECT_EQ(child.text, WriteError);
}

// Where the file system has no unnamed files, a signal in the middle of the write removes
// the named temporary file before the program ends, new target or old.
TEST(SaveFile, SignalDuringASaveRemovesTheTemporaryFile) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        TempDir dir;
        Put(dir.path("old.dxf"), "old", 0644);
        for (const char* name : {"new.dxf", "old.dxf"}) {
            const ChildResult child = InChild([&] {
                InstallSaveSignalHandling();
                ReplaceSaveSystemCalls({.openat = [](int d, const char* n, int f, mode_t m) {
                    return (f & O_TMPFILE) == O_TMPFILE ? (errno = EOPNOTSUPP, -1) : ::openat(d, n, f, m);
                }});
                SaveFile(dir.path(name), "new", [&](int, const char*, std::size_t) {
                    ::kill(::getpid(), signal);
                    return -1L;
                });
                return std::string("(not stopped)");
            }, false);
            EXPECT_TRUE(WIFSIGNALED(child.status) && WTERMSIG(child.status) == signal) << name;
            EXPECT_EQ(dir.entries(), (std::vector<std::string>{"old.dxf"})) << signal << " " << name;
            EXPECT_EQ(Bytes(dir.path("old.dxf")), "old");
        }
    }
}

// Two outputs of one run naming one file, in every way a name can: refused with both
// options named before anything is written.
TEST(SaveBatch, TwoOutputsNamingOneFileAreRefusedBeforeAnyWrite) {
    TempDir dir;
    Put(dir.path("x.csv"), "old", 0644);
    fs::create_directory(dir.path("sub"));
    fs::create_symlink("x.csv", dir.path("alias.csv"));
    fs::create_hard_link(dir.path("x.csv"), dir.path("twin.csv"));
    const std::pair<std::string, std::string> cases[] = {
        {"x.csv", "x.csv"},   {"x.csv", "./x.csv"},  {"x.csv", "alias.csv"},
        {"x.csv", "twin.csv"}, {"new.csv", "sub/../new.csv"}, {"new.csv", "./new.csv"},
    };
    for (const auto& [first, second] : cases) {
        SaveBatch batch;
        batch.Add(dir.path("drawing.dxf"), "dxf", "--dxf");
        batch.Add(dir.path(first), "csv", "--csv");
        batch.Add(dir.path(second), "json", "--json");
        EXPECT_EQ(MessageOf([&] { batch.Commit(); }),
                  "--csv と --json は同じファイル " + dir.path(second) +
                      " を指しています。何も書き込んでいません");
        EXPECT_EQ(Bytes(dir.path("x.csv")), "old");
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"alias.csv", "sub", "twin.csv", "x.csv"}));
    }
}

// The same, where one output's name is first found empty (its file was away a moment, here
// its lookup fails with ENOENT) and the save later goes to the file there after all: by the
// same name, or by a hard link another output names. Nothing is written, nothing left.
TEST(SaveBatch, OneFileFoundByOnlyOneOfTwoOutputsIsRefusedAllTheSame) {
    const std::pair<const char*, const char*> cases[] = {
        {"x.csv", "x.csv"}, {"x.csv", "twin.csv"}, {"twin.csv", "x.csv"}};
    for (int missed : {0, 1}) {  // the lookup of --csv, of --json
        for (const auto& [first, second] : cases) {
            SCOPED_TRACE(std::string(first) + " " + second + ", missed " + std::to_string(missed));
            TempDir dir;
            Put(dir.path("x.csv"), "old", 0644);
            fs::create_hard_link(dir.path("x.csv"), dir.path("twin.csv"));
            int lookups = 0;
            bool failed = false;
            Calls injected({.openat = [&](int d, const char* n, int f, mode_t m) {
                if ((n == dir.path(first) || n == dir.path(second)) && lookups++ == missed) {
                    return failed = true, errno = ENOENT, -1;
                }
                return ::openat(d, n, f, m);
            }});
            SaveBatch batch;
            batch.Add(dir.path("drawing.dxf"), "dxf", "--dxf");
            batch.Add(dir.path(first), "csv", "--csv");
            batch.Add(dir.path(second), "json", "--json");
            EXPECT_EQ(MessageOf([&] { batch.Commit(); }),
                      "--csv と --json は同じファイル " + dir.path(second) +
                          " を指しています。何も書き込んでいません");
            EXPECT_TRUE(failed);
            EXPECT_EQ(Bytes(dir.path("x.csv")), "old");
            EXPECT_EQ(dir.entries(), (std::vector<std::string>{"twin.csv", "x.csv"}));
        }
    }
}

// A run's outputs succeed or fail together: an output that cannot be prepared, or whose
// rename fails after the others were replaced, leaves every target as it was.
TEST(SaveBatch, AFailingOutputLeavesEveryTargetAsItWas) {
    const struct {
        const char* report;  // the third output
        bool renameFails;
        bool fails;
    } cases[] = {{"r.pdf", false, false}, {"no/such/r.pdf", false, true}, {"r.pdf", true, true}};
    for (const auto& c : cases) {
        TempDir dir;
        Put(dir.path("old.dxf"), "old dxf", 0644);
        Put(dir.path("old.csv"), "old csv", 0644);  // hard-linked: written in place
        fs::create_hard_link(dir.path("old.csv"), dir.path("csv.bak"));
        Put(dir.path("r.pdf"), "old pdf", 0644);
        Calls injected({.renameat = [&](int a, const char* b, int d, const char* e, unsigned f) {
            return c.renameFails && std::string(e) == "r.pdf" ? (errno = EIO, -1) : ::renameat2(a, b, d, e, f);
        }});
        SaveBatch batch;
        batch.Add(dir.path("old.dxf"), "new dxf", "--dxf");
        batch.Add(dir.path("old.csv"), "new csv, longer than the old", "--csv");
        batch.Add(dir.path(c.report), "new pdf", "--report");
        EXPECT_EQ(MessageOf([&] { batch.Commit(); }),
                  c.fails ? CannotCreate(dir.path(c.report)) : "(no error)");
        const char* age = c.fails ? "old" : "new";
        EXPECT_EQ(Bytes(dir.path("old.dxf")), std::string(age) + " dxf");
        EXPECT_EQ(Bytes(dir.path("csv.bak")), c.fails ? "old csv" : "new csv, longer than the old");
        EXPECT_EQ(Bytes(dir.path("r.pdf")), std::string(age) + " pdf");
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"csv.bak", "old.csv", "old.dxf", "r.pdf"}));
    }
}

// Another program saves the file while a run saves it (here each time a save syncs or
// renames): the run's save then goes to that program's file, keeping its mode, new,
// replaced or hard-linked alike. A name that changes at every attempt, or now holds a
// symbolic link, is left as the other program saved it, with the reason, and the run's
// other output is not written either.
TEST(SaveBatch, AFileAnotherProgramSavesMeanwhileIsReplacedInTurn) {
    const struct {
        const char* what;
        const char* name;
        mode_t mode;  // of the other program's file, then 0640 and back; 0: a symbolic link
        int times;    // how many of the save's syncs and renames find another file first
    } cases[] = {
        {"the same attributes", "old.dxf", 0644, 1},  {"another mode", "old.dxf", 0600, 1},
        {"where a new file goes", "new.dxf", 0600, 1}, {"over a hard link", "linked.dxf", 0644, 1},
        {"at every attempt", "old.dxf", 0600, 1000},   {"a symbolic link", "old.dxf", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        for (const char* name : {"old.dxf", "linked.dxf", "elsewhere"}) Put(dir.path(name), "old", 0644);
        fs::create_hard_link(dir.path("linked.dxf"), dir.path("twin.dxf"));
        const std::string path = dir.path(c.name), other = dir.path("intruder");
        int times = c.times;
        auto intrude = [&] {
            if (times-- <= 0) return;
            if (c.mode == 0) fs::create_symlink("elsewhere", other);
            else Put(other, "intruder", times % 2 ? 0640 : c.mode);
            ::rename(other.c_str(), path.c_str());
        };
        auto named = [&](const char* to) { if (to == fs::path(path).filename()) intrude(); };
        Calls injected({.fsync = [&](int fd) { return intrude(), ::fsync(fd); },
                        .renameat = [&](int a, const char* b, int d, const char* e, unsigned f) {
                            return named(e), ::renameat2(a, b, d, e, f);
                        },
                        .linkat = [&](int a, const char* b, int d, const char* e, int f) {
                            return named(e), ::linkat(a, b, d, e, f);
                        }});
        SaveBatch batch;
        batch.Add(path, "new");
        batch.Add(dir.path("drawing.dxf"), "drawing");
        const bool saved = c.times == 1 && c.mode != 0;
        EXPECT_EQ(MessageOf([&] { batch.Commit(); }),
                  saved ? "(no error)" : FormatMessage(msg::ReplacedMeanwhile, path));
        EXPECT_EQ(fs::is_symlink(path) ? "link" : Bytes(path), saved ? "new" : c.mode ? "intruder" : "link");
        if (saved) {
            EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(c.mode));
        }
        EXPECT_EQ(Bytes(dir.path("twin.dxf")) + Bytes(dir.path("elsewhere")), "oldold");
        std::vector<std::string> entries{"elsewhere", "linked.dxf", "old.dxf", "twin.dxf"};
        if (saved) entries.push_back("drawing.dxf");
        if (saved && c.name == std::string("new.dxf")) entries.push_back("new.dxf");
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(dir.entries(), entries) << "no temporary file, no output of a failed run";
    }
}

// A file that cannot be read says why, in both languages; the window's text stays
// 「ファイル %s は開けません」 whatever the reason.
TEST(ReadWholeFile, CannotOpenSaysWhyInBothLanguages) {
    TempDir dir;
    const std::string open = Folder(dir, "open", 0755, false);
    const std::string closed = Folder(dir, "closed", 0755, false);
    Put(open + "/secret.dat", "x", 0000);
    Put(closed + "/cam.dat", "x", 0644);
    ::chmod(closed.c_str(), 0600);  // listed, never entered
    fs::create_symlink("nowhere.dat", open + "/dangling.dat");
    ASSERT_EQ(::mkfifo((open + "/pipe").c_str(), 0644), 0);
    struct Case {
        std::string path;
        std::string english, japanese;
    };
    const Case cases[] = {
        {open + "/missing.dat", "cannot open file %: it does not exist", "ファイル % は存在しないため開けません"},
        {open + "/dangling.dat", "cannot open file %: it is a symbolic link to a file that does not exist",
         "ファイル % はリンク先の存在しないシンボリックリンクのため開けません"},
        {open + "/secret.dat", "cannot open file %: no permission to read it",
         "ファイル % は読み取りの権限がないため開けません"},
        {closed + "/cam.dat", "cannot open file %: no permission to enter its folder",
         "ファイル % はフォルダに入る権限がないため開けません"},
        {open, "cannot open %: it is a folder, not a file", "% はファイルではなくフォルダのため開けません"},
        {open + "/pipe", "cannot open %: it is not a regular file (a device, FIFO or socket)",
         "% は通常のファイルではない (デバイス、FIFO、ソケットなど) ため開けません"},
        {open + "/secret.dat/cam.dat", "cannot open file %: Not a directory",
         "ファイル % は開けません: ディレクトリではありません"},
    };
    for (const Case& c : cases) {
        // The window's message, then the reasons in Japanese and in English.
        const std::string texts = AsOrdinaryUser([&] {
            std::string result;
            for (const bool english : {false, true}) {
                std::optional<EnglishScope> scope;
                if (english) scope.emplace();
                try {
                    ReadWholeFile(c.path, 264);
                } catch (const CannotOpenError& e) {
                    if (!english) result += e.message() + "\n";
                    result += e.detailed() + "\n";
                }
            }
            return result;
        });
        auto with = [&](std::string text) { return text.replace(text.find('%'), 1, c.path); };
        EXPECT_EQ(texts, "ファイル " + c.path + " は開けません\n" + with(c.japanese) + "\n" + with(c.english) + "\n");
    }
    ::chmod(closed.c_str(), 0755);
}

}  // namespace
}  // namespace platecam
