#include "kivora/platform/IniFile.h"

#include "kivora/platform/AtomicWrite.h"
#include "kivora/platform/IniDocument.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>

namespace kivora::platform {

namespace {

// Settings files are a few hundred bytes; anything far larger is not one of ours.
constexpr std::uintmax_t kMaxFileBytes = 16u << 20;

enum class Load { Missing, Loaded, Unreadable };

Load loadText(const std::filesystem::path& path, std::string& text)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return Load::Missing;
    if (ec || !std::filesystem::is_regular_file(status))
        return Load::Unreadable;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxFileBytes)
        return Load::Unreadable;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Load::Unreadable;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad())
        return Load::Unreadable;
    text = std::move(buffer).str();
    return Load::Loaded;
}

std::mutex& writeMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Holds an exclusive flock on the file's folder. Two copies of the program may run at once and
// both write the same settings file; without it one copy's change could bring back the other's
// old file. A folder that cannot be locked is written without the lock.
class FolderLock {
public:
    explicit FolderLock(const std::filesystem::path& file)
    {
        const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
        m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd >= 0)
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) { }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace

bool IniFile::exists() const
{
    std::error_code ec;
    return std::filesystem::exists(m_path, ec);
}

std::string IniFile::read(std::string_view section, std::string_view key, std::size_t maxChars) const
{
    std::string text;
    if (m_path.empty() || loadText(m_path, text) != Load::Loaded)
        return {};
    const auto value = IniDocument::parse(text).value(section, key);
    return value ? truncateUtf8(*value, maxChars) : std::string();
}

bool IniFile::write(std::string_view section, std::string_view key, std::string_view value) const
{
    if (m_path.empty())
        return false;
    // Read, change and replace as one step, or a second writer would bring back an old file.
    std::lock_guard lock(writeMutex());
    const FolderLock folderLock(m_path);
    std::string text;
    const Load load = loadText(m_path, text);
    if (load == Load::Unreadable)
        return false;
    IniDocument doc = IniDocument::parse(text);
    if (!doc.set(section, key, value))
        return false;
    std::string updated = doc.text();
    if (load == Load::Loaded && updated == text)
        return true;
    return writeFileAtomically(m_path, updated);
}

} // namespace kivora::platform
