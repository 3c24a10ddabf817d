// The design report as platecam-batch hands it over: the language the reader's locale
// asks for, the segment table and charts against the closed forms of the cycloid, the
// follower where its geometry puts it, the jump regions where the loads say so, and the
// contour's coordinates as the PDF reads back.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>

#include "batch/options.h"
#include "batch/report_input.h"
#include "batch/report_module.h"
#include "batch/run.h"
#include "files/save_file.h"
#include "base/language.h"
#include "tests/files/temp_dir.h"
#include "tests/report/report_designs.h"

namespace platecam {
namespace {

using testing::TempDir;

constexpr double Pi = 3.141592653589793;

// What a run with --report hands the module.
ReportInput ReportOf(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--report", "unused.pdf"});
    const BatchOptions options = ParseBatchOptions(arguments);
    return MakeReportInput(ComputeRun(options));
}

std::string Put(const TempDir& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir.path(name)) << text;
    return dir.path(name);
}

// The whole process in a clean environment, as `nobody` when the tests run as root;
// returns the report's text as pdftotext extracts it (with `layout`, the columns keep
// their places on the line), or the failure.
std::string ExtractedText(const TempDir& dir, const std::string& environment,
                          const std::string& arguments, bool layout = false) {
    const std::string user =
        ::geteuid() == 0 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
    // Only the sanitizers' settings pass from the test's environment.
    std::string sanitizers;
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name))
            sanitizers += std::string(name) + "='" + value + "' ";
    }
    const std::string command =
        "cd " + dir.path("") + " && " + user + "env -i PATH=/usr/bin:/bin " + sanitizers +
        environment + " " PLATECAM_BATCH_EXE " " + arguments + " --report r.pdf 2>err.txt" +
        " && pdftotext " + (layout ? "-layout " : "") + "r.pdf r.txt";
    ::unlink(dir.path("r.txt").c_str());
    const int status = std::system(command.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "(failed: " + ReadWholeFile(dir.path("err.txt"), 1 << 16) + ")";
    }
    return ReadWholeFile(dir.path("r.txt"), 1 << 22);
}

// Without the white space, a phrase reads the same where the layout wraps it.
std::string WithoutSpaces(std::string text) {
    text.erase(
        std::remove_if(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\n'; }),
        text.end());
    return text;
}

std::string ReportText(const TempDir& dir, const std::string& environment,
                       const std::string& arguments) {
    const std::string text = ExtractedText(dir, environment, arguments);
    return text.rfind("(failed: ", 0) == 0 ? text : WithoutSpaces(text);
}

bool Contains(const std::string& text, std::string phrase) {
    phrase.erase(std::remove(phrase.begin(), phrase.end(), ' '), phrase.end());
    return text.find(phrase) != std::string::npos;
}

TEST(ReportProcess, SpeaksTheLanguageOfTheLocaleOrOfLang) {
    TempDir dir;
    ::chmod(dir.path("").c_str(), 0777);
    std::ofstream(dir.path("cam1.toml")) << ReadWholeFile(PLATECAM_TEST_DATA "/cam1.toml", 1 << 20);
    ::chmod(dir.path("cam1.toml").c_str(), 0644);
    const char* japanese[] = {"板カム設計報告書: cam1",
                              "設計諸元",
                              "運動の区間",
                              "チェック",
                              "1 回転の運動と形状: cam1",
                              "カムは反時計回りに回転する"};
    const char* english[] = {"Plate cam design report: cam1",
                             "Design data",
                             "Segments of the motion",
                             "Checks",
                             "Motion and geometry over one revolution: cam1",
                             "the cam turns counter-clockwise"};
    struct Case {
        std::string environment, options;
        bool inJapanese;
    };
    const Case cases[] = {
        {"LANG=ja_JP.UTF-8", "", true},          {"LANG=C", "", false},
        {"LC_ALL=ja_JP.UTF-8 LANG=C", "", true}, {"LC_MESSAGES=C LANG=ja_JP.UTF-8", "", false},
        {"LANG=C", "--lang ja", true},           {"LANG=ja_JP.UTF-8", "--lang en", false},
    };
    for (const Case& c : cases) {
        const std::string text = ReportText(dir, c.environment, "cam1.toml " + c.options);
        // The design, the motion, the contour's coordinates.
        EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 3)
            << c.environment << " " << c.options << text;
        for (const char* expected : c.inJapanese ? japanese : english) {
            EXPECT_TRUE(Contains(text, expected))
                << c.environment << " " << c.options << ": " << expected;
        }
        for (const char* unexpected : c.inJapanese ? english : japanese) {
            EXPECT_FALSE(Contains(text, unexpected))
                << c.environment << " " << c.options << ": " << unexpected;
        }
    }
    // The loads at speed add their page; the title block comes from [drawing].
    const testing::ReportDesign roller = testing::ReportDesigns().front();
    std::ofstream(dir.path(roller.file)) << roller.text;
    ::chmod(dir.path(roller.file).c_str(), 0644);
    const std::string text = ReportText(dir, "LANG=ja_JP.UTF-8", roller.file);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 4) << text;
    for (const char* expected :
         {"600 rpm での 1 回転の荷重: roller", "接触力 [N]", "カム軸トルク [N·m]", "接触応力 [MPa]",
          "K-1024-03", "S45C 高周波焼入れ", "山田 太郎", "2025-03-14", "尺度 1:2"}) {
        EXPECT_TRUE(Contains(text, expected)) << expected;
    }
}

