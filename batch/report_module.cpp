#include "batch/report_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <vector>

#ifndef PLATECAM_REPORT_MODULE_INSTALLED
#define PLATECAM_REPORT_MODULE_INSTALLED "lib/platecam/libplatecam_report.so"
#endif

namespace platecam {

RenderReportFunction LoadReportModule(std::string& error) {
    std::vector<std::string> candidates;
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        std::string dir(self, static_cast<std::size_t>(n));
        dir = dir.substr(0, dir.rfind('/'));
        candidates.push_back(dir + "/../" PLATECAM_REPORT_MODULE_INSTALLED);
    }
#ifdef PLATECAM_REPORT_MODULE_BUILT
    candidates.push_back(PLATECAM_REPORT_MODULE_BUILT);
#endif
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
        error = "the report module " + path + " has no entry point";
        return nullptr;
    }
    error = "the report module is not installed";
    return nullptr;
}

}  // namespace platecam
