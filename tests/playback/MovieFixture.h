#pragma once

// Small recorder-style movies for the playback tests, made by the card generator's encoder.
// Every picture carries its frame index as the generator's frame code.

#include <QImage>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace kivora::playback::test {

struct MovieOptions {
    int fps = 30;
    int frames = 90;
    int width = 320;
    int height = 180;
    bool audio = true;
};

// Writes the movie; an empty bytes edit leaves it as the generator made it. False on failure.
bool writeMovie(const std::filesystem::path& path, const MovieOptions& options,
                const std::function<void(std::vector<std::uint8_t>&)>& edit = {});

// The frame code a picture carries, or -1.
int frameCode(const QImage& image);

// A fresh folder under the system's temporary folder, removed with the object.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace kivora::playback::test
