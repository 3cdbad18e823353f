#include "kivora/export/FileBlocks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

namespace kivora::exporting {

namespace {

constexpr std::size_t kBlockBytes = std::size_t(1) << 20;

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
    const BlockSink& sink, std::string& error)
{
    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st { };
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0) {
        error = why(source, "open");
        return false;
    }
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    Fd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (out.get() < 0) {
        error = why(target, "create");
        return false;
    }
    bool ok = false;
    std::vector<std::byte> buffer(kBlockBytes);
    for (;;) {
        const ssize_t got = readSome(in.get(), buffer.data(), buffer.size());
        if (got < 0) {
            error = why(source, "read");
            break;
        }
        if (got == 0) {
            ok = true;
            break;
        }
        if (!sink({ buffer.data(), std::size_t(got) })) {
            error = "stopped copying " + source.string();
            break;
        }
        if (!writeAll(out.get(), buffer.data(), std::size_t(got))) {
            error = why(target, "write");
            break;
        }
    }
    if (ok) {
        const struct timespec times[2] = { st.st_atim, st.st_mtim };
        if (::futimens(out.get(), times) != 0) {
            error = why(target, "set the time of");
            ok = false;
        }
    }
    if (ok && durable) {
        if (::fdatasync(out.get()) != 0) {
            error = why(target, "flush");
            ok = false;
        } else {
            ::posix_fadvise(out.get(), 0, 0, POSIX_FADV_DONTNEED);
        }
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
