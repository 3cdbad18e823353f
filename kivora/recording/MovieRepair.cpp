#include "kivora/recording/MovieRepair.h"

#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/RepairBytes.h"
#include "kivora/recording/RepairFrameNumbers.h"
#include "kivora/recording/RepairIndex.h"
#include "kivora/recording/RepairSamples.h"
#include "kivora/recording/TelemetryReader.h"
#include "kivora/system/FileOps.h"
#include "kivora/system/StagedFile.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <tuple>

namespace kivora::recording {

using namespace repair;
namespace fs = std::filesystem;

namespace {

// No picture of a recorder comes near this.
constexpr std::size_t kMaxSampleBytes = std::size_t(32) << 20;

// The most padding put before the movie data to keep it at its offset in the broken file.
constexpr std::uint64_t kMaxAlignPadding = 64 * 1024;

// How far a recorder's data file may lag behind its movie when the power fails: it writes its
// records in batches. Generous, as the last seconds before a crash matter most; the pictures'
// numbering guards the walk inside this margin.
constexpr double kDataFileLagSeconds = 3.0;

// The recording's data file, when it is one. A file cut by the same power loss counts up to its
// last complete record.
struct DataFile {
    std::vector<std::uint8_t> bytes;
    std::uint64_t records = 0;
    bool cut = false; // its records stop short of its count or end tag
};

DataFile readDataFile(const fs::path& broken)
{
    DataFile data;
    const system::UniqueFd in = system::openForReading(DataPath(broken));
    const auto size = system::regularFileSize(in);
    if (!size || *size < 34 || *size > std::uint64_t(256) << 20)
        return {};
    data.bytes.resize(std::size_t(*size));
    if (system::readAt(in, data.bytes.data(), data.bytes.size(), 0) != data.bytes.size()
        || std::memcmp(data.bytes.data(), "CSMDAT", 6) != 0)
        return {};
    const std::uint64_t fits = (*size - 34) / kTelemetryRecordBytes;
    const std::uint16_t declared = readBe16(data.bytes.data() + 32);
    data.records = declared == 0xFFFF ? fits : std::min<std::uint64_t>(fits, declared);
    data.cut = true;
    for (std::uint64_t i = 0; i <= data.records && data.cut; ++i) {
        const std::uint64_t at = 34 + i * kTelemetryRecordBytes;
        if (at + 6 <= *size && std::memcmp(data.bytes.data() + at, "CSMEND", 6) == 0) {
            data.records = i;
            data.cut = false;
        }
    }
    return data;
}

// How long the recording ran by its data file: ten records a second (a time-lapse recording's
// come faster, so this errs long). Unbounded without one.
double recordedLength(const DataFile& data)
{
    return data.records ? double(data.records) * double(kMsPerRecord) / 1000.0
                        : std::numeric_limits<double>::infinity();
}

// The telemetry block for the new movie: the data file as it is, or, when it was cut, its complete
// records with their count and end tag made whole, so that it still gives every record it holds.
std::vector<std::uint8_t> telemetryOf(const DataFile& data)
{
    if (!data.records || !data.cut)
        return data.records ? data.bytes : std::vector<std::uint8_t> {};
    std::vector<std::uint8_t> block(
        data.bytes.begin(), data.bytes.begin() + std::ptrdiff_t(34 + data.records * kTelemetryRecordBytes));
    const std::uint16_t count = data.records >= 0xFFFF ? 0xFFFF : std::uint16_t(data.records);
    block[32] = std::uint8_t(count >> 8);
    block[33] = std::uint8_t(count);
    block.insert(block.end(), { 'C', 'S', 'M', 'E', 'N', 'D' });
    return block;
}

struct DataRange {
    std::uint64_t begin = 0, end = 0;
    std::vector<std::uint8_t> ftyp;
};

// Finds the movie data of a cut movie: the data of its "mdat" up to where the file (or the atom)
// ends. A movie that has an index after its data is not cut.
RepairResult locateData(FileWindow& file, DataRange& range)
{
    RepairResult r;
    std::uint64_t at = 0;
    const std::uint64_t size = file.size();
    bool sawData = false;
    while (size - at >= 8) {
        const auto h = file.at(at, 16);
        if (h.size() < 8)
            break;
        const std::string_view type(reinterpret_cast<const char*>(h.data() + 4), 4);
        std::uint64_t atomSize = readBe32(h.data());
        std::uint64_t header = 8;
        if (atomSize == 1 && h.size() == 16) {
            atomSize = readBe64(h.data() + 8);
            header = 16;
        } else if (atomSize == 0) {
            atomSize = size - at; // "to the end of the file": a recorder that never came back to fix it
        }
        if (at == 0 && type != "ftyp") {
            r.error = "not a movie file (it does not start with a file type)";
            return r;
        }
        if (type == "moov" && atomSize <= size - at) {
            r.status = RepairStatus::NotCut;
            r.error = "the movie has its index and needs no repair";
            return r;
        }
        if (type == "ftyp" && atomSize <= 4096 && atomSize <= size - at) {
            const auto f = file.at(at, std::size_t(atomSize));
            range.ftyp.assign(f.begin(), f.end());
        }
        if (type == "mdat" && !sawData && atomSize >= header) {
            sawData = true;
            range.begin = at + header;
            range.end = std::min(at + atomSize, size);
        }
        if (atomSize < header || atomSize > size - at)
            break;
        at += atomSize;
    }
    if (!sawData || range.end <= range.begin) {
        r.error = "the file holds no movie data";
        return r;
    }
    r.status = RepairStatus::Repaired;
    return r;
}

// Where the walk picks up again after damage at from: the next key frame whose NAL units all check
// out and that decodes cleanly with the template's configuration. 0 when none follows before end.
// scan reads the stretch; file looks at the candidates. A stop also gives 0.
std::uint64_t nextKeyFrame(FileWindow& scan, FileWindow& file, std::uint64_t from, std::uint64_t end,
    int lengthSize, std::size_t videoBound, SampleJudge& judge, const WriteStop& stop)
{
    constexpr std::size_t kStride = std::size_t(1) << 20;
    const std::size_t lookahead = std::size_t(lengthSize) + 2;
    for (std::uint64_t base = from + 1; base < end; base += kStride) {
        if (stop && stop())
            return 0;
        const auto window
            = scan.at(base, std::size_t(std::min<std::uint64_t>(end - base, kStride + lookahead)));
        if (window.empty())
            return 0;
        for (std::size_t i = 0; i < std::min(window.size(), kStride); ++i) {
            if (!videoMayStartAt(window.subspan(i), lengthSize, end - base - i))
                continue;
            // A key frame opens with its parameter sets, a delimiter, a supplement or its slice.
            const int type = window[i + std::size_t(lengthSize)] & 0x1F;
            if (type != 5 && type != 6 && type != 7 && type != 9)
                continue;
            const std::uint64_t at = base + i;
            const VideoSample v = videoSampleAt(file, at, std::min(end, at + videoBound), lengthSize);
            if (v.sync && judge.keyFrameFits(file.at(at, v.length)))
                return at;
        }
    }
    return 0;
}

// Whether the last kept sample, a picture, decodes with those since the key frame before it.
bool lastPictureFits(FileWindow& file, const std::vector<KeptSample>& kept, SampleJudge& judge)
{
    std::size_t first = kept.size() - 1;
    while (first > 0 && !(kept[first].track == 0 && kept[first].sync))
        --first;
    std::vector<std::vector<std::uint8_t>> pictures;
    for (std::size_t i = first; i < kept.size(); ++i) {
        if (kept[i].track != 0)
            continue;
        const auto bytes = file.at(kept[i].offset, kept[i].size);
        pictures.emplace_back(bytes.begin(), bytes.end());
    }
    return judge.lastPictureDecodes(pictures);
}

// The times of the kept samples, with what a damaged stretch held estimated so that the pictures
// after it keep their place in time (and with the telemetry) and the sound stays with them.
class Timeline {
public:
    Timeline(const TemplateTrack& video, const TemplateTrack* sound)
        : m_video(video)
        , m_sound(sound)
    {
    }
    // Whether the sound is behind the pictures in time: then it comes next, as recorders interleave.
    bool soundBehind() const { return m_sound && seconds(1) < seconds(0); }
    // Takes back the last kept sample.
    void dropLast(std::vector<KeptSample>& samples)
    {
        const KeptSample s = samples.back();
        samples.pop_back();
        const int t = s.track == 0 ? 0 : 1;
        m_ticks[t] -= (t == 0 ? m_video.sampleDelta : m_sound->sampleDelta);
        m_bytes -= s.size;
        m_last[t] = kNone;
        for (std::size_t i = samples.size(); i-- > 0 && m_last[t] == kNone;) {
            if ((samples[i].track == 0) == (t == 0))
                m_last[t] = i;
        }
        if (t == 0 && s.sync) {
            m_lastKey = m_previousKey;
            m_previousKey = -1;
        }
    }
    void kept(std::vector<KeptSample>& samples)
    {
        const KeptSample& s = samples.back();
        const int t = s.track == 0 ? 0 : 1;
        if (t == 0 && s.sync) {
            m_previousKey = m_lastKey;
            m_lastKey = m_ticks[0] / m_video.sampleDelta;
        }
        m_ticks[t] += (t == 0 ? m_video.sampleDelta : m_sound->sampleDelta);
        m_last[t] = samples.size() - 1;
        m_bytes += s.size;
    }
    // Pictures lost in damaged bytes after the last kept sample: estimated from the data rate so
    // far and rounded to whole groups of pictures, as the next one starts a group.
    std::uint64_t lostPictures(std::uint64_t damagedBytes) const
    {
        const double delta = double(m_video.sampleDelta) / m_video.timescale;
        const std::uint64_t next = m_ticks[0] / m_video.sampleDelta;
        const double elapsed = std::max(seconds(0), seconds(1));
        double resume = double(next);
        if (elapsed > 0 && m_bytes)
            resume += double(damagedBytes) / (double(m_bytes) / elapsed) / delta;
        if (m_lastKey >= 0 && m_previousKey >= 0 && m_lastKey > m_previousKey) {
            const double group = double(m_lastKey - m_previousKey);
            resume
                = double(m_lastKey) + group * std::max(1.0, std::round((resume - double(m_lastKey)) / group));
        }
        return std::uint64_t(std::max(resume, double(next))) - next;
    }
    // Holds the last kept picture (and the sound with it) through lost pictures.
    void bridge(std::vector<KeptSample>& samples, std::uint64_t lost)
    {
        extend(samples, 0, lost * m_video.sampleDelta);
        if (m_sound) {
            const double at = double(m_ticks[0]) / m_video.timescale;
            const double behind = (at - seconds(1)) * m_sound->timescale;
            if (behind > 0)
                extend(samples, 1, std::uint64_t(std::llround(behind)));
        }
    }
    // Where the next picture starts, in seconds; after lost more pictures when given.
    double nextPictureSeconds(std::uint64_t lost = 0) const
    {
        return double(m_ticks[0] + lost * m_video.sampleDelta) / m_video.timescale;
    }

private:
    double seconds(int t) const
    {
        return t == 0 ? double(m_ticks[0]) / m_video.timescale : double(m_ticks[1]) / m_sound->timescale;
    }
    void extend(std::vector<KeptSample>& samples, int t, std::uint64_t ticks)
    {
        if (m_last[t] == kNone || !ticks)
            return;
        KeptSample& s = samples[m_last[t]];
        const std::uint64_t room = 0xFFFFFFFFu - (t == 0 ? m_video.sampleDelta : m_sound->sampleDelta);
        ticks = std::min<std::uint64_t>(ticks, room - s.extraDuration);
        s.extraDuration += std::uint32_t(ticks);
        m_ticks[t] += ticks;
    }
    static constexpr std::size_t kNone = std::size_t(-1);
    const TemplateTrack& m_video;
    const TemplateTrack* m_sound;
    std::uint64_t m_ticks[2] = { 0, 0 }; // each track's time in its own time scale, gaps included
    std::size_t m_last[2] = { kNone, kNone }; // the tracks' last kept samples
    std::int64_t m_lastKey = -1, m_previousKey = -1; // picture numbers on the time line
    std::uint64_t m_bytes = 0; // of the kept samples
};

bool sameFile(const fs::path& a, const fs::path& b)
{
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

} // namespace

RepairResult RepairMovie(const fs::path& broken, const RepairTemplate& tpl, SampleJudge& judge,
    const fs::path& output, const WriteProgress& progress, const WriteStop& stop)
{
    RepairResult r;
    const auto cancelled = [&] {
        r = {};
        r.status = RepairStatus::Cancelled;
        r.error = "cancelled";
        return true;
    };
    const auto stopped = [&] { return stop && stop() && cancelled(); };
    if (sameFile(broken, output)) {
        r.error = "the repaired movie must not replace the broken one";
        return r;
    }
    if (sameFile(tpl.path, output)) {
        r.error = "the repaired movie must not replace its template, a recording of its own";
        return r;
    }
    FileWindow file;
    if (!file.open(broken)) {
        r.error = "cannot open " + broken.string() + ": " + file.error();
        return r;
    }
    DataRange range;
    if (RepairResult located = locateData(file, range); located.status != RepairStatus::Repaired)
        return located;

    const TemplateTrack& video = *tpl.track(TrackKind::Video);
    const TemplateTrack* sound = tpl.track(TrackKind::Sound);
    const std::uint8_t soundIndex = sound ? std::uint8_t(sound - tpl.tracks.data()) : 0;
    // Far beyond any picture the template's camera codes, yet small enough to map.
    const std::size_t videoBound = std::size_t(std::min<std::uint64_t>(kMaxSampleBytes,
        std::max<std::uint64_t>(video.largestSample * 8, std::uint64_t(video.width) * video.height * 2)
            + 4096));
    const std::size_t soundBound = 768 * std::size_t(std::max(1, sound ? sound->channels : 1)) + 64;

    // The kept data is a prefix of the movie data: it is copied while the walk finds where it ends,
    // and what lies beyond is cut off afterwards.
    system::StagedFile out;
    std::string writeError;
    std::atomic<bool> abandoned = false; // the walk failed: the copy stops early
    out.stopWhen([&] { return abandoned.load() || (stop && stop()); });
    const std::vector<std::uint8_t>& ftyp = range.ftyp.empty() ? tpl.ftyp : range.ftyp;
    const bool wideData = range.end - range.begin + 8 > 0xFFFFFFFFu;
    const std::size_t dataHeaderBytes = wideData ? 16 : 8;
    std::vector<std::uint8_t> head(ftyp);
    // The data goes where it lies in the broken file, a free atom filling the space before its
    // header: the kernel then copies whole pages, in about two thirds of the time.
    if (const std::uint64_t gap
        = range.begin - std::min<std::uint64_t>(range.begin, ftyp.size() + dataHeaderBytes);
        gap >= 8 && gap <= kMaxAlignPadding) {
        appendBe32(head, std::uint32_t(gap));
        head.insert(head.end(), { 'f', 'r', 'e', 'e' });
        head.resize(head.size() + std::size_t(gap) - 8, 0);
    }
    const std::size_t dataHeaderAt = head.size();
    head.insert(head.end(), dataHeaderBytes, 0);
    const std::uint64_t dataStart = head.size();
    if (!out.create(output, NeedsDurableFlush(output), writeError)
        || !out.write(head.data(), head.size(), writeError)) {
        if (out.stopped() && cancelled())
            return r;
        r.status = RepairStatus::WriteFailed;
        r.error = writeError;
        return r;
    }
    bool copied = false;
    std::string copyError;
    // Joined (after a stop request when the walk fails) before the output is touched again.
    std::jthread copier([&] {
        copied = out.copyFrom(broken, range.begin, range.end - range.begin, "movie data", copyError);
    });
    struct CopyJoiner {
        std::jthread& copier;
        std::atomic<bool>& abandoned;
        ~CopyJoiner()
        {
            if (copier.joinable()) {
                abandoned = true;
                copier.join();
            }
        }
    } copyJoiner { copier, abandoned };

    const DataFile data = readDataFile(broken);
    const double recordedSeconds = recordedLength(data);
    FrameNumbering numbering = ReadFrameNumbering(video.decoderConfig);
    int expectedFrame = -1; // the frame_num the next picture must carry; -1 when not known
    // The template's numbering is trusted once this recording's own pictures have followed it a
    // while: a recorder whose settings differ from the template's in it must not lose pictures.
    int numberingHeld = 0;
    constexpr int kNumberingTrusted = 8;
    std::vector<KeptSample> kept;
    std::uint64_t counts[2] = { 0, 0 };
    std::uint64_t at = range.begin;
    // The copy runs alongside the walk; the walk's position stands for both.
    const std::uint64_t total = range.end - range.begin;
    std::uint64_t reported = 0;
    bool checkedKeyFrame = false;
    Timeline timeline(video, sound);
    while (at < range.end) {
        if (stopped())
            return r;
        // The template's order of samples first; past its end the track that is behind in time,
        // which is how recorders interleave.
        // Past damage the template's order no longer lines up with the samples.
        const std::size_t k = kept.size();
        int hint = 0;
        if (k < tpl.order.size() && !r.damagedStretches)
            hint = tpl.order[k];
        else
            hint = timeline.soundBehind() ? soundIndex : 0;
        KeptSample s;
        s.offset = at;
        int frameNumber = -1;
        bool reference = false;
        for (int attempt = 0; attempt < 2 && !s.size; ++attempt) {
            const int track = attempt == 0 ? hint : (hint == 0 ? (sound ? soundIndex : -1) : 0);
            if (track < 0)
                break;
            if (track == 0) {
                const VideoSample v
                    = videoSampleAt(file, at, std::min(range.end, at + videoBound), video.nalLengthSize);
                if (v.length && (counts[0] || v.sync)) {
                    s.size = std::uint32_t(v.length);
                    s.sync = v.sync;
                    s.track = 0;
                    frameNumber = FrameNumberAt(file, v.firstSlice, numbering);
                    reference = v.reference;
                }
            } else {
                // One span: a second call of at() may move the window under the first.
                const auto ahead
                    = file.at(at, std::size_t(std::min<std::uint64_t>(range.end - at, soundBound + 8)));
                const auto data = ahead.first(std::min(ahead.size(), soundBound));
                // A sound frame the recorder put before a picture most likely ends where a video
                // sample may start: two decodes confirm that, where a search takes a dozen.
                std::size_t length = 0;
                for (std::size_t end = 2; end < data.size() && !length; ++end) {
                    if (videoMayStartAt(ahead.subspan(end), video.nalLengthSize, range.end - at - end)
                        && judge.soundFrameEndsAt(data, end))
                        length = end;
                }
                if (!length && !data.empty())
                    length = judge.soundFrameLength(data);
                if (length && length <= data.size() && !allZero(data.first(length))) {
                    s.size = std::uint32_t(length);
                    s.sync = true;
                    s.track = soundIndex;
                }
            }
        }
        if (!s.size) {
            // Damage inside the data (a cluster that was never written, garbled bytes): the walk
            // goes on at the next key frame, so that what was recorded after it is kept too. At the
            // cut nothing follows and the walk ends here.
            FileWindow scan;
            const std::uint64_t next = counts[0] && scan.open(broken)
                ? nextKeyFrame(scan, file, at, range.end, video.nalLengthSize, videoBound, judge, stop)
                : 0;
            if (stopped())
                return r;
            if (!next)
                break;
            // Garbled bytes may begin inside the last picture without breaking its units' lengths.
            if (kept.back().track == 0 && !lastPictureFits(file, kept, judge)) {
                at = kept.back().offset;
                --counts[0];
                timeline.dropLast(kept);
            }
            // Without a data file nothing tells how long this recording ran, and the key frame may
            // be an older recording's that the card's clusters still hold: the walk ends here.
            if (std::isinf(recordedSeconds)) {
                r.endedAtDamage = true;
                break;
            }
            const std::uint64_t lost = timeline.lostPictures(next - at);
            // Past the recording's own length the key frame is an older recording's that the
            // card's clusters still hold after the cut: the walk ends here.
            if (timeline.nextPictureSeconds(lost) >= recordedSeconds) {
                r.olderDataAfterCut = true;
                break;
            }
            timeline.bridge(kept, lost);
            r.damagedBytes += next - at;
            ++r.damagedStretches;
            at = next;
            continue;
        }

        // The recorder stopped writing its data file about when it stopped writing the movie; a
        // picture well beyond that is an older recording's that happens to line up.
        if (s.track == 0 && timeline.nextPictureSeconds() >= recordedSeconds + kDataFileLagSeconds) {
            r.olderDataAfterCut = true;
            break;
        }
        // A picture out of this recording's numbering is an older recording's that lines up after
        // the cut. A key frame starts the numbering anew.
        if (s.track == 0 && numbering.bits && frameNumber >= 0) {
            const bool follows
                = s.sync ? frameNumber == 0 : expectedFrame < 0 || frameNumber == expectedFrame;
            if (!follows && numberingHeld >= kNumberingTrusted) {
                r.olderDataAfterCut = true;
                break;
            }
            if (!follows)
                numbering = {};
            ++numberingHeld;
        }
        if (s.track == 0 && !checkedKeyFrame) {
            checkedKeyFrame = true;
            if (!judge.keyFrameFits(file.at(at, s.size))) {
                r.status = RepairStatus::TemplateMismatch;
                r.error = "the template " + tpl.path.filename().string()
                    + " is of another camera, picture size or coding";
                return r;
            }
        }
        if (s.track == 0)
            expectedFrame = frameNumber < 0 ? -1 : NextFrameNumber(numbering, frameNumber, reference);
        ++counts[s.track == 0 ? 0 : 1];
        kept.push_back(s);
        timeline.kept(kept);
        at += s.size;
        if (progress && at - range.begin - reported >= (4u << 20)) {
            reported = at - range.begin;
            progress(reported, total);
        }
    }
    if (!counts[0]) {
        if (allZero(file.at(range.begin, 4096))) {
            r.status = RepairStatus::NotAMovie;
            r.error = "the movie data is all zeros: nothing can be recovered";
        } else {
            r.status = RepairStatus::NoKeyFrame;
            r.error = "no complete key frame before the cut: nothing can be recovered";
        }
        return r;
    }
    const std::uint64_t keptEnd = at;
    r.keptBytes = keptEnd - range.begin;
    r.lostBytes = range.end - keptEnd;
    r.videoFrames = counts[0];
    r.soundFrames = counts[1];

    for (KeptSample& s : kept)
        s.offset = s.offset - range.begin + dataStart;
    const std::vector<std::uint8_t> moov = buildMovieIndex(tpl, kept);
    const std::vector<std::uint8_t> telemetry = telemetryOf(data);
    r.telemetry = !telemetry.empty();

    copier.join();
    if (stopped())
        return r;
    std::vector<std::uint8_t> dataHeader;
    if (wideData) {
        appendBe32(dataHeader, 1);
        dataHeader.insert(dataHeader.end(), { 'm', 'd', 'a', 't' });
        appendBe64(dataHeader, r.keptBytes + 16);
    } else {
        appendBe32(dataHeader, std::uint32_t(r.keptBytes + 8));
        dataHeader.insert(dataHeader.end(), { 'm', 'd', 'a', 't' });
    }
    if (!copied)
        writeError = copyError;
    bool written = copied && out.truncate(dataStart + r.keptBytes, writeError)
        && out.writeAt(dataHeaderAt, dataHeader.data(), dataHeader.size(), writeError)
        && out.write(moov.data(), moov.size(), writeError);
    if (written && r.telemetry) {
        std::vector<std::uint8_t> udat;
        appendBe32(udat, std::uint32_t(telemetry.size() + 8));
        udat.insert(udat.end(), { 'u', 'd', 'a', 't' });
        written = out.write(udat.data(), udat.size(), writeError)
            && out.write(telemetry.data(), telemetry.size(), writeError);
    }
    if (stopped())
        return r;
    if (!written || !out.finish(writeError) || !out.commit(writeError)) {
        if (out.stopped() && cancelled())
            return r;
        r.status = RepairStatus::WriteFailed;
        r.error = writeError;
        return r;
    }
    r.status = RepairStatus::Repaired;
    if (progress)
        progress(total, total);
    return r;
}

bool IsRecorderFolder(const fs::path& folder)
{
    std::error_code ec;
    fs::path at = fs::weakly_canonical(fs::absolute(folder, ec), ec);
    // IsRecorderCard sets the current layout: only this scope's, never the one the window reads.
    const ThreadLayoutScope scope(currentLayout());
    bool inside = false;
    // A camera folder lies one level below the movie folder.
    for (int level = 0; level < 2 && !inside && at.has_parent_path() && at != at.root_path(); ++level) {
        const std::string name = at.filename().string();
        for (const FolderLayout& l : kFolderLayouts) {
            for (const LayoutSet* set : { &l.normal, &l.parking }) {
                if (name == set->movie.folder || name == set->data.folder)
                    inside = inside || IsRecorderCard(at.parent_path());
            }
        }
        at = at.parent_path();
    }
    return inside;
}

std::vector<fs::path> TemplateCandidates(const fs::path& broken)
{
    std::error_code ec;
    const auto brokenTime = fs::last_write_time(broken, ec);
    std::string ext = broken.extension().string();
    std::transform(
        ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    // Movies of the same camera (the last letter of a recording's name) come first.
    const std::string stem = broken.stem().string();
    const char camera = stem.empty() ? 0 : stem.back();
    std::vector<std::tuple<bool, std::int64_t, fs::path>> found;
    for (const auto& entry :
        fs::directory_iterator(broken.parent_path().empty() ? "." : broken.parent_path(), ec)) {
        std::string e = entry.path().extension().string();
        std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        std::error_code fileEc;
        if (e != ext || !entry.is_regular_file(fileEc) || sameFile(entry.path(), broken)
            || entry.path().filename().string().starts_with("."))
            continue;
        const auto t = entry.last_write_time(fileEc);
        const std::int64_t distance = std::llabs(std::int64_t((t - brokenTime).count()));
        const std::string otherStem = entry.path().stem().string();
        found.emplace_back(otherStem.empty() || otherStem.back() != camera, distance, entry.path());
    }
    std::sort(found.begin(), found.end());
    std::vector<fs::path> paths;
    for (auto& f : found)
        paths.push_back(std::move(std::get<2>(f)));
    return paths;
}

} // namespace kivora::recording
