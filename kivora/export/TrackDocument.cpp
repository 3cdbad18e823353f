#include "kivora/export/TrackDocument.h"

#include "kivora/recording/RecordingName.h"
#include "kivora/recording/TelemetryReader.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace kivora::exporting {

namespace {

bool usable(const recording::GpsSample& g)
{
    return g.valid && g.latitude != recording::kNoPosition && g.longitude != recording::kNoPosition
        && std::isfinite(g.latitude) && std::isfinite(g.longitude) && std::fabs(g.latitude) <= 90.0
        && std::fabs(g.longitude) <= 180.0;
}

std::string format(const char* pattern, double a, double b)
{
    char text[96];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

} // namespace

const char* EventName(std::int32_t code)
{
    switch (code) {
    case recording::kEventManual:
        return "manual mark";
    case recording::kEventEmergencyStop:
        return "emergency stop";
    case recording::kEventParking:
        return "parking";
    case recording::kEventSharpSteering:
        return "sharp steering";
    case recording::kEventSuddenAcceleration:
        return "sudden acceleration";
    case recording::kEventSuddenBraking:
        return "sudden braking";
    default:
        return nullptr;
    }
}

std::string XmlEscaped(std::string_view s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            // Control characters are not allowed in XML 1.0; bytes of other encodings are replaced.
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x80)
                out += '_';
            else
                out += c;
        }
    }
    return out;
}

std::string UtcText(const recording::SystemTime& t)
{
    if (t == recording::SystemTime {})
        return {};
    std::tm local {};
    local.tm_year = t.year - 1900;
    local.tm_mon = t.month - 1;
    local.tm_mday = t.day;
    local.tm_hour = t.hour;
    local.tm_min = t.minute;
    local.tm_sec = t.second;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    std::tm utc {};
    if (when == static_cast<std::time_t>(-1) || !::gmtime_r(&when, &utc))
        return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string GpxDocument(const std::vector<TrackPart>& parts)
{
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<gpx version=\"1.1\" creator=\"kivora\" xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
                      "     xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
                      "     xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
                      "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n";
    // Waypoints come before tracks in a GPX document.
    for (const TrackPart& part : parts)
        for (const TrackEvent& e : part.events) {
            doc += format("  <wpt lat=\"%.6f\" lon=\"%.6f\">", e.latitude, e.longitude);
            if (const std::string time = UtcText(e.time); !time.empty())
                doc += "<time>" + time + "</time>";
            doc += "<name>" + XmlEscaped(e.name) + "</name></wpt>\n";
        }
    for (const TrackPart& part : parts) {
        doc += "  <trk>\n    <name>" + XmlEscaped(part.name) + "</name>\n    <trkseg>\n";
        for (const recording::GpsSample& g : part.fixes) {
            if (!usable(g))
                continue;
            doc += format("      <trkpt lat=\"%.6f\" lon=\"%.6f\">", g.latitude, g.longitude);
            if (const std::string time = UtcText(g.dateTime); !time.empty())
                doc += "<time>" + time + "</time>";
            doc += "</trkpt>\n";
        }
        doc += "    </trkseg>\n  </trk>\n";
    }
    doc += "</gpx>\n";
    return doc;
}

std::string KmlDocument(const std::vector<TrackPart>& parts)
{
    std::string doc
        = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n  <Document>\n    <name>kivora</name>\n";
    for (const TrackPart& part : parts) {
        doc += "    <Placemark>\n      <name>" + XmlEscaped(part.name)
            + "</name>\n      <LineString>\n"
              "        <tessellate>1</tessellate>\n        <coordinates>";
        bool first = true;
        for (const recording::GpsSample& g : part.fixes) {
            if (!usable(g))
                continue;
            // KML orders longitude before latitude.
            if (!first)
                doc += ' ';
            doc += format("%.6f,%.6f", g.longitude, g.latitude);
            first = false;
        }
        doc += "</coordinates>\n      </LineString>\n    </Placemark>\n";
        for (const TrackEvent& e : part.events) {
            doc += "    <Placemark>\n      <name>" + XmlEscaped(e.name) + "</name>\n";
            if (const std::string time = UtcText(e.time); !time.empty())
                doc += "      <TimeStamp><when>" + time + "</when></TimeStamp>\n";
            doc += "      <Point><coordinates>" + format("%.6f,%.6f", e.longitude, e.latitude)
                + "</coordinates></Point>\n    </Placemark>\n";
        }
    }
    doc += "  </Document>\n</kml>\n";
    return doc;
}

std::optional<TrackPart> ReadTrackPart(const std::filesystem::path& movie, int layout)
{
    recording::TelemetryReader reader;
    recording::InitReader(reader);
    if (!recording::Load(reader, recording::DataPath(movie, layout)))
        return std::nullopt;
    TrackPart part;
    part.name = movie.filename().string();
    part.fixes = reader.gps;
    for (auto& g : part.fixes)
        g.motion = nullptr, g.vehicle = nullptr;
    for (std::size_t i = 0; i < reader.motion.size() && i < reader.gps.size(); ++i) {
        const recording::GpsSample& g = reader.gps[i];
        const char* name = EventName(reader.motion[i].eventCode);
        if (!name || !usable(g))
            continue;
        // One waypoint per event, not one per record it lasts.
        if (i > 0 && reader.motion[i - 1].eventCode == reader.motion[i].eventCode)
            continue;
        part.events.push_back({ g.latitude, g.longitude, g.dateTime, name });
    }
    return part;
}

} // namespace kivora::exporting