// The cycloid rise of h over beta: peaks 2h/beta, 2 pi h/beta^2, 4 pi^2 h/beta^3 per
// radian, and the in-line roller's pressure angle atan(s' / (Rp + s)) at its largest.
TEST(ReportInputOf, SegmentTableAgainstTheCycloidsClosedForms) {
    struct Expected {
        std::size_t row;
        double h, betaDeg;
        const char* kind;
        const char* change;
    };
    const Expected rows[] = {{1, 10, 60, "rise", "+10.00"},
                             {3, 10, 60, "rise", "+10.00"},
                             {5, 20, 80, "fall", "-20.00"}};
    for (const char* rpm : {"300", ""}) {
        std::vector<std::string> arguments = {PLATECAM_TEST_DATA "/cam1.toml"};
        if (*rpm) arguments.insert(arguments.end(), {"--rpm", rpm});
        const ReportInput r = ReportOf(arguments);
        ASSERT_EQ(r.segments.rows.size(), 7u);
        EXPECT_EQ(r.segments.header[7], *rpm ? "max |v| [mm/s]" : "max |v| [mm/rad]");
        EXPECT_EQ(r.segments.header[8], *rpm ? "max |a| [m/s²]" : "max |a| [mm/rad²]");
        EXPECT_EQ(r.segments.rows[0][4], "dwell");
        EXPECT_EQ(r.segments.rows[0][5], "0.00");
        const double w = *rpm ? 2 * Pi * 300 / 60 : 1;
        const double perTime = *rpm ? 1e-3 : 1;  // m/s² and m/s³ against mm/rad² and mm/rad³
        for (const Expected& e : rows) {
            const std::vector<std::string>& cells = r.segments.rows[e.row];
            const double beta = e.betaDeg * Pi / 180;
            EXPECT_EQ(cells[4], e.kind);
            EXPECT_EQ(cells[5], e.change);
            EXPECT_EQ(cells[3], std::to_string(static_cast<int>(e.betaDeg)) + ".0°");
            EXPECT_NEAR(std::stod(cells[7]) / (2 * e.h / beta * w), 1, 5e-4) << cells[7];
            EXPECT_NEAR(std::stod(cells[8]) / (2 * Pi * e.h / (beta * beta) * w * w * perTime), 1,
                        5e-4)
                << cells[8];
            EXPECT_NEAR(std::stod(cells[9]) /
                            (4 * Pi * Pi * e.h / (beta * beta * beta) * w * w * w * perTime),
                        1, 5e-4)
                << cells[9];
            const double start = e.row == 5 ? 20 : e.row == 3 ? 10 : 0;
            double pressure = 0;
            for (int k = 0; k <= 20000; ++k) {
                const double x = k / 20000.0, u = e.row == 5 ? 1 - x : x;
                const double s =
                    start + (e.row == 5 ? -e.h * (1 - (u - std::sin(2 * Pi * u) / (2 * Pi)))
                                        : e.h * (u - std::sin(2 * Pi * u) / (2 * Pi)));
                const double v = e.h / beta * (1 - std::cos(2 * Pi * u)) * (e.row == 5 ? -1 : 1);
                pressure = std::max(pressure, std::fabs(std::atan(v / (55 + s)) * 180 / Pi));
            }
            EXPECT_NEAR(std::stod(cells[10]), pressure, 0.05 + 1e-9) << cells[10];
        }
    }
}

