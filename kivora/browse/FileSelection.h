#pragma once

#include "kivora/recording/RecordingEntry.h"

#include <cstdint>
#include <vector>

namespace kivora::browse {

// The rows and ticks of the file selection dialog without a widget: which entries are shown, the
// contiguous run of ticks in concatenation mode, the totals and the limits. UI thread only.
class FileSelection {
public:
    enum Mode { Delete = 0, Concatenate = 2 };
    static constexpr std::size_t kMaxEntries = 1500;
    static constexpr std::uint64_t kMaxConcatMegabytes = 1024;
    static constexpr int kMaxConcatFiles = 99;
    static constexpr int kSlotTooManyEntries = 103;
    static constexpr int kSlotTooBig = 138;
    static constexpr int kSlotTooMany = 140;

    // What concatenation mode's run of recordings is for. Only a save joins them into one movie,
    // and only that movie has the size and count limits; a bundle or a track export takes any run.
    enum class Use { Save, Bundle, Tracks };

    explicit FileSelection(Mode mode, Use use = Use::Save)
        : m_mode(mode)
        , m_use(use)
    {
    }
    Mode mode() const { return m_mode; }
    Use use() const { return m_use; }
    // Whether the joined movie's limits (kMaxConcatMegabytes, kMaxConcatFiles) apply.
    bool limited() const { return m_mode == Concatenate && m_use == Use::Save; }

    // Both keep the first 1 500 entries; false when the list held more.
    bool setGivenEntries(const std::vector<recording::RecordingEntry>& entries);
    bool setSourceEntries(const std::vector<recording::RecordingEntry>& entries);

    // Rebuilds the rows (all unticked, or all ticked while tick-all is on).
    void fillRows();
    void setShowAll(bool on) { m_showAll = on && m_mode == Delete; }
    void setTickAll(bool on) { m_tickAll = on; }
    bool showAll() const { return m_showAll; }
    bool tickAll() const { return m_tickAll; }

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    const recording::RecordingEntry& row(int i) const { return m_rows[static_cast<std::size_t>(i)]; }
    bool ticked(int i) const { return i >= 0 && i < rowCount() && m_ticks[static_cast<std::size_t>(i)]; }

    // The user ticked or unticked row k. In concatenation mode the other rows follow so that the
    // ticks stay one run. Returns the rows whose tick changed besides k.
    std::vector<int> setTicked(int k, bool on);

    struct Totals {
        int count = 0;
        std::uint64_t megabytes = 0; // (main + sub + data) / 1 MiB, for the total text
        bool tooBig = false; // a save only: the three truncated per-kind quotients > 1024
        bool tooMany = false; // a save only: more than 99 rows ticked
        bool okEnabled = false;
    };
    Totals totals() const;
    // 0 when OK may end the dialog, else the message slot that says why not.
    int okRefusal() const;
    std::vector<recording::RecordingEntry> tickedEntries() const;
    int blockStart() const { return m_blockStart; }
    int blockEnd() const { return m_blockEnd; }

private:
    void recomputeBlock();

    Mode m_mode;
    Use m_use;
    std::vector<recording::RecordingEntry> m_given;
    std::vector<recording::RecordingEntry> m_source;
    std::vector<recording::RecordingEntry> m_rows;
    std::vector<bool> m_ticks;
    bool m_showAll = false;
    bool m_tickAll = false;
    int m_blockStart = -1;
    int m_blockEnd = -1;
};

} // namespace kivora::browse
