// The wizard's help topics, built into the program: the contents, the step-by-step
// instructions and the page on field validation. Topics link to each other with
// "help:NUMBER" addresses.
#pragma once

#include <span>
#include <string_view>

namespace velmoraine::help {

// The scheme of links between topics: "help:1002".
inline constexpr std::string_view kTopicScheme = "help";

struct Topic {
    int number;
    std::string_view title;
    std::string_view html; // UTF-8
};

// Every topic, the contents first.
std::span<const Topic> topics();

// The topic with the number; the contents for a number that has no topic.
const Topic &topic(int number);

} // namespace velmoraine::help
