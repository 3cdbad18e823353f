#include "kivora/recording/FileAttributes.h"

#include <cstdint>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace kivora::recording {

namespace {

class UniqueFd {
public:
    explicit UniqueFd(int fd)
        : m_fd(fd)
    {
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool onFatVolume(const std::filesystem::path& path)
{
    struct statfs fs { };
    return ::statfs(path.c_str(), &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
}

bool hasDotName(const std::filesystem::path& path)
{
    const std::string name = path.filename().native();
    return name.size() > 1 && name[0] == '.' && name != "..";
}

// O_NONBLOCK so that a FIFO on the card cannot block the caller.
UniqueFd openForAttributes(const std::filesystem::path& path)
{
    return UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
}

} // namespace

bool hasHiddenAttribute(const std::filesystem::path& folder)
{
    return onFatVolume(folder);
}

bool isHidden(const std::filesystem::path& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    return isHidden(path, !hasDotName(path) && onFatVolume(path));
}

bool isHidden(const std::filesystem::path& item, bool folderHasAttribute)
{
    if (hasDotName(item))
        return true;
    if (!folderHasAttribute)
        return false;
    const UniqueFd fd = openForAttributes(item);
    std::uint32_t attributes = 0;
    if (fd.get() < 0 || ::ioctl(fd.get(), FAT_IOCTL_GET_ATTRIBUTES, &attributes) != 0)
        return false;
    return (attributes & ATTR_HIDDEN) != 0;
}

bool setHidden(const std::filesystem::path& path, bool hidden)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    if (!onFatVolume(path))
        return true;
    const UniqueFd fd = openForAttributes(path);
    std::uint32_t attributes = 0;
    if (fd.get() < 0 || ::ioctl(fd.get(), FAT_IOCTL_GET_ATTRIBUTES, &attributes) != 0)
        return false;
    const std::uint32_t wanted
        = hidden ? (attributes | ATTR_HIDDEN) : (attributes & ~std::uint32_t { ATTR_HIDDEN });
    if (wanted == attributes)
        return true;
    return ::ioctl(fd.get(), FAT_IOCTL_SET_ATTRIBUTES, &wanted) == 0;
}

} // namespace kivora::recording
