// Start-up logic of the wizard, without the window: the settings it reads, the launch mode
// decided from the command-line text, and the texts composed from the main directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/base/service.h"

namespace velmoraine::startup {

inline constexpr std::string_view kSettingsFile = "velmoraine.ini";
inline constexpr std::string_view kEditorSettingsFile = "dornapelle.ini";
inline constexpr std::string_view kSettingsSection = "Settings";
inline constexpr std::string_view kMainDirKey = "main dir";
inline constexpr std::string_view kAccountIdKey = "vl_id";
inline constexpr std::string_view kCustomKey = "custom";
inline constexpr std::string_view kValCompKey = "val_comp";
// "1": the updated page also carries the HTML attributes that stop bad data without scripts.
inline constexpr std::string_view kHtml5FallbackKey = "html5 fallback";
inline constexpr std::string_view kEditorPrefix = "dp-";
inline constexpr std::string_view kHelpFileName = "velmoraine.chm";

inline constexpr int kStoredIdLow = service::kLowestAccountId; // lowest stored ID shown at start-up
inline constexpr int kAcceptedIdLow = 12864;                   // lowest ID Continue accepts
inline constexpr int kIdHigh = 99999;

// What start-up leaves behind.
struct StartupState {
    std::string mainDirectory; // a plain prefix
    std::string helpFile;      // main directory + "velmoraine.chm"
    std::string accountIdText; // the account ID to show; empty when the stored ID is out of range
    bool editorMode = false;
    std::string launchPagePath; // editor mode only
};

// The main directory as stored ("main dir", at most 259 characters).
std::string readMainDirectory();

// The stored account ID's text for the ID box: "%d" of vl_id when it lies in 12863..99999.
std::string storedAccountIdText();

// Reads the settings and decides the launch mode from the command-line text.
StartupState readStartup(std::string_view commandLine);

// The launch page path when the command-line text selects editor mode ("dp-" exactly, lower
// case, at the very start; the rest unchanged).
std::optional<std::string> editorPagePath(std::string_view commandLine);

// The window title, with " for " and the "custom" text (at most 198 characters) when set.
std::string windowTitle(std::string_view custom);
std::string windowTitle();

// The page-1 check of Continue: the leading number of the text lies in 12864..99999.
bool accountIdAccepted(std::string_view text);

} // namespace velmoraine::startup
