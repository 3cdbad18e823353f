#include "tests/playback/MovieFixture.h"

#include "tools/democard/FrameCode.h"
#include "tools/democard/MovAtoms.h"
#include "tools/democard/MovieEncoder.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>

namespace kivora::playback::test {

bool writeMovie(const std::filesystem::path& path, const MovieOptions& o,
                const std::function<void(std::vector<std::uint8_t>&)>& edit)
{
    democard::MovieRecipe recipe;
    recipe.width = o.width;
    recipe.height = o.height;
    recipe.fps = o.fps;
    recipe.frameCount = o.frames;
    recipe.audio = o.audio;
    auto paint = [](int frame, democard::FramePlanes& p) {
        for (int y = 0; y < p.height; ++y)
            std::memset(p.y + std::ptrdiff_t(y) * p.yStride, 60 + (frame * 3 + y) % 100, std::size_t(p.width));
        for (int y = 0; y < p.height / 2; ++y) {
            std::memset(p.u + std::ptrdiff_t(y) * p.uvStride, 128, std::size_t(p.width / 2));
            std::memset(p.v + std::ptrdiff_t(y) * p.uvStride, 128, std::size_t(p.width / 2));
        }
        democard::drawFrameCode(p.y, p.yStride, p.u, p.v, p.uvStride, p.width, std::uint16_t(frame));
    };
    auto sound = [](std::int64_t first, std::span<float> samples) {
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = 0.2f * float(std::sin(double(first + std::int64_t(i)) * 0.05));
    };
    auto muxed = democard::encodeMovie(recipe, paint, sound);
    if (!muxed)
        return false;
    auto arranged = democard::arrangeRecorderMovie(*muxed.value, {});
    if (!arranged)
        return false;
    std::vector<std::uint8_t>& bytes = *arranged.value;
    if (edit)
        edit(bytes);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

int frameCode(const QImage& image)
{
    if (image.isNull())
        return -1;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    return democard::readFrameCode(rgb.constBits(), rgb.width(), rgb.height(), int(rgb.bytesPerLine()));
}

TempFolder::TempFolder()
{
    std::random_device rd;
    m_path = std::filesystem::temp_directory_path() / ("kivora-playback-" + std::to_string(rd()));
    std::filesystem::create_directories(m_path);
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

} // namespace kivora::playback::test
