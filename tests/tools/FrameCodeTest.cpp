#include "tools/democard/FrameCode.h"
#include "tools/democard/MovieEncoder.h"
#include "tools/democard/ScenePainter.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kivora::democard;

namespace {
struct Picture {
    int width;
    int height;
    std::vector<std::uint8_t> y, u, v;
    Picture(int w, int h)
        : width(w)
        , height(h)
        , y(std::size_t(w * h))
        , u(std::size_t(w * h / 4))
        , v(std::size_t(w * h / 4))
    {
    }
    FramePlanes planes() { return { y.data(), u.data(), v.data(), width, width / 2, width, height }; }
    // Limited-range luma to full-range grey, as a decoder's RGB conversion does.
    std::vector<std::uint8_t> rgb() const
    {
        std::vector<std::uint8_t> out(y.size() * 3);
        for (std::size_t i = 0; i < y.size(); ++i) {
            const int g = std::clamp((y[i] - 16) * 255 / 219, 0, 255);
            out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = static_cast<std::uint8_t>(g);
        }
        return out;
    }
};
} // namespace

TEST(DemocardFrameCode, PaintedScenesReadBackTheirCode)
{
    for (int code : { 0, 1, 2, 0x8000, 0x5A5A, 12345, 0xFFFF }) {
        SCOPED_TRACE(code);
        Picture p(320, 180);
        auto planes = p.planes();
        SceneFrame s;
        s.code = static_cast<std::uint16_t>(code);
        s.overlayLeft = "2023/01/15 08:30:00";
        s.overlayRight = "45KM/H";
        paintScene(planes, s);
        const auto rgb = p.rgb();
        EXPECT_EQ(readFrameCode(rgb.data(), p.width, p.height, p.width * 3), code);
        EXPECT_EQ(readFrameCodeGray(p.y.data(), p.width, p.height, p.width), code);
    }
}

TEST(DemocardFrameCode, PicturesWithoutACodeAreRejected)
{
    Picture p(320, 180);
    auto planes = p.planes();
    paintScene(planes, SceneFrame {});
    EXPECT_EQ(readFrameCodeGray(p.y.data(), 200, p.height, p.width), -1) << "narrower than the code";
    EXPECT_EQ(readFrameCodeGray(p.y.data(), p.width, 20, p.width), -1) << "lower than the band";

    Picture grey(320, 180);
    std::fill(grey.y.begin(), grey.y.end(), 126);
    EXPECT_EQ(readFrameCodeGray(grey.y.data(), 320, 180, 320), -1) << "a square neither black nor white";

    Picture white(320, 180);
    std::fill(white.y.begin(), white.y.end(), 250);
    EXPECT_EQ(readFrameCodeGray(white.y.data(), 320, 180, 320), -1) << "no grey band";
}
