#pragma once

#include "kivora/recording/RecordingEntry.h"
#include "kivora/recording/RecordingSource.h"

#include <filesystem>
#include <vector>

namespace kivora::app {

// The recordings of the source given on the command line, in playing order: a single movie, or
// every main-camera movie of a folder (a card or a card copy, three levels deep). It stands in
// for the browser panel's list until that exists. The main window guards it with hMutexCache.
class RecordingList {
public:
    // Reads the source. False when it holds no recording (the list is then empty).
    bool load(const std::filesystem::path& source);
    void clear();

    const recording::RecordingSource& source() const { return m_source; }
    int size() const { return static_cast<int>(m_entries.size()); }
    bool valid(int index) const { return index >= 0 && index < size(); }
    recording::RecordingEntry& entry(int index) { return m_entries[static_cast<std::size_t>(index)]; }
    const std::vector<recording::RecordingEntry>& entries() const { return m_entries; }

    // "pvtrace.txt" lies in the root of a card source (existence only).
    bool hasVoltageTrace() const { return m_voltageTrace; }

private:
    recording::RecordingSource m_source;
    std::vector<recording::RecordingEntry> m_entries;
    bool m_voltageTrace = false;
};

} // namespace kivora::app
