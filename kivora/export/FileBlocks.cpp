#include "kivora/export/FileBlocks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <future>
#include <memory>
#include <system_error>
#include <vector>

namespace kivora::exporting {

namespace {

constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
// Large enough that handing a window to the helper thread costs little beside its work.
constexpr std::size_t kWindowBytes = std::size_t(8) << 20;

class Fd {
public:
    explicit Fd(int fd)
        : m_fd(fd)
    {
    }
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    // Closes now, so that a failing close (a late write error) is seen.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

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
    int fd, std::uint64_t offset, std::span<const std::byte> expected, std::vector<std::byte>& buffer)
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
        const ssize_t put = ::write(fd, data, size);
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

} // namespace

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
    const BlockSink& sink, std::string& error, const std::function<bool(std::uint64_t)>& copied)
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
    // Two windows: the sink works on one while the other is read, written and compared.
    std::vector<std::byte> windows[2]
        = { std::vector<std::byte>(kWindowBytes), std::vector<std::byte>(kWindowBytes) };
    std::vector<std::byte> back(kBlockBytes);
    std::future<bool> sinking; // the sink's work on the last window; declared after the windows
    const auto sunk = [&sinking] { return !sinking.valid() || sinking.get(); };
    bool ok = false;
    std::uint64_t at = 0;
    for (int w = 0;; w ^= 1) {
        const ssize_t got = readFull(in.get(), windows[w].data(), windows[w].size());
        if (got < 0) {
            error = why(source, "read");
            break;
        }
        // The sink takes the windows in order, one at a time.
        if (!sunk()) {
            error = "stopped copying " + source.string();
            break;
        }
        if (got == 0) {
            ok = true;
            break;
        }
        const std::span<const std::byte> window(windows[w].data(), std::size_t(got));
        sinking = std::async(std::launch::async, [&sink, window] { return sink(window); });
        if (!writeAll(out.get(), window.data(), window.size())) {
            error = why(target, "write");
            break;
        }
        if (durable) {
            const int flags
                = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
            if (::sync_file_range(out.get(), off_t(at), off_t(got), flags) != 0) {
                error = why(target, "flush");
                break;
            }
            ::posix_fadvise(out.get(), off_t(at), off_t(got), POSIX_FADV_DONTNEED);
        }
        const ReadBack check = readBack(out.get(), at, window, back);
        if (check != ReadBack::Same) {
            error = check == ReadBack::Unreadable
                ? why(target, "read back")
                : "the copy " + target.string() + " differs from the original " + source.string();
            break;
        }
        at += std::uint64_t(got);
        if (copied && !copied(at)) {
            error = "stopped copying " + source.string();
            break;
        }
    }
    if (sinking.valid())
        sinking.wait(); // before the windows go
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
