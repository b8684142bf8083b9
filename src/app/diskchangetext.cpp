#include "app/diskchangetext.h"

#include <algorithm>
#include <string>
#include <vector>

namespace orvanel {

namespace {

std::string Names(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

std::string DiskChangesText(const DiskChanges& changes) {
    if (!changes.Any()) {
        return {};
    }
    std::string text = "The schedule files changed on disk: " + Names(changes.changed);
    const bool dayLoaded =
        std::any_of(changes.changed.begin(), changes.changed.end(), [&](const std::string& name) {
            return name != kSettingsFileName && !Has(changes.removed, name);
        });
    if (dayLoaded) {
        text += "; the tasks now run as the files say";
    }
    if (!changes.removed.empty()) {
        text += "; removed: " + Names(changes.removed) +
                " (what the window shows stays, and \"Save Data\" writes it again)";
    }
    if (!changes.kept.empty()) {
        text += "; your unsaved edits stay on screen, and \"Save Data\" would overwrite " +
                Names(changes.kept) + " with them";
    }
    if (Has(changes.changed, kSettingsFileName) && !Has(changes.removed, kSettingsFileName)) {
        text += "; a new script delay applies from the next start";
    }
    return text;
}

} // namespace orvanel
