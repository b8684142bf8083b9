// The Windows file calls that the store and the history both make.
#pragma once

#include <cstddef>
#include <filesystem>

namespace orvanel::winfiles {

// Writes up to `size` bytes (at most INT_MAX in one call); the number
// written, or -1 with errno set.
long WriteChunk(int fd, const char* data, std::size_t size);

// Puts `from` in the place of `to`, replacing it in one step, and returns
// only when the change is on the disk: 0, or ENOENT, EACCES or EIO.
int MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace orvanel::winfiles
