#pragma once

// JSON text helpers for the tools that write JSON (kivora-cli's commands, the card generator's
// manifest). Standard library only, header only.

#include <cstdio>
#include <string>
#include <string_view>

namespace kivora::json {

// Length of the valid UTF-8 sequence at s[i], or 0 when the bytes there are not valid UTF-8.
inline std::size_t utf8SequenceLength(std::string_view s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    if (i + length > s.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    }
    return length;
}

// A JSON string literal. Paths may hold bytes that are not UTF-8; each such byte becomes U+FFFD
// so that the line stays valid JSON.
inline std::string jsonString(std::string_view s)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else
                    out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        const std::size_t length = utf8SequenceLength(s, i);
        if (length == 0) {
            out += "\\ufffd";
            ++i;
        } else {
            out.append(s, i, length);
            i += length;
        }
    }
    out += '"';
    return out;
}

} // namespace kivora::json
