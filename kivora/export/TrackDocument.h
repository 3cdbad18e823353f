#pragma once

// Tracks for map tools: the valid fixes of recordings as GPX 1.1 and KML 2.2 documents, with the
// events as waypoints (GPX) or placemarks (KML). Plain C++; the CLI and the window share it.

#include "kivora/recording/SystemTime.h"
#include "kivora/recording/TelemetrySample.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivora::exporting {

struct TrackEvent {
    double latitude = 0.0;
    double longitude = 0.0;
    recording::SystemTime time;
    std::string name;
};

// One recording's track. Fixes that are not valid or have no position are left out when written.
struct TrackPart {
    std::string name;
    std::vector<recording::GpsSample> fixes; // copies; their links are never followed
    std::vector<TrackEvent> events;
};

// The name of an event mark in tracks and reports; null for codes that mark no event.
const char* EventName(std::int32_t code);

// Text safe in XML content and attributes; control characters and bytes beyond ASCII become '_'.
std::string XmlEscaped(std::string_view text);

// A record's local wall-clock time as UTC ("2023-01-15T08:30:00Z") by the system's time zone
// rules; empty for no time.
std::string UtcText(const recording::SystemTime& time);

// One <trk> per part; with no events the document is exactly what `kivora-cli telemetry --format
// gpx` has always printed.
std::string GpxDocument(const std::vector<TrackPart>& parts);
// One placemark with a line string per part, one point placemark per event.
std::string KmlDocument(const std::vector<TrackPart>& parts);

// The track and events of a recording's data file (DataPath of movie with the given layout); none
// when it has no readable data file.
std::optional<TrackPart> ReadTrackPart(const std::filesystem::path& movie, int layout);

} // namespace kivora::exporting
