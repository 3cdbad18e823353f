#include "kivora/export/CsvListing.h"

#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/TelemetryReader.h"
#include "kivora/ui/UiText.h"

#include "kivora/system/StagedFile.h"

#include <cstdio>

namespace kivora::exporting {

namespace fs = std::filesystem;
using recording::SystemTime;

namespace {

std::string text(int slot)
{
    return std::string(ui::UiText(slot));
}

// Names are written as they are; one that holds a separator, quote or line break is quoted so
// that the listing keeps its columns.
std::string nameField(const fs::path& movie)
{
    const std::string name = movie.filename().string();
    if (name.find_first_of(",\"\r\n") == std::string::npos)
        return name;
    std::string quotedName = "\"";
    for (char c : name) {
        if (c == '"')
            quotedName += '"';
        quotedName += c;
    }
    return quotedName + "\"";
}

std::string sizeField(int height)
{
    switch (height) {
    case 360:
        return "SD";
    case 720:
        return "HD";
    case 1080:
        return "FHD";
    case 1296:
        return "3M";
    case 1440:
        return "WQHD";
    default:
        return {};
    }
}

bool isTimeLapseName(const fs::path& movie)
{
    const std::string name = movie.filename().string();
    return (!name.empty() && name[0] == 'T') || (name.size() > 2 && name[2] == 'T');
}

std::uint64_t megabytes(const fs::path& movie)
{
    std::error_code ec;
    const auto size = fs::file_size(movie, ec);
    return ec ? 0 : size / 1048576;
}

std::string format(const char* pattern, auto... values)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

} // namespace

std::string CsvHeaderLine()
{
    std::string line;
    for (int slot : { 30, 29, 37, 36, 38, 35, 34, 32, 28 })
        line += text(slot);
    return line + "\r\n";
}

std::string CsvFallbackLine(const fs::path& movie)
{
    return nameField(movie) + ",-,-,-,-,-,-,fps,0MB\r\n";
}

std::string CsvLine(const fs::path& movie, bool enginesReady)
{
    recording::TelemetryHeader header;
    if (!enginesReady || !recording::ReadHeader(movie, header))
        return CsvFallbackLine(movie);
    auto tree = recording::OpenMovieTree(movie);
    if (!tree)
        return CsvFallbackLine(movie);
    const auto [width, height] = recording::PictureSize(*tree);
    const std::int64_t frameCount = recording::FrameCount(*tree);
    const float frameRate = recording::FrameRate(*tree);
    tree.reset();
    // Without a frame rate there is no length to show either.
    if (width < 0 || frameCount < 0 || !(frameRate > 0.0f))
        return CsvFallbackLine(movie);

    const std::string size = sizeField(height);
    const std::string quality = size.empty() ? std::string() : text(header.qualityLetter == 'H' ? 55 : 56);
    std::int64_t frames = frameCount;
    std::string rate = format("%.1ffps", double(frameRate));
    if (isTimeLapseName(movie)) {
        // A time-lapse frame stands for fifteen frames of real time.
        frames = static_cast<std::int64_t>(static_cast<float>(frames) * 15.0f);
        rate = text(159);
    }
    const auto seconds = static_cast<std::int64_t>(static_cast<float>(frames) / frameRate);
    const std::string length
        = format("%02d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
    const std::string trigger = recording::TriggerText(movie, [](int slot) { return ui::UiText(slot); });
    const SystemTime start = recording::NameDateTime(movie);
    const std::string date
        = start.year == 0 ? "--/--/--" : format("%04u/%02u/%02u", start.year, start.month, start.day);
    const std::string time
        = start.year == 0 ? "--:--:--" : format("%02u:%02u:%02u", start.hour, start.minute, start.second);
    return nameField(movie) + "," + date + "," + time + "," + length + "," + trigger + "," + size + ","
        + quality + "," + rate + "," + std::to_string(megabytes(movie)) + "MB\r\n";
}

std::string CsvFileName(const SystemTime& t)
{
    return format("Dv_%04u%02u%02u_%02u%02u%02u.csv", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

CsvResult WriteCsvListing(const std::vector<recording::RecordingEntry>& recordings, const fs::path& folder,
    const CsvProgress& progress, const std::atomic<bool>* cancel, bool enginesReady)
{
    CsvResult result;
    if (recordings.empty()) {
        result.error = "there are no movie files";
        return result;
    }
    result.path = folder / CsvFileName(recording::NameDateTime(recordings.front().path));
    system::StagedFile file;
    std::string error;
    // The listing is small; flushing it costs nothing and a card may be pulled right after.
    bool ok = file.create(result.path, true, error) && file.write(CsvHeaderLine(), error);
    for (std::size_t i = 0; ok && i < recordings.size(); ++i) {
        if (cancel && cancel->load()) {
            // Half a listing would pass for the whole source's; the staged file goes.
            file.discard();
            result.cancelled = true;
            return result;
        }
        ok = file.write(CsvLine(recordings[i].path, enginesReady), error);
        if (ok && progress)
            progress(i + 1, recordings.size());
    }
    ok = ok && file.finish(error) && file.commit(error);
    if (!ok)
        result.error = error;
    result.ok = ok;
    return result;
}

} // namespace kivora::exporting
