#include "kivora/system/FolderListing.h"

#include "kivora/system/FileAttributes.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

namespace kivora::system {

bool listVisibleItems(const std::filesystem::path& folder,
    const std::function<void(std::string_view name, bool isFolder)>& each)
{
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return false;
    // Items are tested relative to the open folder: the kernel need not walk its path per item.
    const int fd = ::dirfd(dir.get());
    const bool withAttribute = hasHiddenAttribute(fd);
    while (const dirent* item = ::readdir(dir.get())) {
        const std::string_view name(item->d_name);
        if (name == "." || name == ".." || isHiddenIn(fd, item->d_name, withAttribute))
            continue;
        bool directory = item->d_type == DT_DIR;
        if (item->d_type == DT_LNK || item->d_type == DT_UNKNOWN) {
            // The file system may not tell the type at all.
            struct stat st { };
            directory = ::fstatat(fd, item->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        each(name, directory);
    }
    return true;
}

} // namespace kivora::system