TEST(ReportInputOf, ChartsAndFigureOfTheStartUpDesign) {
    const ReportInput r =
        ReportOf({PLATECAM_TEST_DATA "/cam1.dat", "--resolution", "0.2", "--rpm", "300"});
    ASSERT_EQ(r.motion.x.size(), 1800u);
    EXPECT_EQ(r.motion.x[300], 60.0);
    ASSERT_EQ(r.motion.charts.size(), 6u);
    auto largest = [&](std::size_t chart) {
        double m = 0;
        for (const auto& y : r.motion.charts[chart].y) m = std::max(m, std::fabs(y.value_or(0)));
        return m;
    };
    const double w = 10 * Pi, beta = Pi / 3;
    EXPECT_NEAR(largest(0), 20, 1e-12);
    EXPECT_NEAR(largest(1), 2 * 20 / (4 * Pi / 9) * w, 1e-9);  // the fall: 900 mm/s
    EXPECT_NEAR(largest(2), 2 * Pi * 20 / std::pow(4 * Pi / 9, 2) * w * w / 1000, 1e-9);  // m/s²
    EXPECT_NEAR(r.motion.charts[1].y[300].value(), 2 * 10 / beta * w, 1e-9);
    EXPECT_EQ(r.motion.charts[4].lines.size(), 2u);
    EXPECT_EQ(r.motion.charts[4].lines[0].value, 30);
    EXPECT_EQ(r.motion.charts[5].lines[0].value, 10);
    EXPECT_EQ(r.motion.boundaries, (std::vector<double>{30, 90, 110, 170, 180, 260}));
    EXPECT_FALSE(r.dynamics);
    // Reach 75 mm: 1:1 does not fit half the figure, 1:2 does.
    EXPECT_EQ(r.figure.scale, 0.5);
    EXPECT_EQ(r.figure.scaleText, "scale 1:2");
    EXPECT_EQ(r.titleBlock.back().value, "1:2");
    EXPECT_EQ(r.figure.follower, ReportFollower::Roller);
    EXPECT_NEAR(r.figure.rollerCentre.y, 55, 1e-9);
    EXPECT_EQ(r.figure.contour.size(), 1800u);
    EXPECT_EQ(r.figure.angleMarks.size(), 12u);
    EXPECT_NE(r.figure.legend.find("counter-clockwise"), std::string::npos);
}

TEST(ReportInputOf, FollowerOfEachKindWhereItsGeometryPutsIt) {
    TempDir dir;
    const auto designs = testing::ReportDesigns();
    // The offset roller on its line x = e at the prime circle.
    const ReportInput roller = ReportOf({Put(dir, designs[0].file, designs[0].text)});
    EXPECT_EQ(roller.figure.follower, ReportFollower::Roller);
    EXPECT_NEAR(roller.figure.rollerCentre.x, 5, 1e-9);
    EXPECT_NEAR(roller.figure.rollerCentre.y, std::sqrt(55.0 * 55 - 25), 1e-9);
    EXPECT_EQ(roller.figure.boreDiameter, 30.0);
    // The flat face at the base circle, at least as wide as it is.
    const ReportInput flat = ReportOf({Put(dir, designs[1].file, designs[1].text)});
    EXPECT_EQ(flat.figure.follower, ReportFollower::Flat);
    EXPECT_TRUE(flat.figure.pitch.empty());
    EXPECT_NEAR(flat.figure.faceY, 60, 1e-9);
    EXPECT_LE(flat.figure.faceFrom, -30);
    EXPECT_GE(flat.figure.faceTo, 30);
    // The arm's pivot closes the triangle: cam centre to pivot, pivot to roller at rest.
    const ReportInput swing = ReportOf({Put(dir, designs[2].file, designs[2].text)});
    const ReportFigure& f = swing.figure;
    EXPECT_EQ(f.follower, ReportFollower::SwingRoller);
    EXPECT_NEAR(std::hypot(f.pivot.x, f.pivot.y), 100, 1e-9);
    EXPECT_NEAR(std::hypot(f.pivot.x - f.rollerCentre.x, f.pivot.y - f.rollerCentre.y), 80, 1e-9);
    EXPECT_GT(f.pivot.x, 0);
    EXPECT_EQ(swing.segments.header[5], "lift change [°]");
    EXPECT_EQ(swing.segments.rows[0][5], "+12.0");
}

