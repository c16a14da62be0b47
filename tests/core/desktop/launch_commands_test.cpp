#include "core/desktop/launch_commands.h"

#include <gtest/gtest.h>

#include "core/base/service.h"
#include "core/desktop/help_topics.h"

using namespace velmoraine;
using namespace velmoraine::launch;

// The help file's path is one argument as given, blanks and all; an empty main directory
// leaves the bare file name.
TEST(HelpCommand, NamesTheTopicAndTheHelpFile) {
    struct Row {
        int topic;
        std::string file;
        std::string commandLine;
    };
    for (const Row &row : {
             Row{kHelpContents, "/opt/velmoraine/velmoraine.chm", "hh.exe -mapid 1000 /opt/velmoraine/velmoraine.chm"},
             Row{kHelpInstructions, "/opt/v/velmoraine.chm", "hh.exe -mapid 1001 /opt/v/velmoraine.chm"},
             Row{kHelpValidation, "/opt/v/velmoraine.chm", "hh.exe -mapid 1002 /opt/v/velmoraine.chm"},
             Row{1000, "velmoraine.chm", "hh.exe -mapid 1000 velmoraine.chm"},
             Row{1002, "/home/ann/My Programs/velmoraine.chm",
                 "hh.exe -mapid 1002 /home/ann/My Programs/velmoraine.chm"},
         }) {
        const Command command = helpCommand(row.topic, row.file);
        EXPECT_EQ(command.commandLine(), row.commandLine) << row.file;
        EXPECT_EQ(command.program, "hh.exe");
        EXPECT_EQ(command.arguments, (std::vector<std::string>{"-mapid", std::to_string(row.topic), row.file}));
    }
}

// The main directory is a plain prefix (no separator is added: the stored one ends with one),
// and the data argument is one word, blanks and all.
TEST(LinkCommand, ProgramAndDataUnderTheMainDirectory) {
    struct Row {
        std::string mainDirectory;
        Link link;
        std::string program;
        std::string argument;
    };
    for (const Row &row : {
             Row{"/opt/app/", Link::SignUp, "/opt/app/kxbrws.exe", "DF9,/opt/app/qd.dat,vlsu"},
             Row{"/opt/app/", Link::Home, "/opt/app/kxbrws.exe", "DF9,/opt/app/qd.dat,vlhome"},
             Row{"", Link::SignUp, "kxbrws.exe", "DF9,qd.dat,vlsu"},
             Row{"", Link::Home, "kxbrws.exe", "DF9,qd.dat,vlhome"},
             Row{"/opt/app", Link::SignUp, "/opt/appkxbrws.exe", "DF9,/opt/appqd.dat,vlsu"},
             Row{"/home/ann/My Programs/", Link::Home, "/home/ann/My Programs/kxbrws.exe",
                 "DF9,/home/ann/My Programs/qd.dat,vlhome"},
         }) {
        const Command command = linkCommand(row.mainDirectory, row.link);
        EXPECT_EQ(command.commandLine(), row.program + " " + row.argument) << row.mainDirectory;
        EXPECT_EQ(command.program, row.program);
        EXPECT_EQ(command.arguments, std::vector<std::string>{row.argument});
        EXPECT_EQ(linkDataPath(row.mainDirectory), row.mainDirectory + "qd.dat");
    }
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
