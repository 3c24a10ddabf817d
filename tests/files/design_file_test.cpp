#include "files/design_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "base/errors.h"
#include "tests/files/temp_dir.h"
#include "tests/model/design_fixtures.h"

namespace platecam {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string Bytes(const std::string& path) { return ReadWholeFile(path, 1 << 20); }

TEST(DesignFile, StartUpDesignLayout) {
    auto design = std::make_unique<CamDesign>();
    LoadDesignFromTexts(*design, testing::DefaultTexts(), '.');
    TempDir dir;
    const std::string path = dir.path("cam1.dat");
    WriteDesignFile(path, design->MotionTable);
    const std::string bytes = Bytes(path);
    ASSERT_EQ(bytes.size(), 264u);
    auto valueAt = [&](std::size_t at) {
        std::uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) bits = bits << 8 | static_cast<std::uint8_t>(bytes[at + i]);
        return std::bit_cast<double>(bits);
    };
    EXPECT_EQ(valueAt(244), 45.0);
    EXPECT_EQ(valueAt(256), 10.0);
    EXPECT_EQ(bytes.substr(240, 4), std::string(4, '\0'));
    EXPECT_EQ(bytes.substr(252, 4), std::string(4, '\0'));
    EXPECT_EQ(bytes.substr(96, 144), std::string(144, '\0')) << "rows 9..20 are zero";
    // Row 3 is (90, 10): the angle little-endian at 24, the value at 28.
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[24]), 90);
    EXPECT_EQ(valueAt(28), 10.0);
    EXPECT_EQ(valueAt(4 + 12 * 4), 20.0);
}

TEST(DesignFile, RoundTripKeepsTheRadiusSlotAngles) {
    TempDir dir;
    MotionTable table{};
    table[0] = MotionRecord{-30, 0.30000000000000004};
    table[BaseRadiusSlot] = MotionRecord{5, 45};
    table[RollerRadiusSlot] = MotionRecord{-7, 10};
    WriteDesignFile(dir.path("a.dat"), table);
    MotionTable loaded{};
    ReadDesignFile(dir.path("a.dat"), loaded);
    EXPECT_EQ(std::memcmp(&loaded, &table, sizeof table), 0);
    EXPECT_EQ(+loaded[BaseRadiusSlot].Angle, 5);
    EXPECT_EQ(+loaded[RollerRadiusSlot].Angle, -7);
}

TEST(DesignFile, RefusedFilesChangeNothing) {
    TempDir dir;
    auto table = testing::DefaultDesign()->MotionTable;
    const MotionTable before = table;
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(dir.path(name), std::ios::binary) << bytes;
        return dir.path(name);
    };
    for (std::size_t size : {0u, 100u, 300u}) {
        const std::string path = write("f" + std::to_string(size), std::string(size, '\x01'));
        EXPECT_EQ(testing::MessageOf([&] { ReadDesignFile(path, table); }),
                  "ファイル " + path + " はカムの設計ファイルではありません");
        EXPECT_EQ(std::memcmp(&table, &before, sizeof table), 0) << size;
    }
    std::string nan(264, '\0');
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(std::numeric_limits<double>::quiet_NaN());
    for (int i = 0; i < 8; ++i) nan[16 + i] = static_cast<char>(bits >> (8 * i));
    const std::string path = write("nan.dat", nan);
    EXPECT_EQ(testing::MessageOf([&] { ReadDesignFile(path, table); }),
              "ファイル " + path + " はカムの設計ファイルではありません");
    EXPECT_EQ(std::memcmp(&table, &before, sizeof table), 0);

    EXPECT_EQ(testing::MessageOf([&] { ReadDesignFile(dir.path("missing.dat"), table); }),
              "ファイル " + dir.path("missing.dat") + " は開けません");
    EXPECT_EQ(testing::MessageOf([&] { ReadDesignFile(dir.path(""), table); }),
              "ファイル " + dir.path("") + " は開けません") << "a folder is not a file";
    EXPECT_EQ(std::memcmp(&table, &before, sizeof table), 0);
}

TEST(DesignFile, FailedSavesLeaveTheEarlierFileAndNoTemporary) {
    TempDir dir;
    const std::string path = dir.path("keep.dat");
    MotionTable first{};
    first[0].Value = 1;
    WriteDesignFile(path, first);
    const std::string original = Bytes(path);
    MotionTable second{};
    second[0].Value = 2;

    // A disk that fills up halfway through the write.
    const ByteWriter full = [](int fd, const char* data, std::size_t size) {
        return static_cast<long>(::write(fd, data, size / 2));
    };
    EXPECT_EQ(testing::MessageOf([&] { WriteDesignFile(path, second, full); }),
              "ストリームへの書き込みエラー");
    EXPECT_EQ(Bytes(path), original);

    const std::string missingFolder = dir.path("no/such/folder/cam1.dat");
    EXPECT_EQ(testing::MessageOf([&] { WriteDesignFile(missingFolder, second); }),
              "ファイル " + missingFolder + " を作成できません");
    const std::string throughFile = path + "/cam1.dat";
    EXPECT_EQ(testing::MessageOf([&] { WriteDesignFile(throughFile, second); }),
              "ファイル " + throughFile + " を作成できません");
    // A folder in the way of the name: the rename fails, the folder stays.
    fs::create_directory(dir.path("adir"));
    std::ofstream(dir.path("adir/inside")) << "x";
    EXPECT_EQ(testing::MessageOf([&] { WriteDesignFile(dir.path("adir"), second); }),
              "ファイル " + dir.path("adir") + " を作成できません");
    EXPECT_TRUE(fs::exists(dir.path("adir/inside")));
    EXPECT_EQ(Bytes(path), original);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"adir", "keep.dat"}));
}

TEST(DesignFile, ReplacingKeepsTheFilesPermissions) {
    TempDir dir;
    const std::string path = dir.path("mode.dat");
    MotionTable table{};
    WriteDesignFile(path, table);
    ::chmod(path.c_str(), 0640);
    WriteDesignFile(path, table);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace platecam
