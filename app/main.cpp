// The program entry: one window, one event loop; optionally a design file to open.

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "base/errors.h"
#include "files/save_file.h"
#include "base/language.h"
#include "platecam_version.h"
#include "ui/engineering/engineering_window.h"
#include "ui/main_form.h"

namespace {

const QCommandLineOption Engineering(
    QStringLiteral("engineering"),
    QStringLiteral("Open the engineering window: every follower kind and motion law of a "
                   "design document, its checks, loads and sizing, and every export."));

void DescribeOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Designs plate cams. The classic window computes a cam for an in-line translating\n"
        "roller follower: displacement, pitch curve, contour and pressure angle from a motion\n"
        "table, with charts, an animation, DXF export and 264-byte design files. The\n"
        "engineering window (--engineering) edits a design document of any follower kind\n"
        "(in-line or offset roller, flat face, swinging arm) and motion law, and shows its\n"
        "plots, cam, checks and loads as it is edited."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(Engineering);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A design file or design document to open at start-up."),
                                 QStringLiteral("[FILE]"));
}

// --help and --version need no display: they are answered before any window exists.
bool OnlyText(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version", "-?"}) {
            if (std::strcmp(argv[i], option) == 0) return true;
        }
    }
    return false;
}

void SetIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("platecam"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PLATECAM_VERSION));
}

// The arguments with "-?" spelled as Qt knows it on this system.
QStringList Arguments(const QCoreApplication& app) {
    QStringList arguments = app.arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("-?")) arguments[i] = QStringLiteral("--help");
    }
    return arguments;
}

// Parses the arguments; a refused option or more than one file is reported and false.
bool ParseArguments(QCommandLineParser& parser, const QStringList& arguments) {
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "platecam: %s\n", qPrintable(parser.errorText()));
        return false;
    }
    if (parser.positionalArguments().size() > 1) {
        std::fputs("platecam: one design file at most\n", stderr);
        return false;
    }
    return true;
}

// Qt prints the help and version texts and leaves through exit(0): a text that did not
// reach its reader (a full disk, a closed pipe) must not count as success.
void CheckOutputAtExit() {
    std::atexit([] {
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fputs("platecam: cannot write to the standard output\n", stderr);
            std::_Exit(2);
        }
    });
}

bool EnvironmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Without a platform to show the window on, Qt aborts the process while the application
// is made: whether one is reachable is decided from the environment first.
bool DisplayNamed(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        // The platform named on the command line is Qt's to judge.
        if (argument == "-platform" || argument == "--platform") return true;
    }
    const char* platforms = std::getenv("QT_QPA_PLATFORM");
    if (!platforms || !*platforms) {
        return EnvironmentSet("DISPLAY") || EnvironmentSet("WAYLAND_DISPLAY");
    }
    // A list of platforms tried in turn, each with its own options after ":".
    std::string_view list = platforms;
    while (!list.empty()) {
        const std::string_view entry = list.substr(0, list.find(';'));
        list.remove_prefix(std::min(list.size(), entry.size() + 1));
        const std::string_view name = entry.substr(0, entry.find(':'));
        if (name == "xcb") {
            if (EnvironmentSet("DISPLAY")) return true;
        } else if (name.starts_with("wayland")) {
            if (EnvironmentSet("WAYLAND_DISPLAY")) return true;
        } else if (!name.empty()) {
            return true;  // offscreen, vnc, linuxfb and the like need no display server
        }
    }
    return false;
}

constexpr const char* NoDisplay = "platecam: cannot open a display\n";

// A display that is named but cannot be reached still ends in Qt's fatal message: the
// program leaves with its own message and status instead of an abort.
QtMessageHandler qtHandler = nullptr;

void RefuseFatalMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fputs(NoDisplay, stderr);
        std::_Exit(2);
    }
    if (qtHandler) qtHandler(type, context, text);
}

int RunProgram(int argc, char* argv[]) {
    if (OnlyText(argc, argv)) {
        QCoreApplication app(argc, argv);
        SetIdentity();
        QCommandLineParser parser;
        DescribeOptions(parser);
        const QStringList arguments = Arguments(app);
        if (!ParseArguments(parser, arguments)) return 2;
        CheckOutputAtExit();
        parser.process(arguments);  // prints and exits
        return 0;
    }
    if (!DisplayNamed(argc, argv)) {
        // The options are still checked, so that a mistyped one is named too.
        QCoreApplication app(argc, argv);
        SetIdentity();
        QCommandLineParser parser;
        DescribeOptions(parser);
        ParseArguments(parser, app.arguments());
        std::fputs(NoDisplay, stderr);
        return 2;
    }
    qtHandler = qInstallMessageHandler(RefuseFatalMessage);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtHandler);
    SetIdentity();
    QCommandLineParser parser;
    DescribeOptions(parser);
    if (!ParseArguments(parser, app.arguments())) return 2;
    // The window asks for the Windows face; on other systems the IPA gothic stands in.
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    QTranslator translator;
    if (translator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&translator);
    }
    const QString file = parser.positionalArguments().isEmpty() ? QString() : parser.positionalArguments().first();
    static platecam::QtEngineeringHost engineeringHost;
    // An engineering window of its own, closed and gone with the last look at it.
    auto engineering = [](const auto& open) {
        auto* window = new platecam::EngineeringWindow(engineeringHost);
        window->setAttribute(Qt::WA_DeleteOnClose);
        engineeringHost.SetParent(window);
        window->show();
        open(*window);
    };
    if (parser.isSet(Engineering)) {
        // The engineering window speaks the language of the locale, as platecam-batch does.
        platecam::UseLanguage(platecam::LanguageFromEnvironment());
        engineering([&](platecam::EngineeringWindow& window) {
            if (!file.isEmpty()) window.OpenFile(file);
        });
        return QApplication::exec();
    }
    // The classic window speaks Japanese whatever the locale; set after the application,
    // which sets the process locale from the environment.
    platecam::UseLanguage(platecam::Language::Japanese);
    platecam::QtUiHost host;
    platecam::TForm1 form(host);
    host.SetParent(&form);
    form.OpenElsewhere = [&](const platecam::DesignDocument& document, const QString& path) {
        engineering([&](platecam::EngineeringWindow& window) { window.ShowDocument(document, path); });
    };
    form.show();
    if (!file.isEmpty()) form.OpenDesignFile(file);
    return QApplication::exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    platecam::EndFailuresWithAMessage("platecam");
    platecam::InstallSaveSignalHandling();
    // Every handler reports its own failures in the error box; memory that runs out
    // outside them (while the window is made) ends the program with a message, not abort.
    try {
        return RunProgram(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("platecam: out of memory\n", stderr);
        return 2;
    }
}
