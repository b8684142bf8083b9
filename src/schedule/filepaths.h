// The paths that a whole-file replacement works with, the same on every
// platform (files.cpp uses them).
#pragma once

#include <filesystem>

namespace orvanel::filepaths {

// The file that a replacement really rewrites: the target of a symbolic
// link, so that the link itself is kept.
std::filesystem::path ReplacedFile(const std::filesystem::path& path);

// A fresh name for a temporary file next to `target`, e.g.
// ".monlist.ini.1234-7-0.tmp" (process id, a counter and the attempt). The
// leading dot keeps it out of plain listings.
std::filesystem::path TemporaryName(const std::filesystem::path& target, unsigned attempt);

} // namespace orvanel::filepaths
