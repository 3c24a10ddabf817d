#include "files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "model/errors.h"

namespace platecam {

namespace {

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

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         const ByteWriter& writer) {
    std::vector<char> temp(path.begin(), path.end());
    const std::string suffix = ".platecam-XXXXXX";
    temp.insert(temp.end(), suffix.begin(), suffix.end());
    temp.push_back('\0');
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) throw CamError(FormatMessage(msg::CannotCreate, path));
    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)
                            ? (existing.st_mode & 07777)
                            : NewFileMode();
    ::fchmod(fd, mode);
    const long written = writer ? writer(fd, bytes.data(), bytes.size())
                                : WriteAll(fd, bytes.data(), bytes.size());
    const bool complete = written == static_cast<long>(bytes.size());
    const bool synced = complete && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!complete || !synced || !closed) {
        ::unlink(temp.data());
        throw CamError(msg::WriteError);
    }
    if (::rename(temp.data(), path.c_str()) != 0) {
        ::unlink(temp.data());
        throw CamError(FormatMessage(msg::CannotCreate, path));
    }
}

std::string ReadWholeFile(const std::string& path, std::size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw CamError(FormatMessage(msg::CannotOpen, path));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw CamError(FormatMessage(msg::CannotOpen, path));
    }
    std::string data;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            throw CamError(msg::ReadError);
        }
        if (n == 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
        // Only the length matters beyond the limit: stop reading huge files early.
        if (data.size() > limit) break;
    }
    ::close(fd);
    return data;
}

}  // namespace platecam
