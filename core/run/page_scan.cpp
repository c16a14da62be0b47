#include "core/run/page_scan.h"

#include <optional>
#include <utility>

#include "core/base/texts.h"

namespace velmoraine::run {

std::string_view PageBytes::view() const noexcept {
    if (const auto *read = std::get_if<files::FileBytes>(&m_bytes)) {
        return read->view();
    }
    return std::get<std::string>(m_bytes);
}

bool PageBytes::changedSinceRead() const noexcept {
    const auto *read = std::get_if<files::FileBytes>(&m_bytes);
    return read != nullptr && read->changedSinceRead();
}

namespace {

std::optional<PageBytes> readPage(const std::string &path, const PageRead &read) {
    if (read.holding == PageRead::Holding::FileBytes) {
        if (std::optional<files::FileBytes> bytes = files::readFileBytes(path, read.onShortened, read.lock)) {
            return PageBytes(std::move(*bytes));
        }
        return std::nullopt;
    }
    if (std::optional<std::string> bytes = files::readWholeFile(path)) {
        return PageBytes(std::move(*bytes));
    }
    return std::nullopt;
}

} // namespace

PageScan scanPageFile(const std::string &path, const FormChooser &chooser, const PageRead &read) {
    PageScan page;
    std::optional<PageBytes> bytes = readPage(path, read);
    if (!bytes) {
        page.refusal = PageRefusal::CannotOpen;
        page.message = texts::fill(texts::kCannotOpenFile, path);
        return page;
    }
    page.bytes = std::move(*bytes);
    const std::string_view view = page.bytes.view();
    if (std::optional<std::string> refusal = scan::unsupportedEncoding(view)) {
        page.refusal = PageRefusal::UnsupportedEncoding;
        page.message = std::move(*refusal);
        return page;
    }
    page.result =
        scan::scanPage(view, [&](const std::vector<std::string> &tagTexts) { return chooser(view, tagTexts); });
    if (!page.result.formFound) {
        page.refusal = PageRefusal::NoForm;
        page.message = texts::kNoForm;
    }
    return page;
}

} // namespace velmoraine::run
