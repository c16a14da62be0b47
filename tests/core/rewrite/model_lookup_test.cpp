#include "core/rewrite/model_lookup.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using velmoraine::rewrite::modelPath;
using velmoraine::rewrite::readModel;

namespace {

// A folder laid out as an installed program: bin/ (the program), share/velmoraine/ (its data),
// main/ (a main directory) and work/ (the current folder while a test runs).
class ModelLookup : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "velmoraine-model-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
        for (const char *folder : {"bin", "share/velmoraine", "main", "work"}) {
            fs::create_directories(m_root / folder);
        }
        m_before = fs::current_path();
        fs::current_path(m_root / "work");
    }
    void TearDown() override {
        fs::current_path(m_before);
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    [[nodiscard]] std::string at(const char *name) const { return (m_root / name).string(); }
    static void put(const std::string &path, const std::string &bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    fs::path m_root;
    fs::path m_before;
};

constexpr const char *kModel = "<!-- VELMORAINE-BEGIN -->\r\n<script>\r\nfunction velmoraine_sub() {\r\n";

} // namespace

TEST_F(ModelLookup, MainDirectoryFirstThenTheInstalledCopy) {
    const std::string mainDir = at("main") + "/";
    const fs::path program = at("bin");
    // Nothing anywhere: the main directory's file is named, in full.
    EXPECT_EQ(modelPath(mainDir, program), at("main/vlmodel.txt"));
    // A package-installed program finds its own copy when the main directory has none.
    put(at("share/velmoraine/vlmodel.txt"), kModel);
    EXPECT_EQ(modelPath(mainDir, program), at("share/velmoraine/vlmodel.txt"));
    put(at("main/vlmodel.txt"), kModel);
    EXPECT_EQ(modelPath(mainDir, program), at("main/vlmodel.txt"));
    // The main directory is a plain prefix, made absolute from the current folder.
    EXPECT_EQ(modelPath("../main/", program), at("main/vlmodel.txt"));
}

TEST_F(ModelLookup, WithoutMainDirectoryCurrentFolderThenProgramThenInstalled) {
    const fs::path program = at("bin");
    EXPECT_EQ(modelPath("", program), at("work/vlmodel.txt"));
    EXPECT_EQ(modelPath("", fs::path()), at("work/vlmodel.txt"));
    put(at("share/velmoraine/vlmodel.txt"), kModel);
    EXPECT_EQ(modelPath("", program), at("share/velmoraine/vlmodel.txt"));
    put(at("bin/vlmodel.txt"), kModel);
    EXPECT_EQ(modelPath("", program), at("bin/vlmodel.txt"));
    put(at("work/vlmodel.txt"), kModel);
    EXPECT_EQ(modelPath("", program), at("work/vlmodel.txt"));
}

TEST_F(ModelLookup, ModelMustBeginWithTheBeginLine) {
    struct Case {
        std::string text;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {kModel, true},
        {"<!-- VELMORAINE-BEGIN (site model) -->\n", true},
        {"", false},
        {"<script>\r\nfunction velmoraine_sub() {\r\n", false},
        {"\xEF\xBB\xBF<!-- VELMORAINE-BEGIN -->\r\n", false},
        {"\r\n<!-- VELMORAINE-BEGIN -->\r\n", false},
        {"<!-- velmoraine-begin -->\r\n", false},
    };
    const std::string path = at("main/vlmodel.txt");
    for (const Case &c : cases) {
        put(path, c.text);
        const velmoraine::rewrite::ModelRead read = readModel(path);
        EXPECT_EQ(read.text.has_value(), c.accepted) << c.text;
        EXPECT_FALSE(read.fileError);
        if (c.accepted) {
            EXPECT_EQ(*read.text, c.text);
        } else {
            EXPECT_EQ(read.message, "The script model " + path +
                                        " does not begin with the line <!-- VELMORAINE-BEGIN -->. Velmoraine cannot "
                                        "write the validation code without it, so that a later run can find and "
                                        "replace it. Please restore the model file.");
        }
    }
    const velmoraine::rewrite::ModelRead missing = readModel(at("main/none.txt"));
    EXPECT_TRUE(missing.fileError);
    EXPECT_EQ(missing.message, "Cannot open file " + at("main/none.txt"));
}
