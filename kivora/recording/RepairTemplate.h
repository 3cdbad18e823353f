#pragma once

// What a healthy movie of the same camera lends to the repair of a cut one: its track
// descriptions, time scales, sample periods and the order in which the recorder interleaves the
// tracks' samples. None of its sample data or telemetry is kept.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kivora::recording {

enum class TrackKind { Video, Sound };

struct TemplateTrack {
    TrackKind kind = TrackKind::Video;
    std::vector<std::uint8_t> trak; // the whole "trak" atom, header included
    std::uint32_t timescale = 0; // of its "mdhd"
    std::uint32_t sampleDelta = 0; // the most common "stts" delta
    std::vector<std::uint8_t> decoderConfig; // video: "avcC" payload; sound: AudioSpecificConfig
    int nalLengthSize = 4; // video: bytes of each NAL unit's length prefix
    int width = 0, height = 0; // video: from the sample description
    int channels = 0; // sound
    std::uint64_t largestSample = 0; // of the template's samples of this track
};

struct RepairTemplate {
    std::filesystem::path path;
    std::vector<std::uint8_t> ftyp; // the whole "ftyp" atom
    std::vector<std::uint8_t> mvhd; // the whole "mvhd" atom
    std::uint32_t movieTimescale = 0;
    std::vector<TemplateTrack> tracks; // video first, at most one of each kind
    // Index into tracks of every sample, in the order the samples lie in the file.
    std::vector<std::uint8_t> order;

    const TemplateTrack* track(TrackKind kind) const;
};

// Reads a healthy movie as a template. None (error says why) when it has no index, no H.264
// video track, reordered frames, or tracks the repair cannot rebuild.
std::optional<RepairTemplate> ReadRepairTemplate(const std::filesystem::path& path, std::string& error);

} // namespace kivora::recording
