// Addresses of the hosted form-processing service, kept in one place: the rewritten
// form posts here, and the window's links open its pages.
#pragma once

#include <string_view>

namespace velmoraine::service {

// Scheme and host, no trailing slash.
inline constexpr std::string_view kBaseUrl = "https://www.velmoraine.com";
inline constexpr std::string_view kProcessScript = "/cgi-bin/process.cgi";
inline constexpr std::string_view kSignUpUrl = "https://www.velmoraine.com/signup.html";
inline constexpr std::string_view kHomeUrl = "https://www.velmoraine.com/";

// The lowest account ID the service knows: from it on the updated form posts to the service,
// and a stored ID is shown at start-up.
inline constexpr int kLowestAccountId = 12863;

} // namespace velmoraine::service
