// Test helpers: a temporary directory of one's own, and whole-file reads and
// writes of raw bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace orvanel::test {

// Creates a fresh, empty directory under the system's temporary directory and
// removes it with everything in it when it goes out of scope.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};

// The bytes of a file; throws std::runtime_error when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);
// Writes `bytes` as the whole content of a file; throws on failure.
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);
// Makes a file of `size` bytes of zeros that takes (almost) no disk space.
void MakeSparseFile(const std::filesystem::path& path, std::uintmax_t size);
// The names of the entries of a directory, sorted.
std::string ListDirectory(const std::filesystem::path& path);

} // namespace orvanel::test
