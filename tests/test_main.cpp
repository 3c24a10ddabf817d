// The tests' entry: messages in Japanese from the build tree's catalogue, as the window
// shows them.

#include <gtest/gtest.h>

#include "base/language.h"

int main(int argc, char** argv) {
    platecam::UseLanguage(platecam::Language::Japanese, PLATECAM_TEST_LOCALE_DIR);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
