// The status line's text after the schedule files changed on disk.
#pragma once

#include <string>

#include "schedule/store.h"

namespace orvanel {

// Names the changed files, says that the tasks now come from them, which
// files "Save Data" would overwrite with unsaved edits, and which files were
// removed. Empty when nothing changed.
std::string DiskChangesText(const DiskChanges& changes);

} // namespace orvanel
