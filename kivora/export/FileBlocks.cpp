#include "kivora/export/FileBlocks.h"

#include "kivora/system/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <system_error>
#include <thread>
#include <vector>

namespace kivora::exporting {

namespace {

constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
// Small enough to stay in the processor's cache between the read, the sink and the write; large
// enough that handing one to the helper thread costs little beside the work on it.
constexpr std::size_t kWindowBytes = std::size_t(1) << 20;

// Windows in flight between the copy and the sink: enough that neither waits on the other for each
// window when the machine is busy and the helper thread gets the processor late.
constexpr std::size_t kWindows = 8;

// The most one write hands the kernel. The page cache sizes its pages after each write: megabyte
// writes get megabyte pages, taken from the large free blocks that a virtual machine's guest hands
// back to its host, each slow to touch again; cat's 128 KiB writes get pages still in use. In
// megabyte writes a copy took up to twice as long; these pieces cost a few milliseconds a gigabyte
// in system calls.
constexpr std::size_t kWriteBytes = std::size_t(128) << 10;

// Runs a sink on its own thread over the blocks posted to it, in order.
class SinkThread {
public:
    explicit SinkThread(const BlockSink& sink)
        : m_sink(sink)
        , m_thread([this](std::stop_token stop) { run(stop); })
    {
    }
    // Waits until fewer than kWindows blocks are pending, so that the oldest window is free again.
    // False once the sink has refused a block.
    bool waitForRoom()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_pending.size() < kWindows; });
        return m_ok;
    }
    void post(std::span<const std::byte> block)
    {
        const std::lock_guard lock(m_mutex);
        m_pending.push_back(block);
        m_changed.notify_all();
    }
    // Waits until the sink is done with every block; whether it took them all.
    bool finish()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_pending.empty(); });
        return m_ok;
    }

private:
    void run(std::stop_token stop)
    {
        std::unique_lock lock(m_mutex);
        while (m_changed.wait(lock, stop, [this] { return !m_pending.empty(); })) {
            const std::span<const std::byte> block = m_pending.front();
            lock.unlock();
            // After a refusal the rest is only let go.
            const bool ok = m_ok && m_sink(block);
            lock.lock();
            m_ok = m_ok && ok;
            m_pending.pop_front();
            m_changed.notify_all();
        }
    }

    const BlockSink& m_sink;
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::deque<std::span<const std::byte>>
        m_pending; // guarded by m_mutex, as is m_ok; the front is at the sink
    bool m_ok = true;
    std::jthread m_thread; // last: stopped and joined first
};

using Fd = system::UniqueFd;

std::string why(const std::filesystem::path& path, const char* what)
{
    return std::string("cannot ") + what + " " + path.string() + ": " + std::strerror(errno);
}

ssize_t readSome(int fd, std::byte* buffer, std::size_t size)
{
    ssize_t got;
    do
        got = ::read(fd, buffer, size);
    while (got < 0 && errno == EINTR);
    return got;
}

// Reads until size bytes or the end of the file; -1 on an error.
ssize_t readFull(int fd, std::byte* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = readSome(fd, buffer + done, size - done);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += std::size_t(got);
    }
    return ssize_t(done);
}

enum class ReadBack { Same, Differs, Unreadable };

// Whether the file holds expected at offset.
ReadBack readBack(
    int fd, std::uint64_t offset, std::span<const std::byte> expected, std::span<std::byte> buffer)
{
    while (!expected.empty()) {
        const std::size_t want = std::min(expected.size(), buffer.size());
        ssize_t got;
        do
            got = ::pread(fd, buffer.data(), want, off_t(offset));
        while (got < 0 && errno == EINTR);
        if (got < 0)
            return ReadBack::Unreadable;
        if (got == 0 || std::memcmp(buffer.data(), expected.data(), std::size_t(got)) != 0)
            return ReadBack::Differs;
        expected = expected.subspan(std::size_t(got));
        offset += std::uint64_t(got);
    }
    return ReadBack::Same;
}

bool writeAll(int fd, const std::byte* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t put = ::write(fd, data, std::min(size, kWriteBytes));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = EIO;
            return false;
        }
        data += put;
        size -= std::size_t(put);
    }
    return true;
}

CopyWrittenHook& copyWrittenHook()
{
    static CopyWrittenHook hook;
    return hook;
}

} // namespace

void SetCopyWrittenHook(CopyWrittenHook hook)
{
    copyWrittenHook() = std::move(hook);
}

bool ReadBlocks(const std::filesystem::path& path, const BlockSink& sink, std::string& error)
{
    Fd in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        error = why(path, "open");
        return false;
    }
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    std::vector<std::byte> buffer(kBlockBytes);
    for (;;) {
        const ssize_t got = readSome(in.get(), buffer.data(), buffer.size());
        if (got < 0) {
            error = why(path, "read");
            return false;
        }
        if (got == 0)
            return true;
        if (!sink({ buffer.data(), std::size_t(got) })) {
            error = "stopped reading " + path.string();
            return false;
        }
    }
}

