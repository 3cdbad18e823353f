#pragma once

// The human-readable page of an evidence bundle: what was recorded, when and where, the events
// and speeds, and every file with its digest. Self-contained HTML: no script, no style sheet, no
// image or link that would reach beyond the bundle's folder.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kivora::exporting {

struct ReportPlace {
    double latitude = 0.0;
    double longitude = 0.0;
};

struct ReportEvent {
    std::string time; // local date and time as text
    std::string name;
    std::optional<ReportPlace> place;
    std::optional<double> speedKmh;
    std::string still; // relative path of its still inside the bundle; empty: none
};

struct ReportRecording {
    std::string name;
    std::string start; // local date and time as text
    double seconds = 0; // length of the main movie; 0 unknown
    std::optional<ReportPlace> firstPlace, lastPlace;
    std::optional<double> maxSpeedKmh, meanSpeedKmh;
    std::vector<ReportEvent> events;
};

struct ReportFile {
    std::string path; // relative to the bundle
    std::string role;
    std::uint64_t size = 0;
    std::string sha256;
};

struct ReportContent {
    std::string version; // this program's
    std::string exportTime; // local date and time as text
    std::string source; // where the recordings came from
    std::vector<ReportRecording> recordings;
    std::vector<ReportFile> files;
    std::vector<std::string> notes; // what the bundle left out, and why
};

std::string EvidenceReportHtml(const ReportContent& content);

} // namespace kivora::exporting
