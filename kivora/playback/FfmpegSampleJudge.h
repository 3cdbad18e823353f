#pragma once

// The repair's judge of samples, over FFmpeg's decoders configured from the template: the AAC
// decoder tells where a raw sound frame ends, the H.264 decoder whether a key frame belongs to
// the template's picture size and coding.

#include "kivora/playback/FfmpegHandles.h"
#include "kivora/recording/MovieRepair.h"

#include <memory>
#include <optional>
#include <string>

namespace kivora::playback {

class FfmpegSampleJudge final : public recording::SampleJudge {
public:
    // None (error says why) when a decoder cannot be opened with the template's configuration.
    static std::unique_ptr<FfmpegSampleJudge> create(
        const recording::RepairTemplate& tpl, std::string& error);

    std::size_t soundFrameLength(std::span<const std::uint8_t> data) override;
    bool soundFrameEndsAt(std::span<const std::uint8_t> data, std::size_t length) override;
    bool keyFrameFits(std::span<const std::uint8_t> sample) override;
    bool lastPictureDecodes(const std::vector<std::vector<std::uint8_t>>& pictures) override;

private:
    FfmpegSampleJudge() = default;
    bool soundDecodes(std::span<const std::uint8_t> data);

    AVCodecContextPtr m_sound; // none without a sound track
    AVCodecContextPtr m_video;
    AVPacketPtr m_packet;
    AVFramePtr m_frame;
    int m_width = 0, m_height = 0;
    std::size_t m_lastLength = 0; // frames of a stream tend to keep their length: tried first
};

} // namespace kivora::playback