bool CopyFileBlocks(const std::filesystem::path& source, const std::filesystem::path& target, bool durable,
    const BlockSink& sink, std::string& error, const std::function<bool(std::uint64_t)>& copied,
    CopyBuffers* buffers, SinkOn sinkOn)
{
    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st { };
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0) {
        error = why(source, "open");
        return false;
    }
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    Fd out(::open(target.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (out.get() < 0) {
        error = why(target, "create");
        return false;
    }
    // A ring of windows: the sink works on the older ones while the newest is read, written and
    // compared. Not cleared: every byte used is read into them first.
    CopyBuffers own;
    CopyBuffers& memory = buffers ? *buffers : own;
    memory.windows.resize(kWindows);
    if (!memory.back)
        memory.back = std::make_unique_for_overwrite<std::byte[]>(kBlockBytes);
    std::vector<std::unique_ptr<std::byte[]>>& windows = memory.windows;
    const std::unique_ptr<std::byte[]>& back = memory.back;
    // On the caller only the window being written and the one before it are in use.
    const std::size_t ring = sinkOn == SinkOn::Helper ? kWindows : 2;
    std::optional<SinkThread> sinking; // declared after the windows, so it ends before they go
    if (sinkOn == SinkOn::Helper)
        sinking.emplace(sink);
    bool ok = false;
    std::uint64_t at = 0;
    std::span<const std::byte> unchecked; // the last window written, not yet read back
    // Reads back window, written at offset, from the disk when durable.
    const auto checkBack = [&](std::span<const std::byte> window, std::uint64_t offset) {
        if (window.empty())
            return true;
        if (durable) {
            const int flags
                = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
            if (::sync_file_range(out.get(), off_t(offset), off_t(window.size()), flags) != 0) {
                error = why(target, "flush");
                return false;
            }
            ::posix_fadvise(out.get(), off_t(offset), off_t(window.size()), POSIX_FADV_DONTNEED);
        }
        const ReadBack check = readBack(out.get(), offset, window, { back.get(), kBlockBytes });
        if (check == ReadBack::Same)
            return true;
        error = check == ReadBack::Unreadable
            ? why(target, "read back")
            : "the copy " + target.string() + " differs from the original " + source.string();
        return false;
    };
    for (std::size_t k = 0;; ++k) {
        std::unique_ptr<std::byte[]>& buffer = windows[k % ring];
        if (sinking && !sinking->waitForRoom()) {
            error = "stopped copying " + source.string();
            break;
        }
        if (!buffer)
            buffer = std::make_unique_for_overwrite<std::byte[]>(kWindowBytes);
        const ssize_t got = readFull(in.get(), buffer.get(), kWindowBytes);
        if (got < 0) {
            error = why(source, "read");
            break;
        }
        if (got == 0) {
            ok = true;
            break;
        }
        const std::span<const std::byte> window(buffer.get(), std::size_t(got));
        if (sinking) {
            sinking->post(window);
        } else if (!sink(window)) {
            error = "stopped copying " + source.string();
            break;
        }
        if (!writeAll(out.get(), window.data(), window.size())) {
            error = why(target, "write");
            break;
        }
        if (const CopyWrittenHook& hook = copyWrittenHook())
            hook(out.get(), at, window.size());
        // The window before is checked now that this one is on its way to the disk: a durable
        // copy is flushed window by window, but the writes do not wait for each other.
        if (durable)
            ::sync_file_range(out.get(), off_t(at), off_t(got), SYNC_FILE_RANGE_WRITE);
        if (!checkBack(unchecked, at - unchecked.size()))
            break;
        unchecked = window;
        at += std::uint64_t(got);
        if (copied && !copied(at)) {
            error = "stopped copying " + source.string();
            break;
        }
    }
    if (ok && !checkBack(unchecked, at - unchecked.size()))
        ok = false;
    if (sinking && !sinking->finish() && ok) {
        error = "stopped copying " + source.string();
        ok = false;
    }
    if (ok) {
        const struct timespec times[2] = { st.st_atim, st.st_mtim };
        if (::futimens(out.get(), times) != 0) {
            error = why(target, "set the time of");
            ok = false;
        }
    }
    if (ok && durable && ::fdatasync(out.get()) != 0) {
        error = why(target, "flush");
        ok = false;
    }
    if (!out.close() && ok) {
        error = why(target, "write");
        ok = false;
    }
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(target, ec);
    }
    return ok;
}

} // namespace kivora::exporting

namespace kivora::exporting {

bool WriteNewFile(const std::filesystem::path& path, std::string_view text, std::string& error)
{
    Fd out(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (out.get() < 0) {
        error = why(path, "create");
        return false;
    }
    bool ok = writeAll(out.get(), reinterpret_cast<const std::byte*>(text.data()), text.size());
    if (!ok)
        error = why(path, "write");
    if (!out.close() && ok) {
        error = why(path, "write");
        ok = false;
    }
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
    return ok;
}

} // namespace kivora::exporting
