#pragma once
// The language of the messages, the report and the window's texts, through GNU gettext
// (the catalogue "platecam", compiled from po/ at build time). English texts are the
// message ids; the window always speaks Japanese.

#include <initializer_list>
#include <string>

namespace platecam {

enum class Language { English, Japanese };

// Japanese when the locale's messages are Japanese: the first of LC_ALL, LC_MESSAGES and
// LANG that is set and not empty starts with "ja".
Language LanguageFromEnvironment();

// Looks messages up in `language` from now on. The catalogue is searched in
// `catalogueDirectory` when given, else beside the program (../share/locale, ../locale)
// and where the package installs it. Without a catalogue every text stays English.
void UseLanguage(Language language, const std::string& catalogueDirectory = {});

Language CurrentLanguage();

// The text of a message id in the language in use.
const char* Tr(const char* messageId);

// The text of a message id with "%1", "%2", ... replaced by the arguments, so that a
// translation may place them in its own order.
std::string Tr(const char* messageId, std::initializer_list<std::string> arguments);

// Marks a message id for the catalogue where it is not translated at once.
#define N_(text) text

// Messages in English while it lives: the texts that go into stored files, whose bytes must
// not depend on the locale.
class EnglishScope {
public:
    EnglishScope();
    ~EnglishScope();
    EnglishScope(const EnglishScope&) = delete;
    EnglishScope& operator=(const EnglishScope&) = delete;

private:
    Language saved_;
};

// The words of a system error (an errno value) in the language in use; the C library's
// own text where the catalogue has none.
std::string SystemErrorText(int error);

}  // namespace platecam
