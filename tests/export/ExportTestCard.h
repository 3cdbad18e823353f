#pragma once

// Small recorder cards for the file command tests, written by our own generator: recordings in
// the layout's movie folder with their sub movies and data files, as list entries with sizes.

#include "kivora/recording/RecordingEntry.h"
#include "kivora/recording/RecordingName.h"
#include "tests/support/RunProgram.h"
#include "tools/democard/RecordingWriter.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <system_error>
#include <vector>

namespace kivora::exporting::test {

namespace fs = std::filesystem;

struct CardOptions {
    int recordings = 2;
    int frames = 30;
    bool withSub = true;
    int width = 640, height = 360;
};

// Writes recordings into card/Normal (data in card/_NData) and returns their entries in order.
inline std::vector<recording::RecordingEntry> writeCard(const fs::path& card, const CardOptions& o = {})
{
    std::vector<recording::RecordingEntry> entries;
    fs::create_directories(card / "Normal");
    fs::create_directories(card / "_NData");
    for (int i = 0; i < o.recordings; ++i) {
        democard::RecordingRecipe recipe;
        recipe.trigger = democard::Trigger::Continuous;
        recipe.start = democard::DateTime { 2023, 1, 15, 8, 30 + i, 0 };
        recipe.fileNumber = std::uint32_t(100 + i);
        recipe.frameCount = o.frames;
        recipe.main = { o.width, o.height };
        recipe.withSub = o.withSub;
        recipe.sub = { 320, 180 };
        recipe.audio = false;
        recipe.overlay = false;
        recipe.movieFolder = card / "Normal";
        recipe.dataFolder = card / "_NData";
        auto written = democard::writeRecording(recipe, std::uint64_t(7 + i));
        EXPECT_TRUE(written) << written.error;
        if (!written)
            return {};
        recording::RecordingEntry e;
        e.path = written.value->main.path;
        e.sequence = i;
        e.mainSize = fs::file_size(e.path);
        e.subSize = written.value->sub ? written.value->sub->bytes : 0;
        e.dataSize = written.value->data ? fs::file_size(*written.value->data) : 0;
        entries.push_back(e);
    }
    return entries;
}

inline std::string readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

// The bytes of every file below folder, by path (the cards are small).
inline std::map<fs::path, std::string> snapshotTree(const fs::path& folder)
{
    std::map<fs::path, std::string> hashes;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            hashes[e.path()] = readBytes(e.path());
    return hashes;
}

// Files below folder (hidden ones too), as names relative to it.
inline std::vector<std::string> listTree(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec))
        names.push_back(fs::relative(e.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

// A memory file system of its own, when this process may mount one; unmounted at the end.
class SmallMount {
public:
    SmallMount(const fs::path& at, const std::string& options)
        : m_at(at)
    {
        fs::create_directories(at);
        m_mounted
            = kivora::testing::runProgram({ "mount", "-t", "tmpfs", "-o", options, "tmpfs", at.string() },
                  kivora::testing::Stderr::Merge)
                  .status
            == 0;
    }
    ~SmallMount()
    {
        if (m_mounted)
            kivora::testing::runProgram({ "umount", m_at.string() });
    }
    SmallMount(const SmallMount&) = delete;
    SmallMount& operator=(const SmallMount&) = delete;
    bool mounted() const { return m_mounted; }
    // Makes the mounted file system read-only (or writable again).
    bool remount(bool readOnly)
    {
        return kivora::testing::runProgram(
                   { "mount", "-o", readOnly ? "remount,ro" : "remount,rw", m_at.string() })
                   .status
            == 0;
    }

private:
    fs::path m_at;
    bool m_mounted = false;
};

} // namespace kivora::exporting::test
