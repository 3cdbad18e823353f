#pragma once

// Character helpers shared by the name and path functions (not part of the public API).
// Paths are UTF-8; "characters" in position rules are UTF-16 code units, as the recorder's
// own tools count them, so that a non-ASCII folder name shifts nothing.

#include <cstddef>
#include <string>
#include <string_view>

namespace kivora::recording::detail {

inline constexpr std::size_t kNoIndex = std::string_view::npos;

// The last component of a '/' path (empty for a path ending in '/').
inline std::string_view lastComponent(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == kNoIndex ? path : path.substr(slash + 1);
}

// Byte offset where the last component starts.
inline std::size_t lastComponentStart(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == kNoIndex ? 0 : slash + 1;
}

// The character at index, or '\0' past the end.
inline char charAt(std::string_view s, std::size_t index)
{
    return index < s.size() ? s[index] : '\0';
}

inline bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Length in UTF-16 code units (a four-byte UTF-8 sequence counts twice).
inline std::size_t utf16Length(std::string_view s)
{
    std::size_t units = 0;
    for (const char c : s) {
        if (!isContinuationByte(c))
            units += static_cast<unsigned char>(c) >= 0xF0 ? 2 : 1;
    }
    return units;
}

// Byte offset of the character that sits `units` UTF-16 code units before the end, or kNoIndex
// when the string is shorter or that unit is the second half of a surrogate pair.
inline std::size_t offsetFromEnd(std::string_view s, std::size_t units)
{
    std::size_t counted = 0;
    for (std::size_t i = s.size(); i-- > 0;) {
        if (isContinuationByte(s[i]))
            continue;
        const std::size_t width = static_cast<unsigned char>(s[i]) >= 0xF0 ? 2 : 1;
        counted += width;
        if (counted == units)
            return i;
        if (counted > units)
            return kNoIndex;
    }
    return kNoIndex;
}

inline char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

} // namespace kivora::recording::detail
