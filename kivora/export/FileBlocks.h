#pragma once

// Whole-file reads and copies in large blocks, for hashing what is read on the way.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace kivora::exporting {

// Receives the blocks of a file in order; false stops the read.
using BlockSink = std::function<bool(std::span<const std::byte> block)>;

// Reads path from start to end into sink. False with a reason when it cannot be read or sink
// stopped it.
bool ReadBlocks(const std::filesystem::path& path, const BlockSink& sink, std::string& error);

// Copies source to a new file target (which must not exist) and hands every block to sink as it
// is read, so the source is read once. The copy gets the source's modification time. durable:
// the copy is flushed to the disk before this returns, and dropped from the page cache so that a
// later read-back comes from the disk. On failure the partial target is removed.
bool CopyFileBlocks(const std::filesystem::path& source, const std::filesystem::path& target, bool durable,
    const BlockSink& sink, std::string& error);

} // namespace kivora::exporting

namespace kivora::exporting {

// Writes text as a new file at path (which must not exist). False with a reason (a full disk
// among them); a partial file is then removed.
bool WriteNewFile(const std::filesystem::path& path, std::string_view text, std::string& error);

} // namespace kivora::exporting
