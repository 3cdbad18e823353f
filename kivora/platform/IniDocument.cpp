#include "kivora/platform/IniDocument.h"

#include <algorithm>

namespace kivora::platform {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return lowerAscii(x) == lowerAscii(y);
    });
}

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

bool enclosedInQuotes(std::string_view s)
{
    return s.size() >= 2 && isQuote(s.front()) && s.front() == s.back();
}

// A section header's name, or nullopt when the line is not a header.
std::optional<std::string_view> headerName(std::string_view line)
{
    line = trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    line.remove_prefix(1);
    const auto close = line.find(']');
    return trim(line.substr(0, close));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line)
{
    line = trim(line);
    if (line.empty() || line.front() == ';' || line.front() == '[')
        return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return KeyLine { trim(line.substr(0, eq)), trim(line.substr(eq + 1)) };
}

bool hasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos;
}

bool validName(std::string_view name)
{
    return !name.empty() && trim(name) == name && !hasLineBreakOrNul(name);
}

// Quotes are added exactly when reading would otherwise drop characters of the value.
std::string encodeValue(std::string_view value)
{
    if (!value.empty() && (isBlank(value.front()) || isBlank(value.back()) || enclosedInQuotes(value)))
        return '"' + std::string(value) + '"';
    return std::string(value);
}

} // namespace

IniDocument IniDocument::parse(std::string_view text)
{
    IniDocument doc;
    if (text.starts_with(kBom)) {
        doc.m_bom = kBom;
        text.remove_prefix(kBom.size());
    }
    while (!text.empty()) {
        const auto nl = text.find('\n');
        Line line;
        if (nl == std::string_view::npos) {
            line.content = text;
            text = {};
        } else {
            std::string_view content = text.substr(0, nl);
            if (content.ends_with('\r')) {
                content.remove_suffix(1);
                line.ending = "\r\n";
            } else {
                line.ending = "\n";
            }
            line.content = content;
            text.remove_prefix(nl + 1);
        }
        doc.m_lines.push_back(std::move(line));
    }
    if (!doc.m_lines.empty() && !doc.m_lines.front().ending.empty())
        doc.m_newline = doc.m_lines.front().ending;
    return doc;
}

std::optional<std::size_t> IniDocument::findSection(std::string_view section) const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = headerName(m_lines[i].content);
        if (name && sameName(*name, section))
            return i;
    }
    return std::nullopt;
}

std::size_t IniDocument::sectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    while (i < m_lines.size() && !headerName(m_lines[i].content))
        ++i;
    return i;
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const
{
    const auto header = findSection(section);
    if (!header)
        return std::nullopt;
    const std::size_t end = sectionEnd(*header);
    for (std::size_t i = *header + 1; i < end; ++i) {
        const auto kv = keyLine(m_lines[i].content);
        if (kv && sameName(kv->key, key)) {
            std::string_view v = kv->value;
            if (enclosedInQuotes(v))
                v = v.substr(1, v.size() - 2);
            return std::string(v);
        }
    }
    return std::nullopt;
}

void IniDocument::insertLine(std::size_t index, std::string content)
{
    // The line before a new one must end, or the two would run together.
    if (index > 0 && m_lines[index - 1].ending.empty())
        m_lines[index - 1].ending = m_newline;
    m_lines.insert(
        m_lines.begin() + static_cast<std::ptrdiff_t>(index), Line { std::move(content), m_newline });
}

bool IniDocument::set(std::string_view section, std::string_view key, std::string_view value)
{
    if (!validName(section) || section.find(']') != section.npos || !validName(key)
        || key.find('=') != key.npos || key.front() == '[' || key.front() == ';' || hasLineBreakOrNul(value))
        return false;

    const std::string encoded = encodeValue(value);
    const auto header = findSection(section);
    if (!header) {
        insertLine(m_lines.size(), '[' + std::string(section) + ']');
        insertLine(m_lines.size(), std::string(key) + '=' + encoded);
        return true;
    }
    const std::size_t end = sectionEnd(*header);
    std::size_t lastFilled = *header;
    for (std::size_t i = *header + 1; i < end; ++i) {
        const auto kv = keyLine(m_lines[i].content);
        if (kv && sameName(kv->key, key)) {
            // Keep the spelling the file already uses for the key.
            m_lines[i].content = std::string(kv->key) + '=' + encoded;
            return true;
        }
        if (!trim(m_lines[i].content).empty())
            lastFilled = i;
    }
    insertLine(lastFilled + 1, std::string(key) + '=' + encoded);
    return true;
}

std::string IniDocument::text() const
{
    std::string out = m_bom;
    for (const Line& line : m_lines) {
        out += line.content;
        out += line.ending;
    }
    return out;
}

std::string truncateUtf8(std::string_view text, std::size_t maxChars)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
        if (!continuation && chars++ == maxChars)
            return std::string(text.substr(0, i));
    }
    return std::string(text);
}

} // namespace kivora::platform