// At a given speed the report is per second throughout: the jumps at the joins as the
// segment table and the charts, for a translating follower and an arm alike.
TEST(ReportInputOf, JoinsInTheUnitsOfTheSegmentTable) {
    TempDir dir;
    struct Case {
        const char* follower;
        const char* perSecond;  // the acceleration's unit at speed
        const char* perRadian;
    };
    const Case cases[] = {
        {"kind = \"swing-roller\"\nroller_radius = 10.0\narm_length = 80.0\npivot_distance = 100.0\n",
         "rad/s²", "rad/rad²"},
        {"kind = \"roller\"\nroller_radius = 10.0\n", "m/s²", "mm/rad²"},
    };
    for (const Case& c : cases) {
        const std::string file = Put(
            dir, "joins.toml",
            "format = 2\n[cam]\nbase_radius = 40.0\nresolution = 0.5\nlaw = \"simple-harmonic\"\n"
            "[follower]\n" + std::string(c.follower) +
                testing::ReportRows({{0, 0}, {60, 0}, {150, 12}, {210, 12}, {300, 0}, {360, 0}}));
        for (const char* rpm : {"60", ""}) {
            std::vector<std::string> arguments = {file};
            if (*rpm) arguments.insert(arguments.end(), {"--rpm", rpm});
            const ReportInput r = ReportOf(arguments);
            const char* unit = *rpm ? c.perSecond : c.perRadian;
            ASSERT_EQ(r.segments.header[8], std::string("max |a| [") + unit + "]");
            int joins = 0;
            for (const ReportCheck& check : r.checks) {
                if (check.check.rfind("join at", 0) != 0) continue;
                ++joins;
                EXPECT_NE(check.value.find(std::string(" ") + unit), std::string::npos)
                    << c.follower << " at " << rpm << " rpm: " << check.value;
            }
            EXPECT_EQ(joins, 4) << c.follower;
        }
    }
}

// Japanese lines end only where Japanese allows: between words, after particles and
// punctuation, never inside a kanji compound, a katakana word or before a kana ending. The
// check table's cells wrap in these examples.
TEST(ReportProcess, JapaneseBreaksOnlyBetweenWords) {
    TempDir dir;
    ::chmod(dir.path("").c_str(), 0777);
    const char* words[] = {"最大躍度", "最大加速度", "最大速度", "あたり", "ありません", "運動特性"};
    for (const char* design : {"cam1.toml", "swing-arm.toml", "flat-face.toml", "loads.toml"}) {
        std::ofstream(dir.path(design))
            << ReadWholeFile(PLATECAM_SOURCE_DIR "/examples/" + std::string(design), 1 << 20);
        ::chmod(dir.path(design).c_str(), 0644);
        const std::string text = ExtractedText(dir, "LANG=C", std::string(design) + " --lang ja", true);
        ASSERT_EQ(text.rfind("(failed: ", 0), std::string::npos) << text;
        for (const std::string word : words) {
            // Each start of the word (all but its last character) goes on to its end.
            const std::string start = word.substr(0, word.size() - 3);
            std::size_t starts = 0, whole = 0;
            for (std::size_t at = text.find(start); at != std::string::npos; at = text.find(start, at + 1)) {
                ++starts;
                whole += text.compare(at, word.size(), word) == 0;
            }
            EXPECT_EQ(starts, whole) << design << ": " << word << " broken";
        }
    }
}

// The published example leaves the cam at 88.25° at 1000 rpm and holds on up to 780 rpm.
TEST(ReportInputOf, JumpRegionsAreShadedWhereTheFollowerLeavesTheCam) {
    TempDir dir;
    const std::string doc =
        "format = 2\n[cam]\nbase_radius = 40.0\nresolution = 0.5\nlaw = \"cycloid\"\nrpm = 1000\n"
        "[follower]\nkind = \"roller\"\nroller_radius = 10.0\n" +
        testing::ReportRows({{0, 0}, {120, 10}, {180, 10}, {300, 0}, {360, 0}}) +
        "[dynamics]\nmass = 1.8\nspring_rate = 15.0\npreload = 37.5\n";
    const std::string file = Put(dir, "dyn.toml", doc);
    const ReportInput fast = ReportOf({file});
    ASSERT_TRUE(fast.dynamics);
    ASSERT_EQ(fast.dynamics->charts.size(), 2u) << "no [contact]: no stress chart";
    const auto& bands = fast.dynamics->charts[0].bands;
    EXPECT_TRUE(std::any_of(bands.begin(), bands.end(),
                            [](auto b) { return b.first <= 88.25 && 88.25 <= b.second; }));
    const ReportInput slow = ReportOf({file, "--rpm", "770"});
    ASSERT_TRUE(slow.dynamics);
    EXPECT_TRUE(slow.dynamics->charts[0].bands.empty());
    EXPECT_EQ(slow.dynamics->charts[0].lines[0].value, 0);
}

