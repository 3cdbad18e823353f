#pragma once

// Repairs a movie whose recorder lost power before it wrote the index: the movie data is walked
// sample by sample with a healthy movie of the same camera as template, every complete sample
// before the cut is kept, and a new movie with rebuilt sample tables is written. The broken file
// is only ever read. The output is written to a hidden temporary file beside it and renamed into
// place when complete; on failure nothing at the output changes.

#include "kivora/recording/MovieWriter.h"
#include "kivora/recording/RepairTemplate.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace kivora::recording {

// Judges what the bytes alone cannot tell; made by a layer with decoders, for one template's
// decoder configurations. Used by the repairing thread only.
class SampleJudge {
public:
    virtual ~SampleJudge() = default;
    // Length of the one raw sound frame that data starts with; 0 when data does not start with a
    // complete frame.
    virtual std::size_t soundFrameLength(std::span<const std::uint8_t> data) = 0;
    // Whether soundFrameLength(data) is length; cheaper when the caller has a good guess.
    virtual bool soundFrameEndsAt(std::span<const std::uint8_t> data, std::size_t length) = 0;
    // Whether a key frame (length-prefixed NAL units) decodes cleanly with the template's video
    // configuration, i.e. was coded for the same picture size and settings.
    virtual bool keyFrameFits(std::span<const std::uint8_t> sample) = 0;
    // Whether the last of pictures (a key frame and the pictures after it, in order) decodes
    // cleanly: damage that began inside a picture leaves its NAL units' lengths intact. A judge
    // without a decoder keeps the picture.
    virtual bool lastPictureDecodes(const std::vector<std::vector<std::uint8_t>>& /*pictures*/)
    {
        return true;
    }
};

enum class RepairStatus {
    Repaired,
    NotCut, // the movie has its index: nothing to repair
    NotAMovie, // unreadable, no movie data, or no H.264 samples at its start
    TemplateMismatch, // the template is of another camera, picture size or coding
    NoKeyFrame, // cut inside its first key frame
    WriteFailed,
    Cancelled, // stopped on request: nothing written
};

struct RepairResult {
    RepairStatus status = RepairStatus::NotAMovie;
    std::string error; // why, when not repaired
    std::uint64_t videoFrames = 0;
    std::uint64_t soundFrames = 0;
    std::uint64_t keptBytes = 0; // movie data kept
    std::uint64_t lostBytes = 0; // movie data after the last complete sample
    // Damaged stretches inside the data that the walk passed over to the next key frame; their
    // bytes stay in the new movie's data, unused.
    std::uint64_t damagedStretches = 0;
    std::uint64_t damagedBytes = 0;
    bool telemetry = false; // the recording's data file went into the new movie
    // The walk ended where the data went on as another recording (an older one that the card's
    // clusters still held after the cut): by the data file's length or the pictures' numbering.
    bool olderDataAfterCut = false;
    // The walk ended at damage it would have passed over: without a data file nothing tells
    // whether the key frame beyond it is still this recording's.
    bool endedAtDamage = false;
};

// Repairs broken into output with tpl and judge. The telemetry comes from broken's data file
// (DataPath, current layout) when it has a readable one. progress: movie data walked (the copy
// runs alongside), on the calling thread. stop is asked throughout the walk and the copy, also
// from the copying thread; when it answers true the repair ends Cancelled, with its temporary file
// removed and every file it opened closed.
RepairResult RepairMovie(const std::filesystem::path& broken, const RepairTemplate& tpl, SampleJudge& judge,
    const std::filesystem::path& output, const WriteProgress& progress = {}, const WriteStop& stop = {});

// Whether folder is one of a recorder's own folders on a card (a movie or data folder of either
// layout, or a camera folder below one): a movie written there would disturb the recorder's
// numbering, grouping and newest-recording identification. Keeps the current layout.
bool IsRecorderFolder(const std::filesystem::path& folder);

// Movies in broken's folder that may serve as its template, the closest in time first.
std::vector<std::filesystem::path> TemplateCandidates(const std::filesystem::path& broken);

} // namespace kivora::recording
