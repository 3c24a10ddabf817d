// The report's pages as drawn: in both languages every text stays inside its box and the
// pages number what the content needs.

#include <gtest/gtest.h>

#include <fstream>

#include "batch/options.h"
#include "batch/report_input.h"
#include "batch/run.h"
#include "base/language.h"
#include "tests/files/temp_dir.h"
#include "tests/report/report_designs.h"

extern "C" bool platecam_check_report_layout(const platecam::ReportInput& input,
                                             std::vector<platecam::ReportOverflow>& overflows,
                                             int& pages, std::string& error);

namespace platecam {
namespace {

using testing::TempDir;

struct Layout {
    std::vector<ReportOverflow> overflows;
    int pages = 0;
};

Layout LayOut(const ReportInput& input) {
    Layout layout;
    std::string error;
    EXPECT_TRUE(platecam_check_report_layout(input, layout.overflows, layout.pages, error))
        << error;
    return layout;
}

ReportInput ReportOf(const std::vector<std::string>& arguments) {
    const BatchOptions options = ParseBatchOptions(arguments);
    return MakeReportInput(ComputeRun(options));
}

std::string Described(const std::vector<ReportOverflow>& overflows) {
    std::string text;
    for (const ReportOverflow& o : overflows) {
        text += "page " + std::to_string(o.page) + ": \"" + o.text + "\" needs " +
                std::to_string(o.needWidth) + " x " + std::to_string(o.needHeight) + " mm in " +
                std::to_string(o.boxWidth) + " x " + std::to_string(o.boxHeight) + " mm\n";
    }
    return text;
}

class ReportLayout : public ::testing::TestWithParam<Language> {
  protected:
    void SetUp() override { UseLanguage(GetParam(), PLATECAM_TEST_LOCALE_DIR); }
    void TearDown() override { UseLanguage(Language::English, PLATECAM_TEST_LOCALE_DIR); }
};

TEST_P(ReportLayout, EveryTextFitsItsBoxAndThePagesAreWhatTheContentNeeds) {
    TempDir dir;
    struct Case {
        std::string file;
        std::vector<std::string> options;
        int pages;
    };
    std::vector<Case> cases = {
        {PLATECAM_TEST_DATA "/cam1.dat", {"--resolution", "0.2", "--rpm", "300", "--size-base"}, 3},
        {PLATECAM_TEST_DATA "/cam1.dat", {"--check"}, 3},
        {PLATECAM_TEST_DATA "/cam1.toml", {"--title-block", "material=SUJ2"}, 3},
    };
    for (const testing::ReportDesign& design : testing::ReportDesigns()) {
        std::ofstream(dir.path(design.file)) << design.text;
        cases.push_back({dir.path(design.file), {"--size-base"}, design.pages});
    }
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.options;
        arguments.insert(arguments.begin(), c.file);
        arguments.insert(arguments.end(), {"--report", dir.path("r.pdf")});
        const Layout layout = LayOut(ReportOf(arguments));
        EXPECT_TRUE(layout.overflows.empty()) << c.file << "\n" << Described(layout.overflows);
        EXPECT_EQ(layout.pages, c.pages) << c.file;
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, ReportLayout,
                         ::testing::Values(Language::English, Language::Japanese),
                         [](const auto& info) {
                             return info.param == Language::English ? "English" : "Japanese";
                         });

// The check finds what does not fit: a title-block value too long for its box, a word
// too long for its column, a heading too long for the page.
TEST(ReportLayoutCheck, NamesEveryTextThatDoesNotFit) {
    ReportInput input = ReportOf({PLATECAM_TEST_DATA "/cam1.toml"});
    ASSERT_TRUE(LayOut(input).overflows.empty());
    const std::string material(120, 'M');
    const std::string check = "Unbreakableconstructionwordofachecktoolongforitscolumn";
    input.titleBlock[2].value = material;
    input.checks[0].check = check;
    input.motion.heading = std::string(60, 'W') + " " + std::string(60, 'W');
    const Layout layout = LayOut(input);
    std::vector<std::string> texts;
    for (const ReportOverflow& o : layout.overflows) texts.push_back(o.text);
    EXPECT_EQ(texts, (std::vector<std::string>{material, check, input.motion.heading}))
        << Described(layout.overflows);
    for (const ReportOverflow& o : layout.overflows) {
        EXPECT_TRUE(o.needWidth > o.boxWidth || o.needHeight > o.boxHeight) << o.text;
    }
    EXPECT_EQ(layout.overflows[2].page, 2);
}

}  // namespace
}  // namespace platecam
