#pragma once

// What the tools' tests share beyond tests/support: a file's bytes.

#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace kivora::tests {

using kivora::testing::runProgram;
using kivora::testing::RunResult;
using kivora::testing::Stderr;

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

} // namespace kivora::tests
