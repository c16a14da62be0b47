#include "core/desktop/browser_launch.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace velmoraine::launch;

// "%sdpbrowse.exe %s": the main directory as a plain prefix, one blank, and the target as one
// word, a web address unchanged.
TEST(BrowserLaunch, CommandLineFollowsTheLauncherFormat) {
    for (const auto &[mainDirectory, target, program, web] :
         std::vector<std::tuple<std::string, std::string, std::string, bool>>{
             {"/opt/dornapelle/", "/home/ann/PAGE~1.HTM", "/opt/dornapelle/dpbrowse.exe", false},
             {"C:\\App", "x.htm", "C:\\Appdpbrowse.exe", false},
             {"", "x.htm", "dpbrowse.exe", false},
             {"C:\\App\\", "http://www.example.com/a page.htm", "C:\\App\\dpbrowse.exe", true},
         }) {
        const LaunchCommand command = browserLaunchCommand(mainDirectory, target);
        EXPECT_EQ(command.program, program) << target;
        EXPECT_EQ(command.argument, target);
        EXPECT_EQ(command.commandLine(), program + " " + target);
        EXPECT_EQ(isWebTarget(target), web) << target;
    }
}

TEST(BrowserLaunch, WebTargetNeedsHttpColonExactly) {
    EXPECT_TRUE(isWebTarget("see http://x"));
    EXPECT_FALSE(isWebTarget("HTTP://x"));
    EXPECT_FALSE(isWebTarget("https://x"));
    EXPECT_FALSE(isWebTarget("/home/ann/http/page.htm"));
}
