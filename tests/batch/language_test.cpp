// platecam-batch in English and Japanese: usage errors, the help's layout, the check's
// lines, and stored files that are the same bytes in every locale.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "files/save_file.h"
#include "tests/batch/batch_run.h"
#include "tests/files/temp_dir.h"

namespace platecam {
namespace {

using testing::Batch;
using testing::BatchRun;
using testing::TempDir;

const std::string Data = PLATECAM_TEST_DATA;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Terminal columns, by the C library's wcwidth (East Asian characters take two).
int Columns(const std::string& line) {
    std::wstring wide(line.size() + 1, L'\0');
    const std::size_t n = std::mbstowcs(wide.data(), line.c_str(), wide.size());
    if (n == static_cast<std::size_t>(-1)) return 1000;
    return ::wcswidth(wide.c_str(), n);
}

bool HasJapanese(const std::string& line) {
    for (unsigned char c : line) {
        if (c == 0xE3 || (c >= 0xE4 && c <= 0xE9) || c == 0xEF) return true;  // kana, kanji, fullwidth
    }
    return false;
}

TEST(BatchLanguage, UsageErrorsInBothLanguages) {
    const std::string design = Data + "/cam1.dat";
    struct Case {
        std::vector<std::string> arguments;
        const char* english;
        const char* japanese;
    };
    const Case cases[] = {
        {{}, "no design given: name a design file or a design document",
         "設計が指定されていません: 設計ファイルか設計ドキュメントを指定してください"},
        {{design, "--frobnicate=1"}, "unknown option --frobnicate", "--frobnicate は不明なオプションです"},
        {{design, "other.dat"}, "unexpected argument 'other.dat': one design at a time",
         "余分な引数 'other.dat' があります: 設計は 1 つだけ指定してください"},
        {{design, "--dxf"}, "--dxf needs a value: OUT.dxf", "--dxf には値 (OUT.dxf) が必要です"},
        {{design, "--points"}, "--points works only together with --dxf",
         "--points は --dxf と一緒に指定したときだけ使えます"},
        {{design, "--csv", "a.csv", "--csv", "b.csv"}, "--csv is given more than once",
         "--csv が 2 回以上指定されています"},
        {{design, "--check=maybe"}, "--check takes no value", "--check には値を指定できません"},
        {{design, "--base", "4,5"}, "--base: needs a number, not '4,5'",
         "--base: 数値を指定してください ('4,5' は数値ではありません)"},
        {{design, "--max-pressure", "90"}, "--max-pressure: must be greater than 0° and less than 90°",
         "--max-pressure: 0° より大きく 90° 未満でなければなりません"},
        {{design, "--resolution", "0.3"}, "--resolution: must be one of 1, 0.5, 0.2, not '0.3'",
         "--resolution: '0.3' は使えません。1, 0.5, 0.2 のいずれかを指定してください"},
        {{design, "--title-block", "bore_diameter=-2"},
         "--title-block: bore_diameter: must be greater than 0 mm and less than 2000000 mm",
         "--title-block: bore_diameter: 0 mm より大きく 2000000 mm 未満でなければなりません"},
        {{design, "--title-block", "material=S45C\x1b[31m"},
         "--title-block: material: must be UTF-8 text without control characters",
         "--title-block: material: 制御文字を含まない UTF-8 の文字列でなければなりません"},
        {{design, "--title-block", "part_number=gpj\u202eexe"},
         "--title-block: part_number: must not hold characters that change the direction of the "
         "text (such as U+202E)",
         "--title-block: part_number: 文字の向きを変える文字 (U+202E など) を含んではなりません"},
    };
    for (const Case& c : cases) {
        for (const bool japanese : {false, true}) {
            std::vector<std::string> arguments = {"--lang", japanese ? "ja" : "en"};
            arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
            const BatchRun run = Batch(arguments);
            EXPECT_EQ(run.status, 2);
            EXPECT_EQ(run.err, "platecam-batch: " + std::string(japanese ? c.japanese : c.english) + "\n" +
                                   (japanese ? "詳しくは 'platecam-batch --help' を実行してください。\n"
                                             : "Try 'platecam-batch --help'.\n"));
        }
    }
}

// The usage line first, every option with its description in one column, no line wider
// than a terminal, none of the parser's own notation, every description translated.
TEST(BatchLanguage, HelpReadsWellInBothLanguages) {
    const std::string savedType = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    const char* const options[] = {"DESIGN", "--law LAW", "--resolution 1|0.5|0.2", "--base MM", "--roller MM",
                                   "--rpm RPM", "--dxf OUT.dxf", "--points", "--csv OUT.csv", "--json OUT.json",
                                   "--report OUT.pdf", "--save-design OUT.toml", "--drawing OUT.dxf",
                                   "--title-block KEY=VALUE", "--tolerance MM", "--toolpath OUT.dxf",
                                   "--gcode OUT.nc", "--lift-table OUT.csv", "--lift-step DEG",
                                   "--table-step DEG", "--check", "--max-pressure DEG", "--size-base", "--size-offset",
                                   "--rpm-sweep FROM:TO:STEP", "--sweep-csv OUT.csv",
                                   "--min-base MM", "--lang ja|en", "-h, --help", "--version"};
    for (const bool japanese : {false, true}) {
        const BatchRun run = Batch({"--help", "--lang", japanese ? "ja" : "en"});
        ASSERT_EQ(run.status, 0);
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], japanese ? "使用法: platecam-batch [OPTIONS] DESIGN" : "Usage: platecam-batch [OPTIONS] DESIGN");
        std::set<std::size_t> columns;
        int entries = 0;
        for (const std::string& line : lines) {
            EXPECT_LE(Columns(line), 80) << line;
            for (const char* artefact : {"Needs", "REQUIRED", "TEXT", "Positionals", "[Option"}) {
                EXPECT_EQ(line.find(artefact), std::string::npos) << line;
            }
            if (line.rfind("  ", 0) != 0) continue;
            // An entry "  LABEL  description" or a description's next line.
            const std::size_t label = line.find_first_not_of(' ');
            const std::size_t description = label > 2 ? label : line.find("  ", label) + 2;
            columns.insert(line.find_first_not_of(' ', description));
            if (label == 2) {
                ++entries;
                const std::size_t end = line.find("  ", 2);
                bool known = false;
                for (const char* o : options) known = known || line.substr(2, end - 2) == o;
                EXPECT_TRUE(known) << line;
                EXPECT_TRUE(!japanese || HasJapanese(line)) << line;
            }
        }
        EXPECT_EQ(entries, static_cast<int>(std::size(options)));
        EXPECT_EQ(columns.size(), 1u) << run.out;
    }
    std::setlocale(LC_CTYPE, savedType.c_str());
}

