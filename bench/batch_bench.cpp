// Benchmarks of whole platecam-batch runs as a script runs them (process start included).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/bench_designs.h"
#include "files/design_file.h"
#include "model/displacement.h"
#include "model/profile.h"

extern char** environ;

namespace platecam::bench {
namespace {

// The start-up design as a file, once per process.
const std::string& DesignFile() {
    static const std::string path = [] {
        auto design = std::make_unique<CamDesign>();
        LoadDesignFromTexts(*design, TextsFor(0), '.');
        const std::string file = "/tmp/platecam-bench-cam1.dat";
        WriteDesignFile(file, design->MotionTable);
        return file;
    }();
    return path;
}

void RunProcess(benchmark::State& state, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {PLATECAM_BATCH_EXE, DesignFile()});
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t child;
        if (posix_spawn(&child, argv[0], &quiet, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("cannot start platecam-batch");
            break;
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
            state.SkipWithError("platecam-batch failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&quiet);
}

void BM_BatchCheckProcess(benchmark::State& state) {
    const char* resolutions[] = {"", "1", "0.5", "", "", "0.2"};
    RunProcess(state, {"--check", "--resolution", resolutions[state.range(0)]});
}
BENCHMARK(BM_BatchCheckProcess)->Arg(1)->Arg(2)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// The design report of the start-up design at 0.2 degrees, in English (0) and in Japanese
// (1), the language of its readers.
void BM_BatchReportProcess(benchmark::State& state) {
    RunProcess(state, {"--resolution", "0.2", "--lang", state.range(0) ? "ja" : "en", "--report",
                       "/tmp/platecam-bench-report.pdf"});
}
BENCHMARK(BM_BatchReportProcess)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace platecam::bench
