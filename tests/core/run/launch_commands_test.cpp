#include "core/run/launch_commands.h"

#include <gtest/gtest.h>

#include "core/base/service.h"
#include "core/run/help_topics.h"

using namespace velmoraine;
using namespace velmoraine::launch;

TEST(HelpCommand, NamesTheTopicAndTheHelpFile) {
    EXPECT_EQ(helpCommand(kHelpContents, "/opt/velmoraine/velmoraine.chm").commandLine(),
              "hh.exe -mapid 1000 /opt/velmoraine/velmoraine.chm");
    EXPECT_EQ(helpCommand(kHelpInstructions, "/opt/v/velmoraine.chm").commandLine(),
              "hh.exe -mapid 1001 /opt/v/velmoraine.chm");
    EXPECT_EQ(helpCommand(kHelpValidation, "/opt/v/velmoraine.chm").commandLine(),
              "hh.exe -mapid 1002 /opt/v/velmoraine.chm");
}

TEST(HelpCommand, EmptyMainDirectoryLeavesTheBareFileName) {
    const Command command = helpCommand(1000, "velmoraine.chm");
    EXPECT_EQ(command.commandLine(), "hh.exe -mapid 1000 velmoraine.chm");
    EXPECT_EQ(command.program, "hh.exe");
    EXPECT_EQ(command.arguments, (std::vector<std::string>{"-mapid", "1000", "velmoraine.chm"}));
}

TEST(HelpCommand, BlanksStayUnquotedInOneWord) {
    const Command command = helpCommand(1002, "/home/ann/My Programs/velmoraine.chm");
    EXPECT_EQ(command.commandLine(), "hh.exe -mapid 1002 /home/ann/My Programs/velmoraine.chm");
    ASSERT_EQ(command.arguments.size(), 3U);
    EXPECT_EQ(command.arguments[2], "/home/ann/My Programs/velmoraine.chm");
}

TEST(LinkCommand, SignUpAndHome) {
    EXPECT_EQ(linkCommand("/opt/app/", Link::SignUp).commandLine(), "/opt/app/kxbrws.exe DF9,/opt/app/qd.dat,vlsu");
    EXPECT_EQ(linkCommand("/opt/app/", Link::Home).commandLine(), "/opt/app/kxbrws.exe DF9,/opt/app/qd.dat,vlhome");
    EXPECT_EQ(linkCommand("/opt/app/", Link::Home).program, "/opt/app/kxbrws.exe");
    EXPECT_EQ(linkDataPath("/opt/app/"), "/opt/app/qd.dat");
}

TEST(LinkCommand, EmptyMainDirectory) {
    const Command command = linkCommand("", Link::SignUp);
    EXPECT_EQ(command.commandLine(), "kxbrws.exe DF9,qd.dat,vlsu");
    EXPECT_EQ(command.program, "kxbrws.exe");
    EXPECT_EQ(command.arguments, std::vector<std::string>{"DF9,qd.dat,vlsu"});
    EXPECT_EQ(linkDataPath(""), "qd.dat");
    EXPECT_EQ(linkCommand("", Link::Home).commandLine(), "kxbrws.exe DF9,qd.dat,vlhome");
}

TEST(LinkCommand, MainDirectoryIsAPlainPrefix) {
    // No separator is added: the stored main directory ends with one.
    EXPECT_EQ(linkCommand("/opt/app", Link::SignUp).commandLine(), "/opt/appkxbrws.exe DF9,/opt/appqd.dat,vlsu");
}

TEST(LinkCommand, BlanksStayUnquotedInOneArgument) {
    const Command command = linkCommand("/home/ann/My Programs/", Link::Home);
    EXPECT_EQ(command.commandLine(), "/home/ann/My Programs/kxbrws.exe DF9,/home/ann/My Programs/qd.dat,vlhome");
    EXPECT_EQ(command.program, "/home/ann/My Programs/kxbrws.exe");
    EXPECT_EQ(command.arguments, std::vector<std::string>{"DF9,/home/ann/My Programs/qd.dat,vlhome"});
}

// Up to 135 characters of main directory fit the classic 299; longer ones are composed whole.
TEST(LinkCommand, LongMainDirectoryIsNeverCut) {
    const std::string fits = "/" + std::string(133, 'd') + "/";
    ASSERT_EQ(fits.size(), 135U);
    EXPECT_TRUE(linkCommand(fits, Link::Home).fitsClassicLimit());
    EXPECT_EQ(linkCommand(fits, Link::Home).commandLine().size(), 298U);
    const std::string longer = "/" + std::string(134, 'd') + "/";
    EXPECT_FALSE(linkCommand(longer, Link::Home).fitsClassicLimit());
    const std::string huge = "/" + std::string(400, 'x') + "/";
    const Command command = linkCommand(huge, Link::SignUp);
    EXPECT_EQ(command.commandLine(), huge + "kxbrws.exe DF9," + huge + "qd.dat,vlsu");
}

TEST(Links, KeysAndServiceAddresses) {
    EXPECT_EQ(linkKey(Link::SignUp), "vlsu");
    EXPECT_EQ(linkKey(Link::Home), "vlhome");
    EXPECT_EQ(linkAddress(Link::SignUp), service::kSignUpUrl);
    EXPECT_EQ(linkAddress(Link::Home), service::kHomeUrl);
    EXPECT_EQ(service::kSignUpUrl.substr(0, service::kBaseUrl.size()), service::kBaseUrl);
    EXPECT_EQ(service::kHomeUrl.substr(0, service::kBaseUrl.size()), service::kBaseUrl);
}

TEST(HelpTopics, EveryNumberTheWindowOpensHasItsOwnTopic) {
    for (const int number : {kHelpContents, kHelpInstructions, kHelpValidation}) {
        EXPECT_EQ(help::topic(number).number, number);
        EXPECT_FALSE(help::topic(number).title.empty());
        EXPECT_NE(help::topic(number).html.find("<h2>"), std::string_view::npos);
    }
    EXPECT_EQ(help::topic(4711).number, kHelpContents);
    EXPECT_EQ(help::topics().front().number, kHelpContents);
}

// Every "help:" link names a topic that exists.
TEST(HelpTopics, LinksLeadToExistingTopics) {
    const std::string_view prefix = "href=\"help:";
    for (const help::Topic &topic : help::topics()) {
        for (std::size_t at = topic.html.find(prefix); at != std::string_view::npos;
             at = topic.html.find(prefix, at + 1)) {
            const int number = std::stoi(std::string(topic.html.substr(at + prefix.size(), 4)));
            EXPECT_EQ(help::topic(number).number, number) << topic.number;
        }
    }
}

TEST(HelpTopics, CoverWhatAnAuthorNeeds) {
    const std::string_view validation = help::topic(kHelpValidation).html;
    for (const char *word : {"Add &gt;&gt;", "Remove", "E-mail address", "Sequence of digits", "Number value",
                             "left blank", "phone number", "zip code", "date", "apostrophe"}) {
        EXPECT_NE(validation.find(word), std::string_view::npos) << word;
    }
    const std::string_view steps = help::topic(kHelpInstructions).html;
    for (const char *word : {"Upload", "Save As...", "Test", "Log into your Velmoraine account", "Account ID"}) {
        EXPECT_NE(steps.find(word), std::string_view::npos) << word;
    }
    const std::string_view contents = help::topic(kHelpContents).html;
    for (const char *word : {"Select Your Form", "Validate Fields", "Write Data to Text File", "Dornapelle"}) {
        EXPECT_NE(contents.find(word), std::string_view::npos) << word;
    }
}
