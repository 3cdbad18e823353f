#pragma once

// The one way the program writes a file: under a hidden temporary name in the target's folder,
// renamed over the target only when complete. Readers see the old file or the new one, never a
// part; a failure removes the temporary file and leaves the target as it was.

#include "kivora/system/UniqueFd.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kivora::system {

// Used by one thread at a time. Messages name the final path, never the temporary one.
class StagedFile {
public:
    StagedFile() = default;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile() { discard(); }

    // durable: flushed to the disk before the rename (and write-back is started early while
    // writing, so that the flush has less to wait for). Without it the system's own write-back
    // applies, as for any copy tool.
    bool create(const std::filesystem::path& finalPath, bool durable, std::string& error);

    // Gives the new file the permission bits (and, where allowed, the owner) of existing.
    void adoptAttributesOf(const std::filesystem::path& existing);

    bool write(const void* data, std::size_t size, std::string& error);
    bool write(std::string_view bytes, std::string& error)
    {
        return write(bytes.data(), bytes.size(), error);
    }

    // Appends [offset, offset + length) of source, inside the kernel where it can. what names the
    // range for the message when the source turns out shorter.
    bool copyFrom(const std::filesystem::path& source, std::uint64_t offset, std::uint64_t length,
        const char* what, std::string& error);

    // Cuts the file at size; later writes append from there.
    bool truncate(std::uint64_t size, std::string& error);
    // Overwrites bytes already written (a header whose size is known only at the end).
    bool writeAt(std::uint64_t offset, const void* data, std::size_t size, std::string& error);
    // Flushes (when durable) and closes; the file is complete but still under its temporary name.
    bool finish(std::string& error);
    // Renames the finished file over the final path.
    bool commit(std::string& error);
    // Removes the temporary file (also done by the destructor unless committed).
    void discard();

    const std::filesystem::path& tempPath() const { return m_temp; }
    const std::filesystem::path& finalPath() const { return m_final; }
    bool durable() const { return m_durable; }

    // Called on the writing thread with each count of bytes added to the file.
    void onWritten(std::function<void(std::uint64_t)> observer) { m_observer = std::move(observer); }

    // Asked before every write and between the chunks of a copy; once it answers true, writes
    // fail and stopped() tells that failure from a fault of the disk.
    void stopWhen(std::function<bool()> stop) { m_stop = std::move(stop); }
    bool stopped() const { return m_stopped; }

private:
    bool copyRange(int in, const std::filesystem::path& source, std::uint64_t offset, std::uint64_t length,
        const char* what, std::string& error);
    void advance(std::uint64_t n);
    bool stopRequested(std::string& error);

    std::filesystem::path m_final;
    std::filesystem::path m_temp;
    UniqueFd m_fd;
    bool m_durable = true;
    std::vector<std::uint8_t> m_buffer; // for copies the kernel cannot make; kept for the whole file
    std::uint64_t m_written = 0; // bytes in the file
    std::uint64_t m_writeBackFrom = 0; // start of what write-back was not yet asked for
    std::function<void(std::uint64_t)> m_observer;
    std::function<bool()> m_stop;
    bool m_stopped = false;
};

// Replaces the file at target with bytes through a durable StagedFile. An existing target keeps
// its permission bits (and owner, where allowed); a symbolic link is followed and the file it names
// is replaced. On failure target is unchanged and error (when given) says why.
bool writeFileAtomically(
    const std::filesystem::path& target, std::string_view bytes, std::string* error = nullptr);

} // namespace kivora::system
