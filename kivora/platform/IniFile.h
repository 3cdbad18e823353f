#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace kivora::platform {

// The longest value a read returns, in characters (the private-profile buffer of 260 less its NUL).
inline constexpr std::size_t kMaxProfileValueChars = 259;

// A settings file with private-profile semantics. Nothing is cached: every read loads the file,
// every write goes to the disk before it returns (see IniDocument for the text rules and
// writeFileAtomically for the replacement). Names and values are UTF-8.
// Any thread may call; writes from one process are serialised.
class IniFile {
public:
    explicit IniFile(std::filesystem::path path)
        : m_path(std::move(path))
    {
    }

    const std::filesystem::path& path() const { return m_path; }
    bool exists() const;

    // The stored value cut to maxChars characters; empty when the file, the section or the key is
    // missing or the file cannot be read.
    std::string read(
        std::string_view section, std::string_view key, std::size_t maxChars = kMaxProfileValueChars) const;

    // True when the value is on the disk. A missing file is created (its folder is not). A file
    // that exists but cannot be read is left alone and the write fails, so nothing in it is lost.
    bool write(std::string_view section, std::string_view key, std::string_view value) const;

private:
    std::filesystem::path m_path;
};

} // namespace kivora::platform
