// The scan half of the run sequence, the same for both front ends: the page read whole, a page
// that no byte search can read refused, the scan with the chooser's answer, and a page without
// a form refused. Each front end shows a refusal its own way (the command line's exit codes,
// the window's message boxes) and keeps its own questions (the window's chooser dialog, the
// command line's --choose checks).
//
//   run::PageScan page = run::scanPageFile(path, chooser, read);
//   if (!page) ... page.refusal, page.message ...
//   page.bytes.view(), page.result.fields, page.result.tagTexts ...
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/base/files.h"
#include "core/scan/form_scanner.h"

namespace velmoraine::run {

// How scanPageFile reads the page.
struct PageRead {
    enum class Holding {
        Whole,     // files::readWholeFile: the page in memory of its own (the window)
        FileBytes, // files::readFileBytes: a large page mapped rather than copied (the command line)
    };
    Holding holding = Holding::Whole;
    // FileBytes only: the lock taken by the read, and how the process ends when a mapped page
    // is shortened under it.
    files::PageLock lock = files::PageLock::None;
    files::ShortenedFileExit onShortened{};
};

// The page's bytes as scanPageFile read them. Move-only; empty by default.
class PageBytes {
public:
    PageBytes() = default;
    explicit PageBytes(std::string whole) : m_bytes(std::move(whole)) {}
    explicit PageBytes(files::FileBytes read) : m_bytes(std::move(read)) {}

    [[nodiscard]] std::string_view view() const noexcept;

    // FileBytes::changedSinceRead for a page read as FileBytes; a page read whole is a copy of
    // its own, which nothing changes: false.
    [[nodiscard]] bool changedSinceRead() const noexcept;

private:
    std::variant<std::string, files::FileBytes> m_bytes;
};

// Why a page cannot be worked on.
enum class PageRefusal {
    None,
    CannotOpen,          // it cannot be read: texts::kCannotOpenFile with its path
    UnsupportedEncoding, // saved as UTF-16 or UTF-32: scan::unsupportedEncoding's message
    NoForm,              // it has no form tag: texts::kNoForm
};

struct PageScan {
    PageRefusal refusal = PageRefusal::None;
    std::string message{};     // the system's message for the refusal, one line; empty without one
    PageBytes bytes{};         // the page as read; empty when it could not be read
    scan::ScanResult result{}; // the scan, the forms' tag texts included; empty when refused
    explicit operator bool() const noexcept { return refusal == PageRefusal::None; }
};

// Asked when the page has several forms, with the page's bytes and the forms' tag texts
// (scan::chooserTagTexts); returns the chosen form number.
using FormChooser = std::function<int(std::string_view page, const std::vector<std::string> &tagTexts)>;

// Reads the page at `path` as `read` says, refuses it or scans it with `chooser`.
PageScan scanPageFile(const std::string &path, const FormChooser &chooser, const PageRead &read = {});

} // namespace velmoraine::run
