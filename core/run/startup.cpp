#include "core/run/startup.h"

#include "core/base/bytes.h"
#include "core/base/profile.h"
#include "core/base/texts.h"

namespace velmoraine::startup {

namespace {
constexpr std::size_t kMainDirSize = 260; // 259 characters
constexpr std::size_t kCustomSize = 199;  // 198 characters
} // namespace

std::string readMainDirectory() {
    return profile::getString(kSettingsSection, kMainDirKey, "", kMainDirSize, kSettingsFile);
}

std::string storedAccountIdText() {
    const int id = profile::getInt(kSettingsSection, kAccountIdKey, 0, kSettingsFile);
    if (id >= kStoredIdLow && id <= kIdHigh) {
        return bytes::decimal(id);
    }
    return {};
}

std::optional<std::string> editorPagePath(std::string_view commandLine) {
    if (commandLine.substr(0, kEditorPrefix.size()) != kEditorPrefix) {
        return std::nullopt;
    }
    return std::string(commandLine.substr(kEditorPrefix.size()));
}

StartupState readStartup(std::string_view commandLine) {
    StartupState state;
    state.mainDirectory = readMainDirectory();
    state.helpFile = state.mainDirectory + std::string(kHelpFileName);
    state.accountIdText = storedAccountIdText();
    if (auto path = editorPagePath(commandLine)) {
        state.editorMode = true;
        state.launchPagePath = std::move(*path);
    }
    return state;
}

std::string windowTitle(std::string_view custom) {
    std::string title(texts::kWindowTitle);
    if (!custom.empty()) {
        title.append(texts::kWindowTitleCustomJoin);
        title.append(custom);
    }
    return title;
}

std::string windowTitle() {
    return windowTitle(profile::getString(kSettingsSection, kCustomKey, "", kCustomSize, kSettingsFile));
}

bool accountIdAccepted(std::string_view text) {
    const int id = bytes::readIntLikeScanf(text);
    return id >= kAcceptedIdLow && id <= kIdHigh;
}

} // namespace velmoraine::startup
