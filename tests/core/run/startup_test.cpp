#include "core/run/startup.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "core/base/profile.h"

using namespace velmoraine::startup;

namespace {

// Points the user's configuration folder at a fresh temporary folder for one test.
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/velmoraine-startup-XXXXXX";
        m_folder = mkdtemp(pattern);
        setenv("XDG_CONFIG_HOME", m_folder.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    void writeSettings(const std::string &text) {
        std::ofstream(m_folder / "velmoraine.ini", std::ios::binary) << text;
    }

    std::filesystem::path m_folder;
};

} // namespace

TEST_F(StartupTest, NoSettingsFileGivesDefaults) {
    const StartupState state = readStartup("");
    EXPECT_EQ(state.mainDirectory, "");
    EXPECT_EQ(state.helpFile, "velmoraine.chm");
    EXPECT_EQ(state.accountIdText, "");
    EXPECT_FALSE(state.editorMode);
    EXPECT_EQ(windowTitle(), "Web Form Processor and Validator by Velmoraine");
}

TEST_F(StartupTest, StoredAccountIdRange) {
    for (const auto &[stored, shown] : std::vector<std::pair<std::string, std::string>>{
             {"12863", "12863"}, {"12862", ""}, {"99999", "99999"}, {"100000", ""}, {"abc", ""}, {"023456", "23456"}}) {
        writeSettings("[Settings]\nvl_id=" + stored + "\n");
        EXPECT_EQ(storedAccountIdText(), shown) << stored;
    }
}

TEST_F(StartupTest, MainDirectoryIsAPlainPrefix) {
    writeSettings("[settings]\nMAIN DIR = /opt/app/ \n");
    EXPECT_EQ(readStartup("").helpFile, "/opt/app/velmoraine.chm");
    writeSettings("[Settings]\nmain dir=/opt/app\n");
    EXPECT_EQ(readStartup("").helpFile, "/opt/appvelmoraine.chm");
    writeSettings("[Settings]\nmain dir=" + std::string(300, 'd') + "\n");
    EXPECT_EQ(readMainDirectory().size(), 259u);
}

TEST_F(StartupTest, CustomTitle) {
    writeSettings("[Settings]\ncustom=Acme Corp\n");
    EXPECT_EQ(windowTitle(), "Web Form Processor and Validator by Velmoraine for Acme Corp");
    writeSettings("[Settings]\ncustom=" + std::string(250, 'c') + "\n");
    EXPECT_EQ(windowTitle().size(), std::string("Web Form Processor and Validator by Velmoraine for ").size() + 198);
}

TEST(CommandLine, EditorModeOnlyWithLowerCasePrefixAtTheStart) {
    EXPECT_EQ(editorPagePath("dp-C:\\site\\contact.htm"), "C:\\site\\contact.htm");
    EXPECT_EQ(editorPagePath("dp- \"/a b.htm\" "), " \"/a b.htm\" ");
    EXPECT_EQ(editorPagePath("dp-"), "");
    EXPECT_FALSE(editorPagePath("C:\\dp-files\\a.htm"));
    EXPECT_FALSE(editorPagePath("DP-a.htm"));
    EXPECT_FALSE(editorPagePath(" dp-a.htm"));
}

TEST(AccountIdCheck, Page1Bounds) {
    for (const char *accepted : {"12864", "99999", "23456xyz", " +12864"}) {
        EXPECT_TRUE(accountIdAccepted(accepted)) << accepted;
    }
    for (const char *refused : {"", "12863", "100000", "abc", "-12864", "x12864"}) {
        EXPECT_FALSE(accountIdAccepted(refused)) << refused;
    }
}