// Every line of the check speaks the language asked for: the followers, the loads, the
// sizing and what is no cam.
TEST(BatchLanguage, CheckLinesInTheLanguageAskedFor) {
    TempDir dir;
    const std::string motion = "[[motion]]\nangle = 0\nlift = 0.0\n[[motion]]\nangle = 120\nlift = 10.0\n"
                               "[[motion]]\nangle = 360\nlift = 0.0\n";
    const std::string designs[] = {
        "[cam]\nbase_radius = 40.0\nlaw = \"cycloid\"\nresolution = 1.0\nrpm = 1000\n[follower]\nkind = \"roller\"\nroller_radius = 10.0\n"
        "offset = 5.0\n" + motion +
            "[dynamics]\nmass = 1.8\nspring_rate = 15.0\npreload = 37.5\n"
            "[contact]\nwidth = 10.0\nelastic_modulus = 206000.0\npoisson_ratio = 0.3\n",
        "[cam]\nbase_radius = 40.0\nlaw = \"cycloid\"\nresolution = 1.0\nmin_radius_of_curvature = 5.0\n[follower]\nkind = \"flat\"\n"
        "face_width = 10.0\n" + motion,
        "[cam]\nbase_radius = 40.0\nlaw = \"cycloid\"\nresolution = 1.0\n[follower]\nkind = \"swing-roller\"\nroller_radius = 10.0\n"
        "arm_length = 80.0\npivot_distance = 100.0\n" + motion,
        "[cam]\nbase_radius = 40.0\nlaw = \"cycloid\"\nresolution = 1.0\n[follower]\nkind = \"roller\"\nroller_radius = 10.0\n"
        "[[motion]]\nangle = 0\nlift = 0.0\n[[motion]]\nangle = 360\nlift = 0.0\n",
    };
    for (const std::string& design : designs) {
        std::ofstream(dir.path("cam.toml")) << "format = 2\n" << design;
        for (const bool japanese : {false, true}) {
            const BatchRun run =
                Batch({dir.path("cam.toml"), "--check", "--size-base", "--lang", japanese ? "ja" : "en"});
            ASSERT_NE(run.status, 2) << run.err;
            for (const std::string& line : Lines(run.out)) EXPECT_EQ(HasJapanese(line), japanese) << line;
        }
    }
    const BatchRun run = Batch({Data + "/cam1.toml", "--check", "--lang", "ja"});
    EXPECT_NE(run.out.find("\n圧力角: 最大 17.7036° (カム角 59°)、最小 -23.9907° (カム角 222.5°)、"
                           "判定基準 ±30°  合格\n"),
              std::string::npos)
        << run.out;
}

