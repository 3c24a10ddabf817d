#include "batch/report_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <vector>

#include "language/language.h"

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

}  // namespace platecam
