#pragma once

// Whole-file reads and copies in large blocks, for hashing what is read on the way.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivora::exporting {

// Receives the blocks of a file in order; false stops the read.
using BlockSink = std::function<bool(std::span<const std::byte> block)>;

// Reads path from start to end into sink. False with a reason when it cannot be read or sink
// stopped it.
bool ReadBlocks(const std::filesystem::path& path, const BlockSink& sink, std::string& error);

// Copies source to a new file target (which must not exist), reading the source once, and reads
// the copy back as it goes, comparing it with what was read: a copy that the disk spoiled fails.
// Every block goes to sink in order on a helper thread, which works on one block while the next
// is written and compared; sink must not touch what the calling thread touches meanwhile. The copy
// gets the source's modification time. durable: the copy is flushed to the disk before it is read
// back, and dropped from the page cache first, so that the read-back comes from the disk.
// copied (optional): bytes done so far, on the calling thread; false stops the copy. On failure
// (error says why) the partial target is removed.
// buffers (optional): memory kept from one copy to the next of a job; fresh memory costs a page
// fault per page, and more where a virtual machine's host has taken freed pages back.
// sinkOn: Caller gives each block to sink on the calling thread, while it is still in that
// processor's cache, for a caller that runs several copies side by side.
struct CopyBuffers {
    std::vector<std::unique_ptr<std::byte[]>> windows;
    std::unique_ptr<std::byte[]> back;
};
enum class SinkOn { Helper, Caller };
bool CopyFileBlocks(const std::filesystem::path& source, const std::filesystem::path& target, bool durable,
    const BlockSink& sink, std::string& error, const std::function<bool(std::uint64_t copied)>& copied = {},
    CopyBuffers* buffers = nullptr, SinkOn sinkOn = SinkOn::Helper);

// Called after each window of a copy is written and before it is read back, with the copy's
// descriptor and where the window lies in it: the seam where tests spoil a copy the way a failing
// disk or card reader would. Set (empty: cleared) only while no copy runs.
using CopyWrittenHook = std::function<void(int fd, std::uint64_t offset, std::size_t size)>;
void SetCopyWrittenHook(CopyWrittenHook hook);

} // namespace kivora::exporting

namespace kivora::exporting {

// Writes text as a new file at path (which must not exist). False with a reason (a full disk
// among them); a partial file is then removed.
bool WriteNewFile(const std::filesystem::path& path, std::string_view text, std::string& error);

} // namespace kivora::exporting
