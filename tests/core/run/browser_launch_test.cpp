#include "core/run/browser_launch.h"

#include <gtest/gtest.h>

using namespace velmoraine::rewrite;

TEST(BrowserLaunch, CommandLineFollowsTheLauncherFormat) {
    const LaunchCommand command = browserLaunchCommand("/opt/dornapelle/", "/home/ann/PAGE~1.HTM");
    EXPECT_EQ(command.program, "/opt/dornapelle/dpbrowse.exe");
    EXPECT_EQ(command.argument, "/home/ann/PAGE~1.HTM");
    EXPECT_EQ(command.commandLine(), "/opt/dornapelle/dpbrowse.exe /home/ann/PAGE~1.HTM");
}

TEST(BrowserLaunch, MainDirectoryIsAPlainPrefix) {
    EXPECT_EQ(browserLaunchCommand("C:\\App", "x.htm").commandLine(), "C:\\Appdpbrowse.exe x.htm");
    EXPECT_EQ(browserLaunchCommand("", "x.htm").commandLine(), "dpbrowse.exe x.htm");
}

TEST(BrowserLaunch, WebAddressPassesUnchanged) {
    const std::string url = "http://www.example.com/a page.htm";
    EXPECT_TRUE(isWebTarget(url));
    EXPECT_EQ(browserLaunchCommand("C:\\App\\", url).commandLine(), "C:\\App\\dpbrowse.exe " + url);
}

TEST(BrowserLaunch, WebTargetNeedsHttpColonExactly) {
    EXPECT_TRUE(isWebTarget("see http://x"));
    EXPECT_FALSE(isWebTarget("HTTP://x"));
    EXPECT_FALSE(isWebTarget("https://x"));
    EXPECT_FALSE(isWebTarget("/home/ann/http/page.htm"));
}
