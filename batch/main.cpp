// platecam-batch: the window's computations and exports from the command line.

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "base/errors.h"
#include "files/save_file.h"
#include "base/language.h"

namespace {

// A report that never reached its reader is a failure, as for the GNU tools: flush and
// close standard output, and check both streams.
int FinishStandardStreams(int status) {
    // std::cout flushes through stdio: its failure sets errno and stdout's error flag.
    errno = 0;
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0 && std::cout.good();
    int reason = errno;
    std::cerr.flush();
    const bool outOk = flushed && !std::ferror(stdout);
    errno = 0;
    const bool closed = std::fclose(stdout) == 0;
    if (!closed && reason == 0) reason = errno;
    if (outOk && closed && !std::ferror(stderr)) return status;
    const std::string text =
        platecam::Tr("write error: %1", {platecam::SystemErrorText(reason ? reason : EIO)});
    std::fprintf(stderr, "platecam-batch: %s\n", text.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    platecam::EndFailuresWithAMessage("platecam-batch");
    platecam::InstallSaveSignalHandling();
    platecam::UseLanguage(platecam::LanguageFromEnvironment());
    const int status =
        platecam::RunBatch(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    return FinishStandardStreams(status);
}
