// Work on a second thread, for the steps that read a large page twice over: the scan's walk
// of the first form, the warnings' page-wide reading, the warnings beside the page's write.
#pragma once

#include <cstddef>
#include <future>
#include <system_error>
#include <type_traits>
#include <utility>

namespace velmoraine::aside {

// From this size on, a page's second reading pays for a thread; below it, a thread would
// cost more than it saves.
inline constexpr std::size_t kSecondThreadFrom = std::size_t{4} * 1024 * 1024;

// `work` started on a second thread; an empty future when the system gives no thread, and the
// caller does the work itself.
template <typename Work> std::future<std::invoke_result_t<Work>> start(Work &&work) {
    try {
        return std::async(std::launch::async, std::forward<Work>(work));
    } catch (const std::system_error &) {
        return {};
    }
}

} // namespace velmoraine::aside
