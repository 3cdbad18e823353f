#pragma once

// Small file operations the layers above need without touching the system's headers.

#include "kivora/system/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kivora::system {

// Opens for reading. Non-blocking, so that a FIFO in a movie's or data file's place cannot block
// the caller; regular files ignore the flag.
UniqueFd openForReading(const std::filesystem::path& path);

// A folder opened only to look names up in it (not to read it).
UniqueFd openFolderHandle(const std::filesystem::path& folder);

// The size of the open file when it is a regular file.
std::optional<std::uint64_t> regularFileSize(const UniqueFd& fd);

// Size of a regular file (links followed), looked up by name in an open folder or, when folder is
// not valid, by its whole path; none when it does not exist or is not a regular file.
std::optional<std::uint64_t> regularFileSizeAt(const UniqueFd& folder, const char* name);

// Reads up to size bytes at offset, retrying short reads; returns the count read (less at the end
// of the file or on an error).
std::size_t readAt(const UniqueFd& fd, void* buffer, std::size_t size, std::uint64_t offset);

// True when anything, even a dangling link, exists under that name.
bool entryExists(const std::filesystem::path& path);

// True unless the name is known to be free: a rename there would replace something, or that
// cannot be told.
bool mayExist(const std::filesystem::path& path);

// Whether the path names a folder (links followed).
bool isFolder(const std::filesystem::path& path);

// Renames without replacing a file that appeared since the caller checked the target.
bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// The folder of a path ("." for a bare name).
std::filesystem::path folderOf(const std::filesystem::path& path);

// Makes renames in folder durable. A folder that cannot be synced is left as it is.
void syncFolder(const std::filesystem::path& folder);

// The text of the current errno.
std::string systemError();

// A path in single quotes, for messages.
std::string quoted(const std::filesystem::path& path);

} // namespace kivora::system
