#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivora::platform {

// An INI text kept as its lines, so that a change rewrites one line and leaves everything else
// (unknown sections and keys, comments, blank lines, order, line endings, a UTF-8 byte-order mark)
// exactly as it was. No I/O; IniFile puts it on disk.
//
// Reading follows the private-profile rules: section and key names match without regard to ASCII
// case, the first matching section and key win, whitespace around names and values is ignored,
// and one pair of matching quotes around a value is removed. Lines starting with ';' are comments.
class IniDocument {
public:
    static IniDocument parse(std::string_view text);

    // The value of the key, or nullopt when the section or the key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Stores the value so that value() gives it back unchanged. An existing key keeps its place;
    // a new key goes after the last line of its section; a new section goes at the end.
    // False, and nothing changed, when a name is empty or not trimmed, a section name holds ']',
    // a key holds '=' or starts with '[' or ';', or anything holds a line break or NUL.
    bool set(std::string_view section, std::string_view key, std::string_view value);

    std::string text() const;

private:
    struct Line {
        std::string content; // without its line ending
        std::string ending; // "\n", "\r\n", or empty for an unterminated last line
    };

    std::optional<std::size_t> findSection(std::string_view section) const;
    std::size_t sectionEnd(std::size_t header) const; // index of the next section header or size()
    void insertLine(std::size_t index, std::string content);

    std::string m_bom;
    std::vector<Line> m_lines;
    std::string m_newline = "\n"; // ending for new lines, taken from the file's first line
};

// The first maxChars characters (UTF-8 code points) of text; never splits a character.
std::string truncateUtf8(std::string_view text, std::size_t maxChars);

} // namespace kivora::platform
