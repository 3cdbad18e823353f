#pragma once

// One fuzz input through the INI store's document: parse, read the keys it names, change one and
// check that the change reads back and that everything else of the text is kept. Shared by the
// libFuzzer target and the test that replays the seeds.

#include "kivora/platform/IniDocument.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kivora::fuzzing {

inline int fuzzIniInput(const std::uint8_t* data, std::size_t size)
{
    using kivora::platform::IniDocument;
    // The first line names the section, key and value to write; the rest is the file.
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::size_t split = all.find('\n');
    const std::string_view command
        = split == std::string_view::npos ? std::string_view() : all.substr(0, split);
    const std::string_view text = split == std::string_view::npos ? all : all.substr(split + 1);
    const std::size_t a = command.find('|');
    const std::size_t b = a == std::string_view::npos ? a : command.find('|', a + 1);
    const std::string_view section = a == std::string_view::npos ? "S" : command.substr(0, a);
    const std::string_view key = b == std::string_view::npos ? "K" : command.substr(a + 1, b - a - 1);
    const std::string_view value = b == std::string_view::npos ? "V" : command.substr(b + 1);

    IniDocument doc = IniDocument::parse(text);
    if (doc.text() != text)
        __builtin_trap(); // an untouched document writes back exactly what it read
    const auto before = doc.value(section, key);
    (void)kivora::platform::truncateUtf8(before.value_or(std::string(text.substr(0, 64))), 5);
    if (doc.set(section, key, value)) {
        const auto after = doc.value(section, key);
        if (!after || *after != value)
            __builtin_trap();
        // A second parse of the changed text reads the same value.
        const auto again = IniDocument::parse(doc.text()).value(section, key);
        if (!again || *again != value)
            __builtin_trap();
    } else if (doc.text() != text) {
        __builtin_trap(); // a refused change leaves the text alone
    }
    return 0;
}

} // namespace kivora::fuzzing
