#include "tools/democard/Manifest.h"

#include "tools/common/JsonText.h"

#include <cstdio>

namespace kivora::democard {

namespace {
std::string quote(const std::string& s) { return json::jsonString(s); }

std::string quoteChar(char c)
{
    return c == ' ' || c == 0 ? "\"\"" : quote(std::string(1, c));
}
const char* boolText(bool b)
{
    return b ? "true" : "false";
}

std::string relativeText(const std::filesystem::path& p, const std::filesystem::path& root)
{
    const auto rel = p.lexically_relative(root);
    if (!rel.empty() && *rel.begin() != "..")
        return rel.generic_string();
    return p.generic_string();
}

std::string movieJson(const WrittenMovie& m, const std::filesystem::path& root)
{
    char buf[256];
    std::snprintf(buf, sizeof buf,
        "\"width\": %d, \"height\": %d, \"fps\": %d, \"frames\": %d, \"keyFrameInterval\": %d, "
        "\"bytes\": %llu}",
        m.width, m.height, m.fps, m.frames, m.keyFrameInterval, static_cast<unsigned long long>(m.bytes));
    return "{\"path\": " + quote(relativeText(m.path, root)) + ", " + buf;
}

std::string recordJson(const TelemetryRecord& r, std::size_t index)
{
    std::string s;
    char buf[160];
    std::snprintf(buf, sizeof buf, "{\"i\": %zu, \"valid\": %s, ", index, boolText(r.valid));
    s += buf;
    if (r.valid) {
        const std::string lat = latitudeField(r.latitude);
        const std::string lon = longitudeField(r.longitude);
        std::snprintf(buf, sizeof buf,
            "\"lat\": %.9f, \"lon\": %.9f, \"latField\": \"%s\", \"lonField\": \"%s\", ", r.latitude,
            r.longitude, lat.c_str(), lon.c_str());
        s += buf;
    } else {
        s += "\"lat\": null, \"lon\": null, \"latField\": \"\", \"lonField\": \"\", ";
    }
    s += r.speedKmh >= 0 ? "\"speed\": " + std::to_string(r.speedKmh) : std::string("\"speed\": null");
    s += ", \"time\": " + quote(formatIso(r.time));
    s += r.addSeconds >= 0 ? ", \"add\": " + std::to_string(r.addSeconds) : std::string(", \"add\": null");
    s += r.voltageTenths >= 0 ? ", \"voltage\": " + std::to_string(r.voltageTenths)
                              : std::string(", \"voltage\": null");
    std::snprintf(buf, sizeof buf, ", \"ax\": %d, \"ay\": %d, \"az\": %d", r.accelX, r.accelY, r.accelZ);
    s += buf;
    s += std::string(", \"manual\": ") + boolText(r.manual);
    s += ", \"axis\": " + quoteChar(r.shockAxis);
    s += ", \"support\": " + quoteChar(r.driveSupport);
    s += std::string(", \"emergencyStop\": ") + boolText(r.emergencyStop);
    s += std::string(", \"parking\": ") + boolText(r.parking);
    s += std::string(", \"speeding\": ") + boolText(r.speeding);
    s += ", \"status\": " + quoteChar(r.status) + "}";
    return s;
}

std::string headerJson(const TelemetryHeader& h)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "{\"values\": [%d, %d, %d, %d], ", h.values[0], h.values[1], h.values[2],
        h.values[3]);
    std::string s = buf;
    s += "\"type\": " + quoteChar(h.typeLetter) + ", \"firmware\": " + quote(h.firmware);
    s += ", \"quality\": " + quoteChar(h.qualityLetter) + ", \"byte24\": " + quoteChar(h.byte24);
    s += ", \"code25\": " + quoteChar(h.code25) + ", \"gpsVersion\": " + quote(h.gpsVersion) + "}";
    return s;
}
} // namespace

std::string manifestJson(
    const CardOptions& o, const std::vector<WrittenRecording>& recordings, const std::filesystem::path& root)
{
    std::string s = "{\n";
    s += "  \"format\": \"kivora-democard\",\n  \"version\": 1,\n";
    s += "  \"seed\": " + std::to_string(o.seed) + ",\n";
    s += "  \"layout\": " + std::to_string(o.layout) + ",\n";
    s += std::string("  \"cameraFolders\": ") + boolText(o.cameraFolders) + ",\n";
    s += std::string("  \"pvtrace\": ") + boolText(o.pvtrace) + ",\n";
    s += "  \"model\": " + quote(o.model) + ",\n";
    s += std::string("  \"tiny\": ") + boolText(o.tiny) + ",\n";
    s += "  \"recordings\": [";
    for (std::size_t n = 0; n < recordings.size(); ++n) {
        const WrittenRecording& r = recordings[n];
        s += n ? ",\n    {\n" : "\n    {\n";
        s += "      \"name\": " + quote(r.name) + ",\n";
        s += "      \"trigger\": " + quote(std::string(triggerName(r.recipe.trigger))) + ",\n";
        s += std::string("      \"seriesStart\": ") + boolText(r.recipe.seriesStart) + ",\n";
        s += "      \"start\": " + quote(formatIso(r.recipe.start)) + ",\n";
        s += "      \"fileNumber\": " + std::to_string(r.recipe.fileNumber) + ",\n";
        s += std::string("      \"timeLapse\": ") + boolText(r.timeLapse) + ",\n";
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.6f", r.recordPeriodMs);
        s += std::string("      \"recordPeriodMs\": ") + buf + ",\n";
        s += std::string("      \"overlay\": ") + boolText(r.recipe.overlay) + ",\n";
        s += "      \"main\": " + movieJson(r.main, root) + ",\n";
        s += "      \"sub\": " + (r.sub ? movieJson(*r.sub, root) : std::string("null")) + ",\n";
        if (r.data)
            s += "      \"data\": {\"path\": " + quote(relativeText(*r.data, root))
                + ", \"bytes\": " + std::to_string(r.dataBytes) + "},\n";
        else
            s += "      \"data\": null,\n";
        s += "      \"header\": " + headerJson(r.header) + ",\n";
        s += "      \"records\": [";
        for (std::size_t i = 0; i < r.records.size(); ++i) {
            s += i ? ",\n        " : "\n        ";
            s += recordJson(r.records[i], i);
        }
        s += r.records.empty() ? "]\n    }" : "\n      ]\n    }";
    }
    s += "\n  ]\n}\n";
    return s;
}

} // namespace kivora::democard
