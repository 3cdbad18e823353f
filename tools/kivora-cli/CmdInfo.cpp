// kivora-cli info MOVIE: what the movie reader sees in a movie file, as one JSON object: the movie
// test, the timing probe, picture size, frame count and rate from the atom tree, and the telemetry
// block carried in the movie's top-level "udat" atom.

#include "tools/kivora-cli/Commands.h"

#include "kivora/recording/AtomScan.h"
#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/TelemetryDecode.h"
#include "kivora/recording/TelemetryReader.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>

namespace kivora::cli {
namespace {

using namespace kivora::recording;

std::string number(double v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// Shortest text that reads back as the same float.
std::string number(float v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string quoted(std::string_view bytes)
{
    std::string out = "\"";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string letter(char c) { return quoted(std::string_view(&c, 1)); }

// The telemetry object for the top-level "udat" atom of a parsed movie.
std::string telemetryJson(const sMP4MOVIE* movie, const std::filesystem::path& path)
{
    const AtomNode* udat = nullptr;
    if (movie) {
        for (const AtomNode& child : movie->root.children) {
            if (child.isType("udat")) {
                udat = &child;
                break;
            }
        }
    }
    const std::vector<std::uint8_t>* payload = udat ? &udat->payload : nullptr;
    if (!payload || payload->size() < kTagBytes || std::memcmp(payload->data(), kBlockStartTag.data(), kTagBytes) != 0)
        return "{\"present\":false}";

    if (payload->size() < kTagBytes + kHeaderBytes)
        return "{\"present\":false}";
    TelemetryReader reader;
    InitReader(reader);
    reader.path = path; // the name decides the time-lapse record period, as for a data file
    const std::span<const std::uint8_t> afterTag = std::span<const std::uint8_t>(*payload).subspan(kTagBytes);
    std::size_t records = 0;
    try {
        records = DecodeBlock(afterTag, reader);
    } catch (const std::bad_alloc&) {
        return "{\"present\":false}";
    }

    // The recorder's six bytes behind the end tag (its GPS data version).
    std::string trailer = "null";
    const std::string_view text(reinterpret_cast<const char*>(payload->data()), payload->size());
    const std::size_t end = text.find(kBlockEndTag, kTagBytes);
    if (end != std::string_view::npos && text.size() - end >= 2 * kTagBytes)
        trailer = quoted(text.substr(end + kTagBytes, kTagBytes));

    const TelemetryHeader& h = reader.header;
    std::string out = "{\"present\":true";
    out += ",\"records\":" + std::to_string(records);
    out += ",\"header\":{\"values\":[" + number(h.value0) + "," + number(h.value1) + "," + number(h.value2) + "," +
           number(h.value3) + "]";
    out += ",\"typeLetter\":" + letter(h.typeLetter);
    out += ",\"firmware\":" + quoted(std::string_view(h.raw6.data(), h.raw6.size()));
    out += ",\"quality\":" + letter(h.qualityLetter);
    out += ",\"byte24\":" + letter(h.byte24);
    out += ",\"code25\":" + letter(h.code25);
    out += ",\"timeLapse\":" + letter(h.timeLapseLetter) + "}";
    out += ",\"trailer\":" + trailer;
    out += ",\"maxAbsAccel\":" + number(MaxAbsAcceleration(reader.motion));
    return out + "}";
}

} // namespace

int runInfo(std::span<char*> args)
{
    if (args.size() != 1 || std::strcmp(args[0], "--help") == 0) {
        std::fputs("usage: kivora-cli info MOVIE\n"
                   "  prints one JSON object: isMovie, probe (0 failed, 1 playable, 2 too short), msPerFrame,\n"
                   "  width, height, frames, frameRate and the telemetry of the movie's \"udat\" atom\n",
                   args.size() == 1 ? stdout : stderr);
        return args.size() == 1 ? 0 : 2;
    }
    const std::filesystem::path path = args[0];
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        std::fprintf(stderr, "kivora-cli info: '%s' is not a readable file\n", args[0]);
        return 1;
    }

    const bool isMovie = IsMovieFile(path);
    ScanReader reader;
    const int probe = ProbeTiming(reader, path);
    const auto movie = OpenMovieTree(path);
    if (!movie)
        std::fprintf(stderr, "kivora-cli info: the atoms of '%s' cannot be parsed\n", args[0]);
    const auto [width, height] = movie ? PictureSize(*movie) : std::pair{-1, -1};
    const std::int64_t frames = movie ? FrameCount(*movie) : -1;
    const float frameRate = movie ? FrameRate(*movie) : -1.0f;

    std::string out = "{\"isMovie\":";
    out += isMovie ? "true" : "false";
    out += ",\"probe\":" + std::to_string(probe);
    out += ",\"msPerFrame\":" + number(reader.msPerFrame);
    out += ",\"width\":" + std::to_string(width);
    out += ",\"height\":" + std::to_string(height);
    out += ",\"frames\":" + std::to_string(frames);
    out += ",\"frameRate\":" + number(frameRate);
    out += ",\"telemetry\":" + telemetryJson(movie.get(), path);
    out += "}\n";
    std::fputs(out.c_str(), stdout);
    return 0;
}

} // namespace kivora::cli