TEST(ReportInputOf, TitleBlockFromTheDocumentAndTheOptions) {
    TempDir dir;
    const auto designs = testing::ReportDesigns();
    const std::string file = Put(dir, designs[0].file, designs[0].text);
    auto field = [](const ReportInput& r, const std::string& label) {
        for (const ReportField& f : r.titleBlock) {
            if (f.label == label) return f.value;
        }
        return std::string("(none)");
    };
    const ReportInput given =
        ReportOf({file, "--title-block", "material=SCM440", "--title-block", "checker="});
    EXPECT_EQ(field(given, "design name"), "roller");
    EXPECT_EQ(field(given, "material"), "SCM440");
    EXPECT_EQ(field(given, "part number"), "K-1024-03");
    EXPECT_EQ(field(given, "date"), "2025-03-14");
    EXPECT_EQ(field(given, "checker"), "") << "an empty value clears the document's";
    char today[16];
    const std::time_t now = std::time(nullptr);
    std::strftime(today, sizeof today, "%Y-%m-%d", std::localtime(&now));
    const ReportInput bare = ReportOf({PLATECAM_TEST_DATA "/cam1.dat"});
    EXPECT_EQ(field(bare, "date"), today);
    EXPECT_EQ(field(bare, "designer"), "");
    EXPECT_EQ(bare.titleBlock.size(), 8u);
}

// ---------------------------------------------------------------- the contour's coordinates

// The designs and steps the coordinate pages are tried with: a revolution at 5° on one
// page after the design and the motion, at 0.5° (720 rows) and 0.7° (515 rows, the last
// page's not shared evenly between the blocks) on several.
struct CoordinateCase {
    const char* design;
    const char* step;
    int pages, coordinatePages;
};
const CoordinateCase CoordinateCases[] = {{"cam1.toml", "5", 3, 1},
                                          {"cam1.toml", "0.5", 6, 4},
                                          {"flat-face.toml", "5", 3, 1},
                                          {"flat-face.toml", "0.7", 5, 3}};

// The table's rows as pdftotext -layout sets the pages: the lines of figures only, four
// to a block side by side, read down each block and then across.
std::vector<std::vector<std::string>> FigureRows(const std::vector<std::string>& pages) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& page : pages) {
        std::vector<std::vector<std::vector<std::string>>> blocks;  // block, line, cells
        std::istringstream lines(page);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::vector<std::string> figures;
            bool onlyFigures = true;
            for (std::string word; words >> word;) {
                char* end = nullptr;
                std::strtod(word.c_str(), &end);
                onlyFigures = onlyFigures && *end == '\0';
                figures.push_back(word);
            }
            if (!onlyFigures || figures.empty() || figures.size() % 4 != 0) continue;
            blocks.resize(std::max(blocks.size(), figures.size() / 4));
            for (std::size_t b = 0; b < figures.size() / 4; ++b) {
                blocks[b].emplace_back(figures.begin() + 4 * b, figures.begin() + 4 * b + 4);
            }
        }
        for (const auto& block : blocks) rows.insert(rows.end(), block.begin(), block.end());
    }
    return rows;
}

// How far the words of each page of the report last written in `dir` reach, mm from the
// page's top left corner, as pdftotext -bbox places them.
struct WordExtent {
    double left = 1e9, right = 0, bottom = 0;
};
std::vector<WordExtent> WordExtents(const TempDir& dir) {
    const std::string command = "pdftotext -bbox " + dir.path("r.pdf") + " " + dir.path("b.html");
    if (std::system(command.c_str()) != 0) return {};
    const std::string html = ReadWholeFile(dir.path("b.html"), 1 << 24);
    const std::regex item(
        R"re(<page |<word xMin="([\d.]+)" yMin="[\d.]+" xMax="([\d.]+)" yMax="([\d.]+)")re");
    std::vector<WordExtent> pages;
    for (std::sregex_iterator m(html.begin(), html.end(), item), end; m != end; ++m) {
        if (!(*m)[1].matched) {
            pages.emplace_back();
            continue;
        }
        if (pages.empty()) continue;
        auto mm = [&](int k) { return std::stod((*m)[k].str()) * 25.4 / 72; };
        pages.back().left = std::min(pages.back().left, mm(1));
        pages.back().right = std::max(pages.back().right, mm(2));
        pages.back().bottom = std::max(pages.back().bottom, mm(3));
    }
    return pages;
}

// The contact point at cam angle 0 from the --csv output.
std::pair<double, double> CsvContactAtZero(const std::string& path) {
    std::istringstream csv(ReadWholeFile(path, 1 << 24));
    std::string line;
    std::getline(csv, line);
    std::vector<std::string> names;
    for (std::istringstream header(line); std::getline(header, line, ',');) names.push_back(line);
    std::getline(csv, line);
    std::vector<double> values;
    for (std::istringstream row(line); std::getline(row, line, ',');)
        values.push_back(std::stod(line));
    auto column = [&](const std::string& name) {
        const auto at = std::find(names.begin(), names.end(), name);
        return at == names.end() || values.empty()
                   ? NAN
                   : values.at(static_cast<std::size_t>(at - names.begin()));
    };
    EXPECT_EQ(column("cam_angle_deg"), 0);
    return {column("contact_x_mm"), column("contact_y_mm")};
}

