#include "app/diskchangetext.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/windowtexts.h"

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

std::string ChangedText(const DiskChanges& changes) {
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
        text += "; your unsaved edits stay on screen, and \"Save Data\" asks before it "
                "overwrites " +
                Names(changes.kept) + " with them";
    }
    if (Has(changes.changed, kSettingsFileName) && !Has(changes.removed, kSettingsFileName)) {
        text += "; a new script delay applies from the next start";
    }
    return text;
}

} // namespace

std::string DiskChangesText(const DiskChanges& changes) {
    std::vector<std::string> parts;
    if (!changes.changed.empty()) {
        parts.push_back(ChangedText(changes));
    }
    for (const std::string& message : changes.unreadable) {
        parts.push_back(message + " (\"Save Data\" leaves it as it is)");
    }
    if (!changes.waiting.empty()) {
        parts.push_back("Being written by another program: " + Names(changes.waiting) +
                        " (taken once it is finished, and not saved over meanwhile)");
    }
    if (!changes.notSaved.empty()) {
        parts.push_back("Not saved, as you answered: " + Names(changes.notSaved) +
                        " (your edits stay on screen)");
    }
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : ". ") + part;
    }
    return text;
}

std::string OverwriteQuestionText(const std::string& name) {
    std::string edits = "the script delay has an edit that is not saved";
    for (int day = 0; day < kDayCount; ++day) {
        if (name == kDayFileNames.at(static_cast<std::size_t>(day))) {
            edits = std::string("the ") + kPageCaptions.at(static_cast<std::size_t>(day) + 1) +
                    " page has edits that are not saved";
        }
    }
    return name + " was changed on disk by another program after Orvanel read it, and " + edits +
           ".\n\nOverwrite " + name + " with what Orvanel shows?";
}

} // namespace orvanel
