// Rate codes, error texts, picture placement and fast-playback thinning: the engine's arithmetic
// without a movie.

#include "kivora/playback/FrameThinning.h"
#include "kivora/playback/MediaErrorReporter.h"
#include "kivora/playback/MoviePair.h"
#include "kivora/playback/RateCode.h"
#include "kivora/playback/VideoRect.h"

#include <gtest/gtest.h>

using namespace kivora::playback;

TEST(RateCode, ForwardOnlyTable)
{
    struct Case {
        int code, current;
        float rate;
        int stored;
    };
    const Case cases[] = {
        {1, 1, 1.0f, 1},   {2, 1, 2.0f, 2},  {4, 1, 4.0f, 4},  {-2, 1, 0.5f, -2}, {-4, 1, 0.25f, -4},
        {-1, 1, 0.5f, -2}, {-1, -2, 1.0f, 1}, {-1, 2, 1.0f, -1}, {7, 1, 1.0f, 7},
    };
    for (const Case& c : cases) {
        const RateChoice r = rateForCode(c.code, c.current, false);
        EXPECT_FLOAT_EQ(r.rate, c.rate) << c.code << " from " << c.current;
        EXPECT_EQ(r.storedCode, c.stored) << c.code << " from " << c.current;
    }
    EXPECT_FLOAT_EQ(rateForCode(-2, 1, true).rate, -2.0f);
    EXPECT_FLOAT_EQ(rateForCode(-1, 1, true).rate, -1.0f);
    EXPECT_TRUE(wantsThinning(4.0f));
    EXPECT_FALSE(wantsThinning(2.0f));
}

TEST(RateCode, NextRateCodeTables)
{
    struct Case {
        int code, fasterBack, fasterFwd, slowerSession, slowerFallback;
    };
    const Case cases[] = {
        {4, 4, 4, 2, 2}, {2, 4, 2, 1, 1}, {1, 2, 2, -1, -1}, {-1, 1, 1, -2, -2},
        {-2, -1, 1, -2, -4}, {-4, -2, -2, 1, -4}, {9, 1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nextRateCodeFrom(c.code, true, true, RateBackend::Session), c.fasterBack) << c.code;
        EXPECT_EQ(nextRateCodeFrom(c.code, true, false, RateBackend::Session), c.fasterFwd) << c.code;
        EXPECT_EQ(nextRateCodeFrom(c.code, false, false, RateBackend::Session), c.slowerSession) << c.code;
        EXPECT_EQ(nextRateCodeFrom(c.code, false, false, RateBackend::Fallback), c.slowerFallback) << c.code;
    }
}

TEST(RateCode, PairAnswersFromTheMainEngineState)
{
    MovieEngine main, sub;
    MoviePair pair(main, sub);
    EXPECT_EQ(pair.NextRateCode(true), 0); // not initialised
    ASSERT_TRUE(main.Init({}, "Noto Sans CJK JP"));
    EXPECT_EQ(pair.NextRateCode(true), 1); // not playing
    EXPECT_EQ(pair.NextRateCode(false), 1);
}

TEST(MediaErrorReporter, CodeTexts)
{
    EXPECT_EQ(mediaErrorText(0x80004001u), "E_NOTIMPL");
    EXPECT_EQ(mediaErrorText(0x80004002u), "E_NOINTERFACE");
    EXPECT_EQ(mediaErrorText(0x80004003u), "E_POINTER");
    EXPECT_EQ(mediaErrorText(0x80040209u), "VFW_E_NOT_CONNECTED");
    EXPECT_EQ(mediaErrorText(0x80040227u), "VFW_E_WRONG_STATE");
    EXPECT_EQ(mediaErrorText(0x8007000Eu), "E_OUTOFMEMORY");
    EXPECT_EQ(mediaErrorText(0x80070057u), "E_INVALIDARG");
    EXPECT_EQ(mediaErrorText(0x80040200u, "install"), "install");
    EXPECT_EQ(mediaErrorText(0x80040200u, ""), "Unknown 0x80040200");
    EXPECT_EQ(mediaErrorText(0xC00D36C4u), "Unknown 0xc00d36c4");
    EXPECT_EQ(mediaErrorText(reportCode(MediaError::InvalidArgument)), "E_INVALIDARG");

    static std::string shown;
    shown.clear();
    setErrorBoxHandler([](const std::string& text) { shown = text; });
    EXPECT_TRUE(reportMediaResult(0));
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(reportMediaResult(0x80004003u));
    EXPECT_EQ(shown, "E_POINTER");
    setErrorBoxHandler(nullptr);
}

TEST(VideoRect, ZoomKeepsTheAnchorAndAspectFitCentres)
{
    const auto z = zoomRect({0, 0, 640, 360}, 100, 50, 0, 0, 2.0f);
    ASSERT_TRUE(z);
    EXPECT_EQ(*z, (VideoRect{-100, -50, 1180, 670}));
    EXPECT_FALSE(zoomRect({0, 0, 640, 360}, 0, 0, 0, 0, 0.0f));
    EXPECT_EQ(*zoomRect({0, 0, 640, 360}, 320, 180, 5, -7, 1.0f), (VideoRect{5, -7, 645, 353}));

    const auto fit = aspectFit({0, 0, 640, 480}, 640, 480, 1920, 1080);
    ASSERT_TRUE(fit);
    EXPECT_EQ(*fit, (VideoRect{0, 60, 640, 421}));
    EXPECT_FALSE(aspectFit({0, 0, 640, 480}, 640, 480, 0, 0));
}

TEST(FrameThinning, DropsTheRestOfAGroupOnlyWhileBehind)
{
    constexpr Time100ns kFrame = 333'333;
    constexpr Time100ns kBehind = (FrameThinning::kToleranceFrames + 1) * kFrame;
    struct Step {
        bool key;
        bool allowed;
        Time100ns lateness;
        bool decoded;
    };
    // One run of packets through the same rule: every picture while in time or while thinning is
    // not allowed; once behind, nothing until the next key frame, even when time is caught up.
    const Step steps[] = {
        {true, true, 0, true},         {false, true, kFrame, true}, {false, false, kBehind, true},
        {false, true, kBehind, false}, {false, true, 0, false},     {false, false, 0, false},
        {true, true, kBehind, true},   {false, true, 0, true},      {false, true, -kBehind, true},
    };
    FrameThinning thinning;
    int i = 0;
    for (const Step& s : steps) {
        EXPECT_EQ(thinning.decode(s.key, s.allowed, s.lateness, kFrame), s.decoded) << "packet " << i;
        ++i;
    }
    // A seek starts afresh at a key frame.
    thinning.decode(false, true, kBehind, kFrame);
    thinning.reset();
    EXPECT_TRUE(thinning.decode(false, true, 0, kFrame));
}
