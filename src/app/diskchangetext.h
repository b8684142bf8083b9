// The texts about schedule files changed on disk: the status line's, and the
// question that "Save Data" asks before it writes over such a file.
#pragma once

#include <string>

#include "schedule/store.h"

namespace orvanel {

// Names the changed files, says that the tasks now come from them, which
// files "Save Data" asks about before it overwrites them with unsaved edits,
// which files were removed, which cannot be read, which are still being
// written and which a save left alone. Empty when nothing changed.
std::string DiskChangesText(const DiskChanges& changes);

// The question of the box that asks whether to overwrite `name`.
std::string OverwriteQuestionText(const std::string& name);

} // namespace orvanel
