// Tests of the window run without a display: the offscreen platform unless told otherwise.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "base/language.h"

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The windows' settings (recent files, layout) go to a folder of the test's own.
    char config[] = "/tmp/platecam-ui-config-XXXXXX";
    if (mkdtemp(config)) setenv("XDG_CONFIG_HOME", config, 1);
    QApplication app(argc, argv);
    // After the application, which sets the process locale from the environment.
    platecam::UseLanguage(platecam::Language::Japanese, PLATECAM_TEST_LOCALE_DIR);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
