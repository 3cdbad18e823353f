#include "kivora/platform/IniFile.h"

#include "kivora/platform/AtomicWrite.h"
#include "kivora/platform/IniDocument.h"

#include "kivora/system/FileLock.h"

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
    // Two copies of the program may run at once and both write the same settings file; without
    // the folder lock one copy's change could bring back the other's old file.
    const system::FolderLock folderLock(m_path.has_parent_path() ? m_path.parent_path() : ".");
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
