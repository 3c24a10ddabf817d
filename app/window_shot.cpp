// Saves a picture of the window after the displacement chart and the cam calculation of
// the start-up design, for the README and the AppStream metadata. Not installed.

#include <QApplication>
#include <QFont>
#include <cstdio>

#include "base/language.h"
#include "ui/main_form.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: platecam-window-shot OUT.png\n", stderr);
        return 2;
    }
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    platecam::UseLanguage(platecam::Language::Japanese);
    platecam::QtUiHost host;
    platecam::TForm1 form(host);
    host.SetParent(&form);
    form.show();
    form.Button1->click();
    form.Button2->click();
    QApplication::processEvents();
    return form.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
