// The program entry: one window, one event loop.

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

#include "ui/main_form.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The window asks for the Windows face; on other systems the IPA gothic stands in.
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    QTranslator translator;
    if (translator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&translator);
    }
    platecam::QtUiHost host;
    platecam::TForm1 form(host);
    host.SetParent(&form);
    form.show();
    return QApplication::exec();
}