// The coordinate pages as the reader gets them: numbered with the rest, "(continued)" after
// the first, every row once and in order with the figures handed to the module. Each
// radius is the distance of its x and y from the centre, and the point at 0° is the
// contact point the CSV gives there.
TEST(ReportProcess, CoordinatePagesHoldEveryRowAsHandedOver) {
    TempDir dir;
    ::chmod(dir.path("").c_str(), 0777);
    for (const CoordinateCase& c : CoordinateCases) {
        const std::string label = std::string(c.design) + " at " + c.step + "°";
        const std::string design = dir.path(c.design);
        std::ofstream(design) << ReadWholeFile(
            PLATECAM_SOURCE_DIR "/examples/" + std::string(c.design), 1 << 20);
        ::chmod(design.c_str(), 0644);
        const std::string text =
            ExtractedText(dir, "LANG=C",
                          std::string(c.design) + " --table-step " + c.step + " --csv c.csv", true);
        const ReportInput r = ReportOf({design, "--table-step", c.step});

        std::vector<std::string> pages;
        for (std::size_t from = 0, end; (end = text.find('\f', from)) != std::string::npos;
             from = end + 1)
            pages.push_back(text.substr(from, end - from));
        ASSERT_EQ(pages.size(), static_cast<std::size_t>(c.pages)) << label << text;
        std::vector<std::string> coordinatePages;
        for (std::size_t k = 0; k < pages.size(); ++k) {
            const std::string page = WithoutSpaces(pages[k]);
            EXPECT_TRUE(
                Contains(page, "page " + std::to_string(k + 1) + " of " + std::to_string(c.pages)))
                << label << " page " << k + 1;
            if (!Contains(page, r.coordinatesHeading)) continue;
            EXPECT_EQ(Contains(page, r.coordinatesHeading + r.continued), !coordinatePages.empty())
                << label << " page " << k + 1;
            coordinatePages.push_back(pages[k]);
        }
        ASSERT_EQ(coordinatePages.size(), static_cast<std::size_t>(c.coordinatePages)) << label;
        // The rows stay in the text area: between the margins, above the foot.
        const std::vector<WordExtent> extents = WordExtents(dir);
        ASSERT_EQ(extents.size(), pages.size()) << label;
        for (std::size_t k = pages.size() - coordinatePages.size(); k < pages.size(); ++k) {
            EXPECT_GE(extents[k].left, 15 - 0.05) << label << " page " << k + 1;
            EXPECT_LE(extents[k].right, 195 + 0.05) << label << " page " << k + 1;
            EXPECT_LE(extents[k].bottom, 286) << label << " page " << k + 1;
        }
        EXPECT_TRUE(Contains(WithoutSpaces(coordinatePages.front()), r.coordinatesNote)) << label;

        const std::vector<std::vector<std::string>> rows = FigureRows(coordinatePages);
        const double step = std::stod(c.step);
        // Every step that starts within the revolution.
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(std::ceil(360 / step))) << label;
        ASSERT_EQ(r.coordinates.rows.size(), rows.size()) << label;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            ASSERT_EQ(rows[k], r.coordinates.rows[k]) << label << " row " << k;
            const double radius = std::stod(rows[k][1]), x = std::stod(rows[k][2]),
                         y = std::stod(rows[k][3]);
            ASSERT_NEAR(std::stod(rows[k][0]), static_cast<double>(k) * step, 1e-9) << label;
            // Each figure is rounded to 5e-5: the distance of x and y by 5e-5·√2 at most.
            ASSERT_NEAR(radius, std::hypot(x, y), 1.25e-4) << label << " row " << k;
        }
        const auto [x0, y0] = CsvContactAtZero(dir.path("c.csv"));
        EXPECT_NEAR(std::stod(rows[0][2]), x0, 5e-5) << label;
        EXPECT_NEAR(std::stod(rows[0][3]), y0, 5e-5) << label;
    }
}

