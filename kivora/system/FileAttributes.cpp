#include "kivora/system/FileAttributes.h"

#include "kivora/system/UniqueFd.h"

#include <cstdint>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace kivora::system {

namespace {

bool onFatVolume(const std::filesystem::path& path)
{
    struct statfs fs { };
    return ::statfs(path.c_str(), &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
}

bool hasDotName(std::string_view name)
{
    return name.size() > 1 && name[0] == '.' && name != "..";
}

bool hasDotName(const std::filesystem::path& path)
{
    return hasDotName(std::string_view(path.filename().native()));
}

// O_NONBLOCK so that a FIFO on the card cannot block the caller.
constexpr int kAttributeOpenFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

UniqueFd openForAttributes(const std::filesystem::path& path)
{
    return UniqueFd(::open(path.c_str(), kAttributeOpenFlags));
}

bool hasHiddenBit(const UniqueFd& fd)
{
    std::uint32_t attributes = 0;
    if (fd.get() < 0 || ::ioctl(fd.get(), FAT_IOCTL_GET_ATTRIBUTES, &attributes) != 0)
        return false;
    return (attributes & ATTR_HIDDEN) != 0;
}

} // namespace

bool hasHiddenAttribute(int folderFd)
{
    struct statfs fs { };
    return ::fstatfs(folderFd, &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
}

bool isHidden(const std::filesystem::path& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    if (hasDotName(path))
        return true;
    return onFatVolume(path) && hasHiddenBit(openForAttributes(path));
}

bool isHiddenIn(int folderFd, const char* name, bool folderHasAttribute)
{
    if (hasDotName(std::string_view(name)))
        return true;
    return folderHasAttribute && hasHiddenBit(UniqueFd(::openat(folderFd, name, kAttributeOpenFlags)));
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

} // namespace kivora::system