// The whole process under the C, a Japanese and a German (decimal comma) locale: the same
// bytes in every stored file, the check and the drawing's labels in the locale's language.
TEST(BatchProcess, StoredFilesAreTheSameBytesInEveryLocale) {
    TempDir dir;
    // Built here from glibc's sources when the system lacks them.
    const std::string locales = dir.path("locales");
    std::filesystem::create_directory(locales);
    for (const char* name : {"de_DE", "ja_JP"}) {
        const std::string command =
            "localedef -i " + std::string(name) + " -f UTF-8 " + locales + "/" + name + ".UTF-8 2>/dev/null";
        if (std::system(command.c_str()) != 0) GTEST_SKIP() << "localedef cannot build " << name << ".UTF-8";
    }
    std::ofstream(dir.path("flat.toml")) << "format = 2\n[cam]\nbase_radius = 40.0\nlaw = \"cycloid\"\nresolution = 1.0\n[follower]\n"
                                            "kind = \"roller\"\nroller_radius = 10.0\n[[motion]]\nangle = 0\n"
                                            "lift = 0.0\n[[motion]]\nangle = 360\nlift = 0.0\n";
    const char* const outputs[] = {"cam.dxf", "cam.csv", "cam.json", "saved.toml", "drawing.dxf"};
    for (const std::string& design : {Data + "/cam1.dat", Data + "/cam1.toml", dir.path("flat.toml")}) {
        std::string first[std::size(outputs)];
        for (const std::string locale : {"C", "ja_JP.UTF-8", "de_DE.UTF-8"}) {
            const std::string out = dir.path(locale);
            std::filesystem::create_directory(out);
            const std::string command = "cd " + out + " && LOCPATH=" + locales + " LC_ALL=" + locale + " " +
                                        PLATECAM_BATCH_EXE + " " + design +
                                        " --dxf cam.dxf --csv cam.csv --json cam.json --save-design saved.toml"
                                        " --drawing drawing.dxf --check >check.txt 2>&1";
            const int status = std::system(command.c_str());
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) < 2) << ReadWholeFile(out + "/check.txt", 1 << 20);
            for (std::size_t k = 0; k < std::size(outputs); ++k) {
                const std::string bytes = ReadWholeFile(out + "/" + outputs[k], 1 << 24);
                if (locale == "C") first[k] = bytes;
                // The drawing's labels speak the locale's language; its numbers never
                // follow the locale.
                if (std::string(outputs[k]) == "drawing.dxf" && locale == "ja_JP.UTF-8") {
                    EXPECT_NE(bytes.find("\x8F\x6B\x8E\xDA 1:1"), std::string::npos) << "縮尺 in Shift_JIS";
                    continue;
                }
                EXPECT_TRUE(bytes == first[k]) << design << " " << outputs[k] << " under " << locale;
            }
            const std::string check = ReadWholeFile(out + "/check.txt", 1 << 20);
            const bool japanese = locale == "ja_JP.UTF-8";
            EXPECT_NE(check.find(japanese ? "\n結果: " : "\nresult: "), std::string::npos) << check;
            // The second line names a design file's law by the window's Japanese caption.
            EXPECT_TRUE(japanese || !HasJapanese(check.substr(check.find('\n', check.find('\n') + 1))));
        }
        EXPECT_FALSE(first[0].empty() || first[2].empty());
    }
}

}  // namespace
}  // namespace platecam
