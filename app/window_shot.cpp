// Saves a picture of a window for the README and the AppStream metadata. Not installed.
//   platecam-window-shot OUT.png
//     the classic window after the displacement chart and the cam calculation of the
//     start-up design
//   platecam-window-shot --engineering DESIGN OUT.png
//     the engineering window with DESIGN, in English, the cam turned to 60°

#include <QApplication>
#include <QFont>
#include <cstdio>
#include <cstring>

#include "base/language.h"
#include "ui/engineering/engineering_window.h"
#include "ui/main_form.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const bool engineering = argc == 4 && std::strcmp(argv[1], "--engineering") == 0;
    if (argc != 2 && !engineering) {
        std::fputs("usage: platecam-window-shot [--engineering DESIGN] OUT.png\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[argc - 1]);
    if (engineering) {
        platecam::UseLanguage(platecam::Language::English);
        platecam::QtEngineeringHost host;
        platecam::EngineeringWindow window(host);
        host.SetParent(&window);
        window.resize(1400, 900);
        window.show();
        if (!window.OpenFile(QString::fromLocal8Bit(argv[2]))) return 1;
        window.SetAngle(60);
        QApplication::processEvents();
        return window.grab().save(out) ? 0 : 1;
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
    return form.grab().save(out) ? 0 : 1;
}
