#include "batch/report_module.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <new>
#include <vector>

#include "base/language.h"
#include "base/errors.h"

#ifndef PLATECAM_REPORT_MODULE_INSTALLED
#define PLATECAM_REPORT_MODULE_INSTALLED "lib/platecam/libplatecam_report.so"
#endif

namespace platecam {

RenderReportFunction LoadReportModule(std::string& error) {
    // Code is loaded only from the program's own installation: beside the binary that runs,
    // as the kernel names it. The build tree keeps the module at the same place relative to
    // its programs, so no other folder is ever searched.
    std::vector<std::string> candidates;
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        std::string dir(self, static_cast<std::size_t>(n));
        dir = dir.substr(0, dir.rfind('/'));
        candidates.push_back(dir + "/../" PLATECAM_REPORT_MODULE_INSTALLED);
    }
    for (const std::string& path : candidates) {
        if (::access(path.c_str(), R_OK) != 0) continue;
        void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            error = ::dlerror();
            return nullptr;
        }
        if (auto* render = reinterpret_cast<RenderReportFunction>(::dlsym(module, RenderReportSymbol))) {
            return render;
        }
        error = Tr("the report module %1 has no entry point", {path});
        return nullptr;
    }
    error = Tr("the report module is not installed beside the program");
    return nullptr;
}

namespace {

// Every byte of `data` to the descriptor, retried where a signal interrupts it.
bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// In the child: a status byte ('1' a PDF follows, '0' a reason follows) and the bytes.
[[noreturn]] void RenderInChild(const ReportInput& input, int out) {
    std::string bytes, error;
    bool done = false;
    try {
        const RenderReportFunction render = LoadReportModule(error);
        done = render && render(input, bytes, error);
    } catch (const std::bad_alloc&) {
        error = Message(msg::OutOfMemory);
    } catch (const std::exception& e) {
        error = e.what();
    }
    const char status = done ? '1' : '0';
    const std::string& body = done ? bytes : error;
    const bool sent = WriteAll(out, &status, 1) && WriteAll(out, body.data(), body.size());
    // No exit handlers and no flushing of the parent's buffered output a second time.
    ::_exit(sent ? 0 : 1);
}

}  // namespace

bool RenderReport(const ReportInput& input, std::string& pdf, std::string& error) {
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        error = SystemErrorText(errno);
        return false;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        error = SystemErrorText(errno);
        ::close(pipe[0]);
        ::close(pipe[1]);
        return false;
    }
    if (child == 0) {
        ::close(pipe[0]);
        // The libraries' own diagnostics (fontconfig's when memory runs short, Qt's) are
        // not the user's: the child's reason comes back through the pipe.
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) ::dup2(null, STDERR_FILENO);
        RenderInChild(input, pipe[1]);
    }
    ::close(pipe[1]);
    std::string received;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        received.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipe[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        error = Tr("the report module ended on signal %1 (%2)",
                   {std::to_string(signal), ::strsignal(signal)});
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || received.empty()) {
        error = Tr("the report module ended without a report");
        return false;
    }
    if (received[0] != '1') {
        error = received.substr(1);
        return false;
    }
    pdf = received.substr(1);
    return true;
}

}  // namespace platecam
