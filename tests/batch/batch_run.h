#pragma once
// Running platecam-batch in the test's own process, and reading what it wrote.

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "files/design_file.h"
#include "base/language.h"
#include "tests/files/temp_dir.h"

namespace platecam::testing {

struct BatchRun {
    int status;
    std::string out, err;
};

// The language in use stays as it was: a run with --lang changes it for its process.
inline BatchRun Batch(std::vector<std::string> arguments) {
    const Language before = CurrentLanguage();
    std::ostringstream out, err;
    const int status = RunBatch(arguments, out, err);
    if (CurrentLanguage() != before) UseLanguage(before);
    return {status, out.str(), err.str()};
}

// The program itself, in the C locale, as a script runs it.
inline BatchRun BatchProcess(const TempDir& dir, const std::vector<std::string>& arguments) {
    std::string command = "LC_ALL=C " PLATECAM_BATCH_EXE;
    for (const std::string& a : arguments) command += " '" + a + "'";
    command += " >" + dir.path("process.out") + " 2>" + dir.path("process.err");
    const int status = std::system(command.c_str());
    auto read = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(dir.path("process.out")),
            read(dir.path("process.err"))};
}

inline std::string SaveDesign(const TempDir& dir, const std::string& name, const CamDesign& design) {
    WriteDesignFile(dir.path(name), design.MotionTable);
    return dir.path(name);
}

inline std::vector<std::vector<double>> ReadCsv(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    std::vector<std::vector<double>> rows;
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::stringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, ',')) row.push_back(std::strtod(cell.c_str(), nullptr));
        rows.push_back(row);
    }
    return rows;
}

}  // namespace platecam::testing
