// The program entry: one window, one event loop; optionally a design file to open.

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <cstring>

#include "files/save_file.h"
#include "language/language.h"
#include "platecam_version.h"
#include "ui/main_form.h"

namespace {

void DescribeOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Designs a plate cam for an in-line translating roller follower: displacement, pitch\n"
        "curve, contour and pressure angle from a motion table, with charts, an animation,\n"
        "DXF export and 264-byte design files."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("design"),
                                 QStringLiteral("A design file to open at start-up, as OPEN does."),
                                 QStringLiteral("[design.dat]"));
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

}  // namespace

int main(int argc, char* argv[]) {
    platecam::InstallSaveSignalHandling();
    if (OnlyText(argc, argv)) {
        QCoreApplication app(argc, argv);
        SetIdentity();
        QCommandLineParser parser;
        DescribeOptions(parser);
        parser.process(app);  // prints and exits
        return 0;
    }
    QApplication app(argc, argv);
    SetIdentity();
    QCommandLineParser parser;
    DescribeOptions(parser);
    parser.process(app);
    if (parser.positionalArguments().size() > 1) {
        std::fputs("platecam: one design file at most\n", stderr);
        return 2;
    }
    // The window asks for the Windows face; on other systems the IPA gothic stands in.
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    QTranslator translator;
    if (translator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&translator);
    }
    // The window speaks Japanese whatever the locale; set after the application, which sets
    // the process locale from the environment.
    platecam::UseLanguage(platecam::Language::Japanese);
    platecam::QtUiHost host;
    platecam::TForm1 form(host);
    host.SetParent(&form);
    form.show();
    if (!parser.positionalArguments().isEmpty()) {
        form.OpenDesignFile(parser.positionalArguments().first());
    }
    return QApplication::exec();
}
