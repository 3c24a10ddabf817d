#include "files/save_file.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
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

// Permission bits do not bind root, so the action runs as `nobody` in a child process,
// as `setpriv --reuid=nobody --regid=nogroup --clear-groups` would run it. Returns the
// action's message, or a note when the switch itself failed.
std::string AsOrdinaryUser(const std::function<std::string()>& action) {
    if (::geteuid() != 0) return action();
    int link[2];
    if (::pipe(link) != 0) return "(no pipe)";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(link[0]);
        std::string result = "(could not become nobody)";
        if (::setgroups(0, nullptr) == 0 && ::setresgid(NoGroup, NoGroup, NoGroup) == 0 &&
            ::setresuid(Nobody, Nobody, Nobody) == 0) {
            result = action();
        }
        if (::write(link[1], result.data(), result.size()) < 0) ::_exit(1);
        ::_exit(0);
    }
    ::close(link[1]);
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = ::read(link[0], buffer, sizeof buffer)) > 0;) result.append(buffer, n);
    ::close(link[0]);
    ::waitpid(child, nullptr, 0);
    return result;
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

TEST(SaveFile, ReadOnlyFileIsRefusedAndKept) {
    TempDir dir;
    const std::string folder = Folder(dir, "rw", 0755, true);
    const std::string path = folder + "/cam1.dat";
    Put(path, "old", 0444);
    OwnByUser(path);
    EXPECT_EQ(AsOrdinaryUser([&] { return MessageOf([&] { SaveFile(path, "new"); }); }),
              "ファイル " + path + " を作成できません");
    EXPECT_EQ(Bytes(path), "old");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0444));
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

TEST(SaveFile, LinkStaysALinkAndItsFileIsWritten) {
    TempDir dir;
    fs::create_directory(dir.path("real"));
    Put(dir.path("real/cam1.dat"), "old", 0640);
    fs::create_symlink("real/cam1.dat", dir.path("link.dat"));
    fs::create_symlink("real/new.dat", dir.path("dangling.dat"));
    SaveFile(dir.path("link.dat"), "new");
    SaveFile(dir.path("dangling.dat"), "fresh");
    EXPECT_TRUE(fs::is_symlink(dir.path("link.dat")));
    EXPECT_TRUE(fs::is_symlink(dir.path("dangling.dat")));
    EXPECT_EQ(Bytes(dir.path("real/cam1.dat")), "new");
    EXPECT_EQ(Bytes(dir.path("real/new.dat")), "fresh");
    EXPECT_EQ(fs::status(dir.path("real/cam1.dat")).permissions() & fs::perms::all,
              fs::perms(0640));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"dangling.dat", "link.dat", "real"}));
}

TEST(SaveFile, EveryHardLinkSeesTheNewContent) {
    TempDir dir;
    Put(dir.path("a.dat"), "old", 0644);
    fs::create_hard_link(dir.path("a.dat"), dir.path("b.dat"));
    SaveFile(dir.path("a.dat"), "new");
    EXPECT_EQ(Bytes(dir.path("b.dat")), "new");
    EXPECT_EQ(Inode(dir.path("a.dat")), Inode(dir.path("b.dat")));
}

TEST(SaveFile, RootKeepsOwnerGroupAndMode) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another owner";
    TempDir dir;
    const std::string path = dir.path("owned.dat");
    Put(path, "old", 0604);
    OwnByUser(path);
    const ino_t before = Inode(path);
    SaveFile(path, "new");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_NE(info.st_ino, before) << "replaced through a new file";
    EXPECT_EQ(info.st_uid, Nobody);
    EXPECT_EQ(info.st_gid, NoGroup);
    EXPECT_EQ(info.st_mode & 07777, 0604u);
    EXPECT_EQ(Bytes(path), "new");
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

}  // namespace
}  // namespace platecam