// The module's layout check, found where platecam-batch finds its module.
CheckReportLayoutFunction LayoutCheck() {
    std::string error;
    const RenderReportFunction render = LoadReportModule(error);
    Dl_info module{};
    if (!render || ::dladdr(reinterpret_cast<void*>(render), &module) == 0) return nullptr;
    void* handle = ::dlopen(module.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    return handle ? reinterpret_cast<CheckReportLayoutFunction>(
                        ::dlsym(handle, CheckReportLayoutSymbol))
                  : nullptr;
}

// In both languages every text of the coordinate pages stays in its box and they are as
// many as the rows need; a table without rows adds no page.
TEST(ReportLayoutOf, CoordinatePagesFitInBothLanguages) {
    const CheckReportLayoutFunction check = LayoutCheck();
    ASSERT_TRUE(check);
    struct EnglishAfterwards {
        ~EnglishAfterwards() { UseLanguage(Language::English, PLATECAM_TEST_LOCALE_DIR); }
    } englishAfterwards;
    for (const Language language : {Language::English, Language::Japanese}) {
        UseLanguage(language, PLATECAM_TEST_LOCALE_DIR);
        for (const CoordinateCase& c : CoordinateCases) {
            const std::string label = std::string(c.design) + " at " + c.step + "°" +
                                      (language == Language::Japanese ? " in Japanese" : "");
            ReportInput r = ReportOf(
                {PLATECAM_SOURCE_DIR "/examples/" + std::string(c.design), "--table-step", c.step});
            EXPECT_EQ(r.title.rfind("板カム設計報告書", 0) == 0, language == Language::Japanese)
                << r.title;
            std::vector<ReportOverflow> overflows;
            int pages = 0;
            std::string error;
            ASSERT_TRUE(check(r, overflows, pages, error)) << label << ": " << error;
            EXPECT_EQ(pages, c.pages) << label;
            if (!overflows.empty()) {
                const ReportOverflow& o = overflows.front();
                ADD_FAILURE() << label << ": " << overflows.size()
                              << " texts do not fit, first on page " << o.page << ": \"" << o.text
                              << "\" needs " << o.needWidth << " x " << o.needHeight << " mm in "
                              << o.boxWidth << " x " << o.boxHeight << " mm";
            }
            r.coordinates.rows.clear();
            ASSERT_TRUE(check(r, overflows, pages, error)) << label << ": " << error;
            EXPECT_EQ(pages, c.pages - c.coordinatePages) << label;
        }
    }
}

// The module's check of what is drawn over what, found as LayoutCheck finds its own.
CheckReportDrawingFunction DrawingCheck() {
    const CheckReportLayoutFunction layout = LayoutCheck();
    Dl_info module{};
    if (!layout || ::dladdr(reinterpret_cast<void*>(layout), &module) == 0) return nullptr;
    void* handle = ::dlopen(module.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    return handle ? reinterpret_cast<CheckReportDrawingFunction>(
                        ::dlsym(handle, CheckReportDrawingSymbol))
                  : nullptr;
}

std::string Described(const ReportClash& c) {
    const char* kind = c.kind == ReportClashKind::TextOnLine   ? "over a line"
                       : c.kind == ReportClashKind::TextOnText ? "over a text"
                                                               : "a line off its axes";
    return "page " + std::to_string(c.page) + " at (" + std::to_string(c.x) + ", " +
           std::to_string(c.y) + ") mm: \"" + c.text + "\" " + kind +
           (c.other.empty() ? "" : " \"" + c.other + "\"");
}

struct Drawing {
    std::vector<ReportOverflow> overflows;
    std::vector<ReportClash> clashes;
};

Drawing DrawingOf(const ReportInput& input) {
    Drawing d;
    const CheckReportDrawingFunction check = DrawingCheck();
    if (!check) {
        ADD_FAILURE() << "no drawing check in the report module";
        return d;
    }
    int pages = 0;
    std::string error;
    EXPECT_TRUE(check(input, d.overflows, d.clashes, pages, error)) << error;
    return d;
}

// Every example and the extremes, in both languages: no text leaves its box, none is
// drawn over a curve, a line or another text, and no curve leaves its axes.
TEST(ReportLayoutOf, NothingDrawnOverAnythingElseInEveryDesign) {
    ASSERT_TRUE(DrawingCheck());
    struct EnglishAfterwards {
        ~EnglishAfterwards() { UseLanguage(Language::English, PLATECAM_TEST_LOCALE_DIR); }
    } englishAfterwards;
    TempDir dir;
    const std::string examples = PLATECAM_SOURCE_DIR "/examples/";
    struct Case {
        std::string file;
        std::vector<std::string> options;
    };
    std::vector<Case> cases;
    for (const char* name :
         {"arm-loads.toml", "cam1.dat", "cam1.toml", "fast-cam.toml", "feed-cam.toml",
          "flat-face.toml", "harmonic.toml", "loads.toml", "milling.toml", "offset-roller.toml",
          "swing-arm.toml"}) {
        cases.push_back({examples + name, {}});
    }
    // The figures against the speed, the design chart.
    cases.push_back({examples + "fast-cam.toml", {"--rpm-sweep", "200:2000:100"}});
    cases.push_back({examples + "offset-roller.toml", {"--size-base", "--size-offset"}});
    // Every follower kind, with loads and without, a table of 20 rows.
    for (const testing::ReportDesign& design : testing::ReportDesigns())
        cases.push_back({Put(dir, design.file, design.text), {}});
    // A file name of 100 characters.
    const std::string swing = ReadWholeFile(examples + "swing-arm.toml", 1 << 20);
    std::string longName = "a-very-long-design-file-name-for-the-swinging-arm-cam-of-the-packaging-line-station-12-rev-C";
    longName.resize(95, 'x');
    cases.push_back({Put(dir, longName + ".toml", swing), {}});
    cases.push_back({Put(dir, "swing-60.toml", swing + "\n"), {"--rpm", "60"}});
    // Arms whose pivot lies low on the right, where the cam's turn is drawn first.
    for (const char* arm : {"130.0", "140.0"}) {
        cases.push_back({Put(dir, std::string("arm-") + arm + ".toml",
                             std::regex_replace(swing, std::regex("arm_length = 80.0"),
                                                std::string("arm_length = ") + arm)),
                         {}});
    }
    // Flat faces of large radii of curvature, a roller cam of 1000 mm.
    const std::string flat = ReadWholeFile(examples + "flat-face.toml", 1 << 20);
    for (const char* radius : {"150.0", "1000.0"}) {
        cases.push_back({Put(dir, std::string("flat-") + radius + ".toml",
                             std::regex_replace(flat, std::regex("base_radius = 35.0"),
                                                std::string("base_radius = ") + radius)),
                         {}});
    }
    const std::string roller = ReadWholeFile(examples + "cam1.toml", 1 << 20);
    cases.push_back({Put(dir, "big.toml",
                         std::regex_replace(roller, std::regex("base_radius = [0-9.]+"),
                                            "base_radius = 1000.0")),
                     {}});
    for (const Language language : {Language::English, Language::Japanese}) {
        UseLanguage(language, PLATECAM_TEST_LOCALE_DIR);
        for (const Case& c : cases) {
            std::vector<std::string> arguments = c.options;
            arguments.insert(arguments.begin(), c.file);
            const Drawing d = DrawingOf(ReportOf(arguments));
            const std::string label =
                c.file + (language == Language::Japanese ? " in Japanese" : " in English");
            for (const ReportOverflow& o : d.overflows) {
                ADD_FAILURE() << label << ": page " << o.page << ": \"" << o.text << "\" needs "
                              << o.needWidth << " x " << o.needHeight << " mm in " << o.boxWidth
                              << " x " << o.boxHeight << " mm";
            }
            for (const ReportClash& clash : d.clashes) ADD_FAILURE() << label << ": " << Described(clash);
        }
    }
}

// The check names each kind of fault: a text run on over its neighbour, a label with no
// clear place on a chart whose curve fills it, a contour far outside its figure.
TEST(ReportLayoutOf, DrawingCheckNamesWhatIsDrawnOverWhat) {
    const ReportInput plain = ReportOf({PLATECAM_TEST_DATA "/cam1.toml"});
    ASSERT_TRUE(DrawingOf(plain).clashes.empty());
    struct Fault {
        const char* what;
        void (*spoil)(ReportInput&);
        ReportClashKind kind;
        int page;
    };
    const Fault faults[] = {
        {"a title-block value too long for its cell",
         [](ReportInput& r) { r.titleBlock[4].value = std::string(120, 'M'); },
         ReportClashKind::TextOnText, 1},
        {"a contour through the figure's scale",
         [](ReportInput& r) {
             // The figure's top left corner, where its scale is written.
             const ReportFigure& f = r.figure;
             const double half = ReportFigureSide / 2 / f.scale;
             r.figure.contour[10] = {f.view.x - half + 4 / f.scale, f.view.y + half - 3.5 / f.scale};
         },
         ReportClashKind::TextOnLine, 1},
        {"a contour far outside its figure",
         [](ReportInput& r) { r.figure.contour[10] = {1000, 1000}; },
         ReportClashKind::LineOffAxes, 1},
    };
    for (const Fault& fault : faults) {
        ReportInput spoilt = plain;
        fault.spoil(spoilt);
        const Drawing d = DrawingOf(spoilt);
        EXPECT_TRUE(std::any_of(d.clashes.begin(), d.clashes.end(),
                                [&](const ReportClash& c) {
                                    return c.kind == fault.kind && c.page == fault.page;
                                }))
            << fault.what;
    }
}

}  // namespace
}  // namespace platecam
