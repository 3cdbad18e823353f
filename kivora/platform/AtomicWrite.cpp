#include "kivora/platform/AtomicWrite.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivora::platform {

namespace {

class Fd {
public:
    explicit Fd(int fd)
        : m_fd(fd)
    {
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { close(); }
    int get() const { return m_fd; }
    bool close()
    {
        if (m_fd < 0)
            return true;
        const bool ok = ::close(m_fd) == 0;
        m_fd = -1;
        return ok;
    }

private:
    int m_fd;
};

bool fail(std::string* error, const std::string& what, int err)
{
    if (error)
        *error = what + ": " + std::strerror(err);
    return false;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::filesystem::path resolveLink(const std::filesystem::path& target)
{
    std::error_code ec;
    if (!std::filesystem::is_symlink(target, ec))
        return target;
    const auto resolved = std::filesystem::weakly_canonical(target, ec);
    return ec ? target : resolved;
}

} // namespace

bool writeFileAtomically(const std::filesystem::path& requested, std::string_view bytes, std::string* error)
{
    const std::filesystem::path target = resolveLink(requested);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";

    struct stat old { };
    const bool hadTarget = ::stat(target.c_str(), &old) == 0;

    // A dot name keeps the unfinished file out of folder listings.
    static std::atomic<unsigned> counter { 0 };
    std::filesystem::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder
            / ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()) + "-"
                + std::to_string(counter.fetch_add(1)));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return fail(error, "cannot create " + temp.string(), errno);
    }
    if (fd < 0)
        return fail(error, "cannot create a temporary file in " + folder.string(), EEXIST);

    Fd file(fd);
    auto abandon = [&](const std::string& what) {
        const int err = errno;
        file.close();
        ::unlink(temp.c_str());
        return fail(error, what, err);
    };
    if (hadTarget
        && (::fchmod(file.get(), old.st_mode & 07777) != 0
            || ::fchown(file.get(), old.st_uid, old.st_gid) != 0)) {
        // Only root may hand the file back to another owner; the new content matters more than that.
    }
    if (!writeAll(file.get(), bytes))
        return abandon("cannot write " + temp.string());
    if (::fsync(file.get()) != 0)
        return abandon("cannot flush " + temp.string());
    if (!file.close())
        return abandon("cannot close " + temp.string());
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return abandon("cannot replace " + target.string());

    // Make the rename itself durable; a folder that cannot be synced still holds the new file.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace kivora::platform
