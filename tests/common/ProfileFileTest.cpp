#include "common/ProfileFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("profile-test-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        path_ = dir_ / "Corvel.ini";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void WriteRaw(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string ReadRaw() {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::filesystem::path dir_;
    std::filesystem::path path_;
};

TEST_F(ProfileFileTest, ReadsKeysOfAHandWrittenFile) {
    WriteRaw("; ports of the last run\r\n"
             "[1.COMPort]\r\n"
             "COM=3\r\n"
             " Baud = 19200 \r\n"
             "Frame=\"8E1\"\r\n"
             "\r\n"
             "[2.COMPort]\r\n"
             "COM=None\r\n");
    ProfileFile ini(path_);
    EXPECT_TRUE(ini.Exists());
    EXPECT_EQ(ini.Read("1.COMPort", "COM", "None"), "3");
    EXPECT_EQ(ini.Read("1.comport", "baud", "9600"), "19200");
    EXPECT_EQ(ini.Read("1.COMPort", "Frame", "?"), "8E1");
    EXPECT_EQ(ini.Read("1.COMPort", "Timeout", "800"), "800");
    EXPECT_EQ(ini.Read("2.COMPort", "COM", "x"), "None");
    EXPECT_EQ(ini.Read("3.COMPort", "COM", "None"), "None");
    // A key of another section is not found in this one.
    EXPECT_EQ(ini.Read("2.COMPort", "Baud", "9600"), "9600");
    // A fixed buffer of 5 characters holds 4 of text.
    EXPECT_EQ(ini.Read("1.COMPort", "Baud", "", 5), "1920");
}

TEST_F(ProfileFileTest, MissingFileGivesDefaults) {
    ProfileFile ini(path_);
    EXPECT_FALSE(ini.Exists());
    EXPECT_EQ(ini.Read("1.COMPort", "COM", "None"), "None");
}

TEST_F(ProfileFileTest, WritesIntoANewFileInOrder) {
    ProfileFile ini(path_);
    ASSERT_TRUE(ini.Write("1.COMPort", "COM", "None"));
    ASSERT_TRUE(ini.Write("1.COMPort", "Baud", "9600"));
    ASSERT_TRUE(ini.Write("2.COMPort", "COM", "4"));
    EXPECT_EQ(ReadRaw(), "[1.COMPort]\nCOM=None\nBaud=9600\n\n[2.COMPort]\nCOM=4\n");
}

TEST_F(ProfileFileTest, UpdatesInPlaceAppendsToSectionAndKeepsUnrelatedLines) {
    WriteRaw("; comment\r\n"
             "[A]\r\n"
             "one=1\r\n"
             "two=2\r\n"
             "\r\n"
             "[B]\r\n"
             "x=9\r\n");
    ProfileFile ini(path_);
    ASSERT_TRUE(ini.Write("a", "TWO", "22"));
    ASSERT_TRUE(ini.Write("A", "three", "3"));
    ASSERT_TRUE(ini.Write("C", "k", "v"));
    EXPECT_EQ(ReadRaw(), "; comment\r\n"
                         "[A]\r\n"
                         "one=1\r\n"
                         "TWO=22\r\n"
                         "three=3\r\n"
                         "\r\n"
                         "[B]\r\n"
                         "x=9\r\n"
                         "\r\n"
                         "[C]\r\n"
                         "k=v\r\n");
    EXPECT_EQ(ini.Read("A", "two", ""), "22");
}

TEST_F(ProfileFileTest, FailedWriteKeepsTheOldFile) {
    WriteRaw("[A]\nk=1\n");
    ProfileFile blocked(dir_ / "missing-folder" / "Corvel.ini");
    EXPECT_FALSE(blocked.Write("A", "k", "2"));
    EXPECT_EQ(ReadRaw(), "[A]\nk=1\n");
}

TEST_F(ProfileFileTest, ALinkStaysALinkAndTheTargetKeepsItsMode) {
    std::filesystem::create_directories(dir_ / "real");
    const std::filesystem::path target = dir_ / "real" / "settings.ini";
    std::ofstream(target, std::ios::binary) << "[A]\nk=1\n";
    std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_write |
                                             std::filesystem::perms::group_read);
    std::filesystem::create_symlink("real/settings.ini", path_);

    ProfileFile ini(path_);
    ASSERT_TRUE(ini.Write("A", "k", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(path_));
    EXPECT_EQ(ReadRaw(), "[A]\nk=2\n");
    EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
    // Nothing is left beside the target.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ / "real"),
                            std::filesystem::directory_iterator()),
              1);
}

} // namespace
