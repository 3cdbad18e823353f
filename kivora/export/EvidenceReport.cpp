#include "kivora/export/EvidenceReport.h"

#include "kivora/export/TrackDocument.h"

#include <cstdio>

namespace kivora::exporting {

namespace {

std::string fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string place(const std::optional<ReportPlace>& p)
{
    return p ? fixed(p->latitude, 6) + ", " + fixed(p->longitude, 6) : "-";
}

std::string speed(const std::optional<double>& kmh)
{
    return kmh ? fixed(*kmh, 1) + " km/h" : "-";
}

std::string cell(const std::string& text)
{
    return "<td>" + XmlEscaped(text) + "</td>";
}

} // namespace

std::string EvidenceReportHtml(const ReportContent& c)
{
    std::string html;
    html += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    // Nothing may be fetched: the page is read on machines that must not reach out, and a fetched
    // resource could change what it shows.
    html += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src 'self'; "
            "style-src 'unsafe-inline'\">\n";
    html += "<title>Evidence bundle " + XmlEscaped(c.exportTime) + "</title>\n";
    html += "<style>body{font-family:sans-serif;margin:2em}table{border-collapse:collapse;margin:1em 0}"
            "td,th{border:1px solid #999;padding:0.2em 0.5em;text-align:left}"
            "code{font-size:0.85em}</style>\n</head>\n<body>\n";
    html += "<h1>Evidence bundle</h1>\n<table>\n";
    html += "<tr><th>Exported</th>" + cell(c.exportTime) + "</tr>\n";
    html += "<tr><th>By</th>" + cell("kivora " + c.version) + "</tr>\n";
    html += "<tr><th>Source</th>" + cell(c.source) + "</tr>\n";
    html += "<tr><th>Recordings</th>" + cell(std::to_string(c.recordings.size())) + "</tr>\n</table>\n";
    html += "<p>Every file of this folder is listed below with its SHA-256 digest; the same digests are in "
            "SHA256SUMS, which <code>sha256sum -c SHA256SUMS</code> checks.</p>\n";

    html += "<h2>Recordings</h2>\n<table>\n<tr><th>Recording</th><th>Start</th><th>Length</th><th>First "
            "position</th><th>Last position</th><th>Top speed</th><th>Mean speed</th></tr>\n";
    for (const ReportRecording& r : c.recordings) {
        html += "<tr>" + cell(r.name) + cell(r.start) + cell(r.seconds > 0 ? fixed(r.seconds, 1) + " s" : "-")
            + cell(place(r.firstPlace)) + cell(place(r.lastPlace)) + cell(speed(r.maxSpeedKmh))
            + cell(speed(r.meanSpeedKmh)) + "</tr>\n";
    }
    html += "</table>\n";

    html += "<h2>Events</h2>\n";
    bool anyEvent = false;
    for (const ReportRecording& r : c.recordings)
        anyEvent = anyEvent || !r.events.empty();
    if (!anyEvent) {
        html += "<p>No events were recorded.</p>\n";
    } else {
        html += "<table>\n<tr><th>Recording</th><th>Time</th><th>Event</th><th>Position</th><th>Speed</th>"
                "<th>Still</th></tr>\n";
        for (const ReportRecording& r : c.recordings) {
            for (const ReportEvent& e : r.events) {
                html += "<tr>" + cell(r.name) + cell(e.time) + cell(e.name) + cell(place(e.place))
                    + cell(speed(e.speedKmh));
                if (e.still.empty())
                    html += "<td>-</td>";
                else
                    html
                        += "<td><a href=\"" + XmlEscaped(e.still) + "\">" + XmlEscaped(e.still) + "</a></td>";
                html += "</tr>\n";
            }
        }
        html += "</table>\n";
    }

    if (!c.notes.empty()) {
        html += "<h2>Notes</h2>\n<ul>\n";
        for (const std::string& note : c.notes)
            html += "<li>" + XmlEscaped(note) + "</li>\n";
        html += "</ul>\n";
    }

    html += "<h2>Files</h2>\n<table>\n<tr><th>File</th><th>Role</th><th>Bytes</th><th>SHA-256</th></tr>\n";
    for (const ReportFile& f : c.files) {
        html += "<tr>" + cell(f.path) + cell(f.role) + cell(std::to_string(f.size)) + "<td><code>"
            + XmlEscaped(f.sha256) + "</code></td></tr>\n";
    }
    html += "</table>\n</body>\n</html>\n";
    return html;
}

} // namespace kivora::exporting
