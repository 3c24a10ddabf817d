// Thousands of random actions on the window from a fixed seed: the program must stay
// alive, let no exception escape, and show only its own messages.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QRegularExpression>
#include <cstdlib>
#include <random>

#include "tests/files/temp_dir.h"
#include "tests/ui/fake_host.h"

namespace platecam {
namespace {

bool IsProgramMessage(const QString& text) {
    static const QRegularExpression known(QStringLiteral(
        "\\A(?:'.*' は浮動小数点数ではありません|'.*' は整数ではありません|浮動小数点数のオーバーフロー|"
        "不正な浮動小数点数演算命令|0 による浮動小数点数除算|角度 -?\\d+ は範囲外です|"
        "ファイル .* は開けません|ファイル .* を作成できません|ファイル .* はカムの設計ファイルではありません|"
        "ストリームへの書き込みエラー|ストリームからの読み込みエラー|"
        "カムの輪郭が完成していないため DXF を出力できません|"
        "ファイル .* は \\d+ バイトあり、設計として読める上限 \\d+ バイトを超えているため読み込みません|"
        // A text file that is no design document: the reader names the file and the line.
        ".*:\\d+: .*)\\z"),
        QRegularExpression::DotMatchesEverythingOption);
    return known.match(text).hasMatch();
}

QString RandomText(std::mt19937& rng) {
    static const char* samples[] = {"",     "0",       "30",    "-45",   "360",   "12.5",
                                    "7mm",  "1e400",   "1e-400", "$10",  "0x168", " 90 ",
                                    "abc",  "2147483648", "-2147483648", "1,5", "180", "1800",
                                    "99999999999", "0.0001", "20", "10", "   ", "1e308", "-1e308"};
    std::uniform_int_distribution<int> pick(0, std::size(samples) - 1);
    std::uniform_int_distribution<int> coin(0, 9);
    if (coin(rng) == 0) {
        // Random bytes, including ones that are not valid UTF-8 text.
        std::string bytes(std::uniform_int_distribution<int>(0, 12)(rng), '\0');
        for (char& c : bytes) c = static_cast<char>(std::uniform_int_distribution<int>(1, 255)(rng));
        return QString::fromUtf8(bytes);
    }
    return QString::fromLatin1(samples[pick(rng)]);
}

TEST(Monkey, RandomActionsKeepTheProgramSound) {
    testing::TempDir dir;
    ::mkdir(dir.path("sub").c_str(), 0755);
    testing::FakeHost host;
    TForm1 form(host);
    form.SetDecimalMark('.');
    std::mt19937 rng(20261207);
    const QString paths[] = {QString::fromStdString(dir.path("a.dat")),
                             QString::fromStdString(dir.path("sub/b.dxf")),
                             QString::fromStdString(dir.path("no/such/folder/c.dat")),
                             QString::fromStdString(dir.path("sub")),
                             QString::fromStdString(dir.path("a.dat/through.dxf"))};
    // Fewer under the sanitizers, where each action costs ten times as much.
    const char* actionsWanted = std::getenv("PLATECAM_MONKEY_ACTIONS");
    const int Actions = actionsWanted ? std::atoi(actionsWanted) : 10000;
    int messages = 0;
    for (int n = 0; n < Actions; ++n) {
        const int action = std::uniform_int_distribution<int>(0, 22)(rng);
        auto answer = [&] {
            if (std::uniform_int_distribution<int>(0, 3)(rng) == 0) {
                host.Answer(std::nullopt);
            } else {
                host.Answer(paths[std::uniform_int_distribution<int>(0, 4)(rng)]);
            }
        };
        try {
            switch (action) {
                case 0: case 1: form.Button1Click(); break;
                case 2: form.Button2Click(); break;
                case 3: answer(); form.Button3Click(); break;
                case 4: form.Button4Click(); break;
                case 5: form.Button5Click(); break;
                case 6: form.Button6Click(); break;
                case 7: form.Button7Click(); break;
                case 8: answer(); form.Button8Click(); break;
                case 9: answer(); form.Button9Click(); break;
                case 10: form.Button10Click(); break;
                case 11: case 12: {
                    form.StringGrid1->SetCurrentRow(std::uniform_int_distribution<int>(1, 20)(rng));
                    if (action == 11) form.Button11Click(); else form.Button12Click();
                    break;
                }
                case 13: case 14: case 15: case 16: {
                    const int row = std::uniform_int_distribution<int>(1, 20)(rng);
                    form.StringGrid1->SetCell(1 + (action & 1), row, RandomText(rng));
                    break;
                }
                case 17: (action & 1 ? form.Edit1 : form.Edit2)->setText(RandomText(rng)); break;
                case 18:
                    form.rg3->SetItemIndex(std::uniform_int_distribution<int>(0, 2)(rng));
                    form.rg3Click();
                    break;
                case 19: form.RG1->SetItemIndex(std::uniform_int_distribution<int>(0, 2)(rng)); break;
                case 20: form.rg2->SetItemIndex(std::uniform_int_distribution<int>(0, 2)(rng)); break;
                case 21: form.CheckBox1->setChecked(!form.CheckBox1->isChecked()); break;
                case 22:  // a sound design again: a bad cell would fail every computation
                    form.FormCreate();
                    form.Edit1->setText("45");
                    form.Edit2->setText("10");
                    break;
            }
            // Ticks of a running animation.
            for (int tick = 0; tick < 3 && form.Timer1.Enabled(); ++tick) form.Timer1Timer();
        } catch (...) {
            FAIL() << "an exception escaped action " << action << " at step " << n;
        }
        for (; messages < static_cast<int>(host.errors.size()); ++messages) {
            ASSERT_TRUE(IsProgramMessage(host.errors[messages]))
                << "step " << n << ": " << host.errors[messages].toStdString();
        }
        for (const QString& info : host.information) {
            ASSERT_EQ(info, QStringLiteral("コロに対して変動が大きすぎる"));
        }
        const CamDesign& d = form.Design();
        ASSERT_GE(d.AnimationAngle, 0);
        ASSERT_LE(d.AnimationAngle, 359);
        for (int i = 0; i < SampleCount; ++i) {
            ASSERT_TRUE(std::isfinite(d.Displacement[i]) && std::isfinite(d.CamProfile[i].x) &&
                        std::isfinite(d.CamProfile[i].y) && std::isfinite(d.PressureAngle[i]))
                << "step " << n;
        }
    }
    RecordProperty("actions", Actions);
    RecordProperty("messages", messages);
    EXPECT_GT(messages, 0) << "the monkey should have met the program's messages";
}

}  // namespace
}  // namespace platecam
