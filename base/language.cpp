#include "base/language.h"

#include <libintl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#ifndef PLATECAM_LOCALE_DIR
#define PLATECAM_LOCALE_DIR "/usr/share/locale"
#endif

namespace platecam {

namespace {

constexpr const char* Domain = "platecam";
Language current = Language::English;

bool HasCatalogue(const std::string& directory) {
    struct stat info {};
    return ::stat((directory + "/ja/LC_MESSAGES/platecam.mo").c_str(), &info) == 0 &&
           S_ISREG(info.st_mode);
}

std::string ProgramDirectory() {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    std::string path(self, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/'));
}

std::string FindCatalogues(const std::string& given) {
    if (!given.empty()) return given;
    const std::string dir = ProgramDirectory();
    if (!dir.empty()) {
        for (const char* relative : {"/../share/locale", "/../locale"}) {
            if (HasCatalogue(dir + relative)) return dir + relative;
        }
    }
    return PLATECAM_LOCALE_DIR;
}

}  // namespace

Language LanguageFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            return std::strncmp(value, "ja", 2) == 0 ? Language::Japanese : Language::English;
        }
    }
    return Language::English;
}

void UseLanguage(Language language, const std::string& catalogueDirectory) {
    current = language;
    // gettext ignores LANGUAGE in the plain "C" locale, and the user's own locale may not
    // be installed: C.UTF-8 is on every Debian system and changes no number format, since
    // only the messages' category is set.
    ::setenv("LANGUAGE", language == Language::Japanese ? "ja" : "en", 1);
    if (!::setlocale(LC_MESSAGES, "C.UTF-8")) ::setlocale(LC_MESSAGES, "C.utf8");
    ::bindtextdomain(Domain, FindCatalogues(catalogueDirectory).c_str());
    ::bind_textdomain_codeset(Domain, "UTF-8");
}

Language CurrentLanguage() { return current; }

const char* Tr(const char* messageId) {
    if (current == Language::English) return messageId;
    return ::dgettext(Domain, messageId);
}

std::string Tr(const char* messageId, std::initializer_list<std::string> arguments) {
    const std::string pattern = Tr(messageId);
    std::string text;
    text.reserve(pattern.size() + 32);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const std::size_t k = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (k < arguments.size()) {
                text += *(arguments.begin() + k);
                ++i;
                continue;
            }
        }
        text += c;
    }
    return text;
}

EnglishScope::EnglishScope() : saved_(current) { current = Language::English; }

EnglishScope::~EnglishScope() { current = saved_; }

std::string SystemErrorText(int error) {
    // The C library's texts are English here: only the messages' category is set, to C.UTF-8.
    switch (error) {
        case ENOENT: return Tr("No such file or directory");
        case EACCES: return Tr("Permission denied");
        case EPERM: return Tr("Operation not permitted");
        case EISDIR: return Tr("Is a directory");
        case ENOTDIR: return Tr("Not a directory");
        case ELOOP: return Tr("Too many levels of symbolic links");
        case ENAMETOOLONG: return Tr("File name too long");
        case ENOSPC: return Tr("No space left on device");
        case EDQUOT: return Tr("Disk quota exceeded");
        case EROFS: return Tr("Read-only file system");
        case EIO: return Tr("Input/output error");
        case EPIPE: return Tr("Broken pipe");
        case EMFILE: return Tr("Too many open files");
        case ENOMEM: return Tr("Cannot allocate memory");
        default: return std::strerror(error);
    }
}

}  // namespace platecam
