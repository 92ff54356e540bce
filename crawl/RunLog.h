#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>

// A local time of day: milliseconds since midnight.
using TTimeOfDay = std::chrono::milliseconds;

// One crawl run, as the report lists it.
struct TRunLogEntry
{
    int run = 0; // its number among the runs since the program started, from 1
    TTimeOfDay start {};
    std::optional<TTimeOfDay> stop; // empty while the run is going
    int records = 0; // records written by the run
};

// The runs made since the program started. Only the latest Capacity runs are
// kept: a newer one drops the oldest, so the report always shows the recent ones.
class TRunLog
{
public:
    static constexpr std::size_t Capacity = 100;

    // Counts a new run (runCount) and opens its entry with its start time.
    void BeginRun(TTimeOfDay start);
    // Adds one record to the entry of the run in progress.
    void CountRecord();
    // Sets the stop time of the entry of the run in progress.
    void EndRun(TTimeOfDay stop);

    // Runs begun since the program started; 0 before the first.
    int runCount() const { return m_runCount; }
    // The kept entries, oldest first; the last one is run runCount().
    const std::deque<TRunLogEntry>& Entries() const { return m_entries; }

private:
    int m_runCount = 0;
    std::deque<TRunLogEntry> m_entries;
};
