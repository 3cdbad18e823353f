#include "kivora/system/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace kivora::system {

UniqueFd openForReading(const std::filesystem::path& path)
{
    return UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
}

UniqueFd openFolderHandle(const std::filesystem::path& folder)
{
    return UniqueFd(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
}

std::optional<std::uint64_t> regularFileSize(const UniqueFd& fd)
{
    struct stat st { };
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

std::optional<std::uint64_t> regularFileSizeAt(const UniqueFd& folder, const char* name)
{
    struct stat st { };
    const bool found = folder ? ::fstatat(folder.get(), name, &st, 0) == 0 : ::stat(name, &st) == 0;
    if (!found || !S_ISREG(st.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t readAt(const UniqueFd& fd, void* buffer, std::size_t size, std::uint64_t offset)
{
    auto* out = static_cast<char*>(buffer);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd.get(), out + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

bool entryExists(const std::filesystem::path& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0;
}

bool mayExist(const std::filesystem::path& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

bool isFolder(const std::filesystem::path& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    // Some file systems do not know the flag; the caller checked the target just before.
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    return !entryExists(to) && ::rename(from.c_str(), to.c_str()) == 0;
}

std::filesystem::path folderOf(const std::filesystem::path& path)
{
    return path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
}

void syncFolder(const std::filesystem::path& folder)
{
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        ::fsync(fd.get());
}

std::string systemError()
{
    return std::strerror(errno);
}

std::string quoted(const std::filesystem::path& path)
{
    // Appended rather than "'" + path + "'": GCC 12 warns falsely (-Wrestrict) about that at -O3.
    std::string text(1, '\'');
    text += path.native();
    text += '\'';
    return text;
}

} // namespace kivora::system
