#include "files/design_document.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "design/window.h"
#include "files/design_file.h"
#include "tests/files/temp_dir.h"
#include "tests/model/design_fixtures.h"

namespace platecam {
namespace {

using testing::MessageOf;

// Every section and optional key once; the line numbers below refer to this text.
const std::string FullDocument = R"(# platecam design document
format = 2

[cam]
base_radius = 45.0
resolution = 0.2
law = "cycloid"
rpm = 300
max_pressure_angle = 30
min_base_radius = 0
min_radius_of_curvature = 0

[follower]
kind = "roller"
roller_radius = 10.0
offset = 0.0

[[motion]]
angle = 0
lift = 0.0
[[motion]]
angle = 30
lift = 0.0
[[motion]]
angle = 90
lift = 10.0
law = "4-5-6-7"
[[motion]]
angle = 360
lift = 0.0

[dynamics]
mass = 0.8
spring_rate = 12.0
preload = 40.0
damping = 0.0
load = 0.0

[drawing]
part_number = "K-1024"
material = "S45C"
designer = ""
checker = ""
revision = "A"
date = "2026-01-15"
bore_diameter = 30.0

[contact]
width = 10.0
elastic_modulus = 206000
poisson_ratio = 0.3
)";

// FullDocument with the first occurrence of `from` replaced by `to`.
std::string Edited(const std::string& from, const std::string& to) {
    std::string text = FullDocument;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string ParseMessage(const std::string& text) {
    return MessageOf([&] { ParseDesignDocument(text, "cam.toml"); });
}

TEST(DesignDocument, ReadsEveryKeyOfTheFullDocument) {
    const DesignDocument d = ParseDesignDocument(FullDocument, "cam.toml");
    EXPECT_EQ(d.cam.baseRadius, 45);
    EXPECT_EQ(d.StepsPerDegree(), 5);
    EXPECT_EQ(d.cam.rpm, 300);
    EXPECT_EQ(d.cam.maxPressureAngle, 30);
    EXPECT_EQ(d.follower.rollerRadius, 10);
    ASSERT_EQ(d.motion.size(), 4u);
    EXPECT_EQ(d.motion[2].angle, 90);
    EXPECT_EQ(d.motion[2].lift, 10);
    EXPECT_EQ(d.LawOfSegmentEndingAt(1), engine::Law::Cycloid);
    EXPECT_EQ(d.LawOfSegmentEndingAt(2), engine::Law::Polynomial4567);
    EXPECT_THROW(d.LawOfSegmentEndingAt(4), std::out_of_range);
    EXPECT_EQ(d.dynamics->preload, 40);
    EXPECT_EQ(d.drawing->date, "2026-01-15");
    EXPECT_EQ(d.drawing->boreDiameter, 30);
    EXPECT_EQ(d.contact->elasticModulus, 206000);
    EXPECT_EQ(d.contact->poissonRatio, 0.3);
}

TEST(DesignDocument, AcceptsWholeFloatAnglesAndIntegerNumbers) {
    const DesignDocument d =
        ParseDesignDocument(Edited("angle = 30\nlift = 0.0", "angle = 30.0\nlift = 0"), "a");
    EXPECT_EQ(d.motion[1].angle, 30);
    EXPECT_EQ(d.motion[1].lift, 0);
}

// Each rule broken once: the message names the file, the line and the key.
TEST(DesignDocument, RefusesEveryBrokenRuleNamingLineAndKey) {
    // clang-format off
    const struct {
        const char* from;
        const char* to;
        const char* message;
    } cases[] = {
        {"format = 2", "format = 3", "cam.toml:2: format: 2 でなければなりません"},
        {"format = 2", "", "cam.toml:1: format: 必須のキーがありません"},
        {"[dynamics]", "[dynamcs]", "cam.toml:32: dynamcs: 未知のキーです"},
        {"rpm = 300", "rmp = 300", "cam.toml:8: cam.rmp: 未知のキーです"},
        {"\nangle = 30\n", "\nangle = 30\nangel = 3\n", "cam.toml:23: motion[2].angel: 未知のキーです"},
        {"base_radius = 45.0", "", "cam.toml:4: cam.base_radius: 必須のキーがありません"},
        {"base_radius = 45.0", "base_radius = 0", "cam.toml:5: cam.base_radius: 0 mm より大きく 1000000 mm 未満でなければなりません"},
        {"base_radius = 45.0", "base_radius = \"45\"", "cam.toml:5: cam.base_radius: 数値でなければなりません"},
        {"base_radius = 45.0", "base_radius = nan", "cam.toml:5: cam.base_radius: 有限の数値でなければなりません"},
        {"base_radius = 45.0", "base_radius = -inf", "cam.toml:5: cam.base_radius: 有限の数値でなければなりません"},
        {"resolution = 0.2", "resolution = 0.25", "cam.toml:6: cam.resolution: 1、0.5、0.2 のいずれかでなければなりません"},
        {"law = \"cycloid\"", "law = \"Cycloid\"", "cam.toml:7: cam.law: cycloid、modified-trapezoid、modified-sine、simple-harmonic、3-4-5、4-5-6-7、double-harmonic、constant-velocity、polynomial のいずれかでなければなりません"},
        {"law = \"cycloid\"", "law = 1", "cam.toml:7: cam.law: 文字列でなければなりません"},
        {"rpm = 300", "rpm = 0", "cam.toml:8: cam.rpm: 0 rpm より大きく 1000000 rpm 未満でなければなりません"},
        {"max_pressure_angle = 30", "max_pressure_angle = 90", "cam.toml:9: cam.max_pressure_angle: 0° より大きく 90° 未満でなければなりません"},
        {"max_pressure_angle = 30", "max_pressure_angle = 0", "cam.toml:9: cam.max_pressure_angle: 0° より大きく 90° 未満でなければなりません"},
        {"min_base_radius = 0", "min_base_radius = -1", "cam.toml:10: cam.min_base_radius: 0 mm 以上 1000000 mm 未満でなければなりません"},
        {"min_radius_of_curvature = 0", "min_radius_of_curvature = -0.5", "cam.toml:11: cam.min_radius_of_curvature: 0 mm 以上 1000000 mm 未満でなければなりません"},
        {"kind = \"roller\"", "kind = \"knife\"", "cam.toml:14: follower.kind: roller、flat、swing-roller のいずれかでなければなりません"},
        {"roller_radius = 10.0", "roller_radius = -1", "cam.toml:15: follower.roller_radius: 0 mm 以上 1000000 mm 未満でなければなりません"},
        {"roller_radius = 10.0", "", "cam.toml:13: follower.roller_radius: 従動子の種類 roller では必須です"},
        {"offset = 0.0", "offset = 55", "cam.toml:16: follower.offset: 絶対値が base_radius + roller_radius より小さくなければなりません"},
        {"offset = 0.0", "face_width = 40", "cam.toml:16: follower.face_width: 従動子の種類 roller では使えません"},
        {"offset = 0.0", "arm_length = 80", "cam.toml:16: follower.arm_length: 従動子の種類 roller では使えません"},
        {"kind = \"roller\"\nroller_radius = 10.0", "kind = \"flat\"\nroller_radius = 10.0", "cam.toml:15: follower.roller_radius: 従動子の種類 flat では使えません"},
        {"kind = \"roller\"\nroller_radius = 10.0\noffset = 0.0", "kind = \"flat\"\noffset = 0.0", "cam.toml:15: follower.offset: 従動子の種類 flat では使えません"},
        {"kind = \"roller\"\nroller_radius = 10.0\noffset = 0.0", "kind = \"flat\"\nface_width = 0", "cam.toml:15: follower.face_width: 0 mm より大きく 1000000 mm 未満でなければなりません"},
        {"kind = \"roller\"\nroller_radius = 10.0\noffset = 0.0", "kind = \"swing-roller\"\nroller_radius = 10\narm_length = 80", "cam.toml:13: follower.pivot_distance: 従動子の種類 swing-roller では必須です"},
        {"kind = \"roller\"\nroller_radius = 10.0\noffset = 0.0", "kind = \"swing-roller\"\nroller_radius = 10\narm_length = 0\npivot_distance = 100", "cam.toml:16: follower.arm_length: 0 mm より大きく 1000000 mm 未満でなければなりません"},
        {"kind = \"roller\"\nroller_radius = 10.0\noffset = 0.0", "kind = \"swing-roller\"\nroller_radius = 10\narm_length = 20\npivot_distance = 100", "cam.toml:17: follower.pivot_distance: 支点が決まりません: |pivot_distance - arm_length| < base_radius + roller_radius < pivot_distance + arm_length が必要です"},
        {"angle = 0\n", "angle = 5\n", "cam.toml:19: motion[1].angle: 0 でなければなりません"},
        {"\nangle = 30\n", "\nangle = 30.5\n", "cam.toml:22: motion[2].angle: 整数の度数でなければなりません"},
        {"\nangle = 30\n", "\nangle = \"30\"\n", "cam.toml:22: motion[2].angle: 整数の度数でなければなりません"},
        {"\nangle = 30\n", "\nangle = -30\n", "cam.toml:22: motion[2].angle: 0 以上 360 以下でなければなりません"},
        {"\nangle = 30\n", "\nangle = 1e300\n", "cam.toml:22: motion[2].angle: 0 以上 360 以下でなければなりません"},
        {"angle = 90\n", "angle = 30\n", "cam.toml:25: motion[3].angle: 前の行の角度より大きくなければなりません"},
        {"angle = 360\n", "angle = 350\n", "cam.toml:29: motion[4].angle: 360 でなければなりません"},
        {"angle = 360\nlift = 0.0", "angle = 360\nlift = 0.5", "cam.toml:30: motion[4].lift: 最初の行の変位と等しくなければなりません"},
        {"angle = 30\nlift = 0.0", "angle = 30", "cam.toml:21: motion[2].lift: 必須のキーがありません"},
        {"law = \"4-5-6-7\"", "law = \"4567\"", "cam.toml:27: motion[3].law: cycloid、modified-trapezoid、modified-sine、simple-harmonic、3-4-5、4-5-6-7、double-harmonic、constant-velocity、polynomial のいずれかでなければなりません"},
        {"angle = 0\n", "angle = 0\nlaw = \"cycloid\"\n", "cam.toml:20: motion[1].law: 最初の行で終わる区間はありません"},
        {"rpm = 300\n", "", "cam.toml:4: cam.rpm: [dynamics] があるときは必須です"},
        {"mass = 0.8", "mass = 0", "cam.toml:33: dynamics.mass: 0 kg より大きく 1000000 kg 未満でなければなりません"},
        {"mass = 0.8", "", "cam.toml:32: dynamics.mass: 必須のキーがありません"},
        {"spring_rate = 12.0", "spring_rate = -12.0", "cam.toml:34: dynamics.spring_rate: 0 N/mm 以上 1000000 N/mm 未満でなければなりません"},
        {"damping = 0.0", "damping = -1", "cam.toml:36: dynamics.damping: 0 N s/m 以上 1000000 N s/m 未満でなければなりません"},
        {"load = 0.0", "load = inf", "cam.toml:37: dynamics.load: 有限の数値でなければなりません"},
        {"designer = \"\"", "designer = \"a\\u0007b\"", "cam.toml:42: drawing.designer: 制御文字を含まない UTF-8 の文字列でなければなりません"},
        {"designer = \"\"", "designer = \"gpj\\u202Eexe\"", "cam.toml:42: drawing.designer: 文字の向きを変える文字 (U+202E など) を含んではなりません"},
        {"bore_diameter = 30.0", "bore_diameter = 30.0\nmin_wall = -1", "cam.toml:47: drawing.min_wall: 0 mm 以上 1000000 mm 未満でなければなりません"},
        {"date = \"2026-01-15\"", "date = 2026-01-15", "cam.toml:45: drawing.date: 文字列でなければなりません"},
        {"bore_diameter = 30.0", "bore_diameter = 0", "cam.toml:46: drawing.bore_diameter: 0 mm より大きく 2000000 mm 未満でなければなりません"},
        {"width = 10.0", "width = 0", "cam.toml:49: contact.width: 0.001 mm 以上 1000000 mm 未満でなければなりません"},
        {"elastic_modulus = 206000\n", "", "cam.toml:48: contact.elastic_modulus: 必須のキーがありません"},
        {"poisson_ratio = 0.3", "poisson_ratio = 0.5", "cam.toml:51: contact.poisson_ratio: 0 以上 0.5 未満でなければなりません"},
        {"poisson_ratio = 0.3", "poisson_ratio = -0.1", "cam.toml:51: contact.poisson_ratio: 0 以上 0.5 未満でなければなりません"},
        {"lift = 10.0\n", "lift = 10.0\n[drawing", "cam.toml:27: TOML として正しくありません: "},
        {"lift = 10.0\n", "lift = 10.0 10\n", "cam.toml:26: TOML として正しくありません: "},
        // Headers that toml++ 3.3 would parse on a broken precondition.
        {"[dynamics]", "[#dynamics]", "cam.toml:32: TOML として正しくありません: "},
        {"[dynamics]", "[[[dynamics]]]", "cam.toml:32: TOML として正しくありません: "},
        {"[dynamics]", "[ =", "cam.toml:32: TOML として正しくありません: "},
        // Characters that toml++ 3.3 would test for a Unicode blank by unreachable code.
        {"designer = \"\"", "designer = あ", "cam.toml:42: TOML として正しくありません: "},
        {"revision = \"A\"", "révision = \"A\"", "cam.toml:44: TOML として正しくありません: "},
        {"checker = \"\"", "checker = \"\" \uFEBF", "cam.toml:43: TOML として正しくありません: "},
    };
    // clang-format on
    for (const auto& c : cases) {
        const std::string message = ParseMessage(Edited(c.from, c.to));
        // A syntax error's own description is toml++'s: compare its start.
        EXPECT_EQ(message.substr(0, std::strlen(c.message)), c.message) << c.to;
    }
    // The same on a document of inline tables.
    const std::string minimal =
        "format = 2\ncam = { base_radius = 45, resolution = 1, law = \"cycloid\" }\n"
        "follower = { kind = \"flat\" }\nmotion = [ { angle = 0, lift = 0 }, { angle = 360, lift = "
        "0 } ]\n";
    // clang-format off
    const struct {
        const char* from;
        const char* to;
        const char* message;
    } inlineCases[] = {
        {"format = 2", "format = 2\ncontact = 5", "cam.toml:2: contact: テーブルでなければなりません"},
        {"cam = { base_radius = 45, resolution = 1, law = \"cycloid\" }\n", "", "cam.toml:1: cam: 必須のキーがありません"},
        {"kind = \"flat\"", "kind = \"flat\", kind2 = 1", "cam.toml:3: follower.kind2: 未知のキーです"},
        {"[ { angle = 0, lift = 0 }, { angle = 360, lift = 0 } ]", "1", "cam.toml:4: motion: テーブルの配列でなければなりません"},
        {"{ angle = 0, lift = 0 }", "1", "cam.toml:4: motion[1]: テーブルでなければなりません"},
        {", { angle = 360, lift = 0 }", "", "cam.toml:4: motion: 行数は 2 以上 20 以下でなければなりません"},
    };
    // clang-format on
    for (const auto& c : inlineCases) {
        std::string text = minimal;
        text.replace(text.find(c.from), std::strlen(c.from), c.to);
        EXPECT_EQ(ParseMessage(text), c.message) << c.to;
    }
    std::string many = FullDocument;
    for (int k = 0; k < 17; ++k)
        many.insert(many.find("[[motion]]\nangle = 30"), "[[motion]]\nangle = 1\nlift = 0\n");
    EXPECT_EQ(ParseMessage(many), "cam.toml:18: motion: 行数は 2 以上 20 以下でなければなりません");
}

// A document with Japanese texts, awkward doubles and every follower kind.
std::vector<std::string> Documents() {
    return {
        FullDocument,
        Edited("designer = \"\"", "designer = \"設計 太郎 \\\"カム\\\"\\\\\""),
        Edited("base_radius = 45.0\n", "base_radius = 0.30000000000000004\n"),
        Edited("lift = 10.0", "lift = 1e-300"),
        Edited("lift = 10.0", "lift = 123456.789123"),
        Edited("lift = 10.0", "lift = -4.9406564584124654e-324"),
        Edited("kind = \"roller\"\nroller_radius = 10.0\noffset = 0.0",
               "kind = \"flat\"\nface_width = 40"),
        // An arm takes no [dynamics]: its table, up to [drawing], is left out.
        [] {
            std::string arm = Edited(
                "kind = \"roller\"\nroller_radius = 10.0\noffset = 0.0",
                "kind = \"swing-roller\"\nroller_radius = 10\narm_length = 80\npivot_distance = 100");
            const auto from = arm.find("[dynamics]");
            return arm.erase(from, arm.find("[drawing]") - from);
        }(),
        "format = 2.0\ncam = { base_radius = 1e2, resolution = 1, law = \"double-harmonic\" }\n"
        "follower.kind = 'roller'\nfollower.roller_radius = 0\n"
        "motion = [ { angle = 0, lift = -0.0 }, { angle = 360.0, lift = 0 } ]\n[drawing]\n"};
}

TEST(DesignDocument, WritingWhatWasReadGivesTheSameBytes) {
    for (const std::string& text : Documents()) {
        const DesignDocument first = ParseDesignDocument(text, "a.toml");
        const std::string written = FormatDesignDocument(first);
        EXPECT_EQ(written.rfind("# platecam design document\nformat = 2\n", 0), 0u);
        const DesignDocument second = ParseDesignDocument(written, "a.toml");
        EXPECT_EQ(FormatDesignDocument(second), written) << text;
        EXPECT_EQ(std::memcmp(&second.cam.baseRadius, &first.cam.baseRadius, sizeof(double)), 0);
        ASSERT_EQ(second.motion.size(), first.motion.size());
        for (std::size_t i = 0; i < first.motion.size(); ++i) {
            EXPECT_EQ(std::memcmp(&second.motion[i].lift, &first.motion[i].lift, sizeof(double)),
                      0);
        }
        EXPECT_EQ(second.drawing.has_value(), first.drawing.has_value());
        EXPECT_EQ(second.drawing.value_or(DrawingSection{}).designer,
                  first.drawing.value_or(DrawingSection{}).designer);
    }
    // The shortest text for each double, angles as integers, absent keys absent.
    const std::string written = FormatDesignDocument(ParseDesignDocument(Documents()[8], "a"));
    EXPECT_EQ(written, R"(# platecam design document
format = 2

[cam]
base_radius = 100.0
law = "double-harmonic"
resolution = 1.0

[drawing]

[follower]
kind = "roller"
roller_radius = 0.0

[[motion]]
angle = 0
lift = -0.0

[[motion]]
angle = 360
lift = 0.0
)");
    const std::pair<int, const char*> lines[] = {
        {1, "\ndesigner = \"設計 太郎 \\\"カム\\\"\\\\\"\n"},
        {2, "\nbase_radius = 0.30000000000000004\n"},
        {3, "\nlift = 1e-300\n"},
        {4, "\nlift = 123456.789123\n"},
        {5, "\nlift = -5e-324\n"},
    };
    for (const auto& [document, line] : lines) {
        EXPECT_NE(FormatDesignDocument(ParseDesignDocument(Documents()[document], "a")).find(line),
                  std::string::npos)
            << line;
    }
}

TEST(DesignDocument, NothingThatBreaksARuleIsWritten) {
    DesignDocument d = ParseDesignDocument(FullDocument, "a");
    d.motion[1].lift = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(MessageOf([&] { FormatDesignDocument(d); }),
              "motion[2].lift: 有限の数値でなければなりません");
    testing::TempDir dir;
    EXPECT_EQ(MessageOf([&] { SaveDesignDocument(dir.path("x.toml"), d); }),
              dir.path("x.toml") + ": motion[2].lift: 有限の数値でなければなりません");
    EXPECT_TRUE(dir.entries().empty());
    d = ParseDesignDocument(FullDocument, "a");
    d.drawing->material = std::string("S45C\xff", 5);
    EXPECT_EQ(MessageOf([&] { FormatDesignDocument(d); }),
              "drawing.material: 制御文字を含まない UTF-8 の文字列でなければなりません");
    d.drawing->material = "S45C";
    d.motion.pop_back();
    EXPECT_EQ(MessageOf([&] { CheckDocumentRows(d, "b.toml"); }),
              "b.toml: motion[3].angle: 360 でなければなりません");
}

TEST(DesignDocument, FilesAreSavedAndReadBackAndTooLargeOnesRefused) {
    testing::TempDir dir;
    const DesignDocument d = ParseDesignDocument(FullDocument, "a");
    SaveDesignDocument(dir.path("cam.toml"), d);
    EXPECT_EQ(ReadWholeFile(dir.path("cam.toml"), 1 << 20), FormatDesignDocument(d));
    EXPECT_EQ(FormatDesignDocument(ReadDesignDocument(dir.path("cam.toml"))),
              FormatDesignDocument(d));
    // Up to the limit a file is read whole, comments and all; one byte more and it is
    // refused whole, with its size: never cut.
    const std::string comment = "#" + std::string(DesignDocumentSizeLimit - FullDocument.size() - 2, 'x') + "\n";
    std::ofstream(dir.path("full.toml")) << FullDocument << comment;
    EXPECT_EQ(ReadDesignBytes(dir.path("full.toml")).size(), DesignDocumentSizeLimit);
    std::ofstream(dir.path("big.toml")) << FullDocument << comment << "spring_rate = 12.5\n";
    EXPECT_EQ(MessageOf([&] { ReadDesignDocument(dir.path("big.toml")); }),
              "ファイル " + dir.path("big.toml") + " は " + std::to_string(DesignDocumentSizeLimit + 19) +
                  " バイトあり、設計として読める上限 65536 バイトを超えているため読み込みません");
    // Nothing platecam cannot read back is written: a text that grows past the limit once
    // its quotes are escaped.
    DesignDocument quoted = d;
    quoted.drawing->designer = std::string(DesignDocumentSizeLimit / 2, '"');
    EXPECT_NE(MessageOf([&] { SaveDesignDocument(dir.path("quoted.toml"), quoted); })
                  .find("上限 65536 バイトを超えます"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.path("quoted.toml")));
}

TEST(DesignDocument, TellsADocumentFromADesignFileByContent) {
    const DesignBytes design = EncodeDesign(testing::DefaultDesign()->MotionTable);
    EXPECT_FALSE(IsDesignDocument(
        std::string_view(reinterpret_cast<const char*>(design.data()), design.size())));
    // A document of exactly 264 bytes is still a document.
    std::string text = FormatDesignDocument(ParseDesignDocument(Documents()[8], "a"));
    text += "#" + std::string(DesignFileSize - 2 - text.size(), 'x') + "\n";
    ASSERT_EQ(text.size(), DesignFileSize);
    EXPECT_TRUE(IsDesignDocument(text));
    EXPECT_NO_THROW(ParseDesignDocument(text, "a"));
    EXPECT_TRUE(IsDesignDocument(""));
    EXPECT_FALSE(IsDesignDocument(std::string("format = 2\n\0", 12)));
    // Control bytes make a binary file even without a NUL; line ends of either kind are text.
    EXPECT_FALSE(IsDesignDocument(std::string(100, '\x01')));
    EXPECT_TRUE(IsDesignDocument("format = 2\r\n\t# a comment\r\n"));
}

MotionTable StartUpTable() { return testing::DefaultDesign()->MotionTable; }

TEST(DesignDocument, StartUpTableBecomesTheSampleDocumentAndBack) {
    const DesignDocument d = DocumentFromTable(StartUpTable(), 0, 1, "cam1.toml");
    ASSERT_EQ(d.motion.size(), 8u);
    const std::pair<int, double> rows[] = {{0, 0},    {30, 0},   {90, 10}, {110, 10},
                                           {170, 20}, {180, 20}, {260, 0}, {360, 0}};
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(d.motion[i].angle, rows[i].first);
        EXPECT_EQ(d.motion[i].lift, rows[i].second);
    }
    EXPECT_EQ(d.cam.baseRadius, 45);
    EXPECT_EQ(d.follower.rollerRadius, 10);
    EXPECT_EQ(d.follower.offset, 0);
    EXPECT_EQ(FormatDesignDocument(d), ReadWholeFile(PLATECAM_TEST_DATA "/cam1.toml", 1 << 16));
    const MotionTable back = TableFromDocument(ReadDesignDocument(PLATECAM_TEST_DATA "/cam1.toml"));
    const MotionTable table = StartUpTable();
    EXPECT_EQ(std::memcmp(&back, &table, sizeof table), 0);

    // clang-format off
    const struct {
        int law, steps;
        const char* name;
        double resolution;
    } choices[] = {{1, 2, "modified-trapezoid", 0.5}, {2, 5, "modified-sine", 0.2}, {3, 1, "modified-sine", 1}};
    for (const auto& c : choices) {
        const DesignDocument other = DocumentFromTable(StartUpTable(), c.law, c.steps, "a");
        EXPECT_STREQ(engine::LawName(other.cam.law), c.name);
        EXPECT_EQ(other.cam.resolution, c.resolution);
        EXPECT_EQ(other.StepsPerDegree(), c.steps);
        EXPECT_EQ(engine::WindowLawIndex(other.cam.law), c.law < 3 ? c.law : 2);
    }
}

TEST(DesignDocument, TablesThatBreakARuleAreRefused) {
    // clang-format off
    const struct {
        int slot;
        MotionRecord record;
        const char* message;
    } cases[] = {
        {7, {350, 0}, "cam.toml: motion[9].angle: 前の行の角度より大きくなければなりません"},
        {2, {20, 10}, "cam.toml: motion[3].angle: 前の行の角度より大きくなければなりません"},
        {0, {360, 0}, "cam.toml: motion: 行数は 2 以上 20 以下でなければなりません"},
        {7, {360, 5}, "cam.toml: motion[8].lift: 最初の行の変位と等しくなければなりません"},
        {3, {400, 10}, "cam.toml: motion[4].angle: 0 以上 360 以下でなければなりません"},
        {BaseRadiusSlot, {0, 0}, "cam.toml: cam.base_radius: 0 mm より大きく 1000000 mm 未満でなければなりません"},
        {RollerRadiusSlot, {0, -1}, "cam.toml: follower.roller_radius: 0 mm 以上 1000000 mm 未満でなければなりません"},
    };
    // clang-format on
    for (const auto& c : cases) {
        MotionTable table = StartUpTable();
        table[c.slot] = c.record;
        EXPECT_EQ(MessageOf([&] { DocumentFromTable(table, 0, 1, "cam.toml"); }), c.message);
    }
    // The window's walk ends at the first row at 360, whatever follows.
    MotionTable early = StartUpTable();
    early[1] = MotionRecord{360, 0};
    EXPECT_EQ(DocumentFromTable(early, 0, 1, "cam.toml").motion.size(), 2u);
    EXPECT_EQ(MessageOf([&] { DocumentFromTable(StartUpTable(), 0, 3, "cam.toml"); }),
              "cam.toml: cam.resolution: 1、0.5、0.2 のいずれかでなければなりません");
}

TEST(DesignDocument, WindowShowsOnlyAnInLineRollerWithItsThreeLaws) {
    // clang-format off
    const struct {
        const char* from;
        const char* to;
        const char* key;
    } cases[] = {
        {"offset = 0.0", "offset = -0.0", ""},
        {"offset = 0.0\n", "", ""},
        {"\nangle = 30\n", "\nangle = 30\nlaw = \"cycloid\"\n", "motion[2].law"},
        {"law = \"cycloid\"", "law = \"3-4-5\"", "cam.law"},
        {"offset = 0.0", "offset = 2", "follower.offset"},
        {"kind = \"roller\"\nroller_radius = 10.0\noffset = 0.0", "kind = \"flat\"", "follower.kind"},
    };
    // clang-format on
    for (const auto& c : cases) {
        std::string text = Edited("law = \"4-5-6-7\"\n", "");
        text.replace(text.find(c.from), std::strlen(c.from), c.to);
        const DesignDocument d = ParseDesignDocument(text, "a");
        EXPECT_EQ(KeyTheWindowCannotShow(d), c.key) << c.to;
        if (*c.key) {
            EXPECT_EQ(MessageOf([&] { TableFromDocument(d); }),
                      std::string(c.key) +
                          ": ウィンドウで扱えるのはオフセットのない直動コロ従動子と、"
                          "cycloid、modified-trapezoid、modified-sine の曲線だけです");
        } else {
            EXPECT_EQ(TableFromDocument(d)[2].Angle, 90);
        }
    }
    EXPECT_EQ(KeyTheWindowCannotShow(ParseDesignDocument(FullDocument, "a")), "motion[3].law");
    // A contour compensated for a speed is not the law's, which the window draws.
    std::string text = Edited("law = \"4-5-6-7\"\n", "");
    text.replace(text.find("load = 0.0\n"), 11, "load = 0.0\ntrain_stiffness = 2000.0\ncompensate = true\n");
    const DesignDocument compensated = ParseDesignDocument(text, "a");
    EXPECT_EQ(KeyTheWindowCannotShow(compensated), "dynamics.compensate");
    EXPECT_EQ(MessageOf([&] { TableFromDocument(compensated); }),
              "dynamics.compensate: ウィンドウが描くのはカム曲線どおりの輪郭で、回転数に合わせて補正した輪郭ではありません");
    EXPECT_FALSE(engine::WindowLawIndex(engine::Law::Polynomial4567));
}

}  // namespace
}  // namespace platecam
