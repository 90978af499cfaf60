#pragma once
// Progress and cancel for the engine's long-running routines.
//
// Every stage reports after each row with the percentage of that stage done
// (row * 100 / rows). CRSProgress turns the per-stage reports into one figure
// for the whole call: it counts a new stage each time a report is lower than
// the previous one, and m_nPhases (set by the entry point before the first
// report) is the number of stages the call will run.

#include <atomic>
#include <cstdint>

// Set by the UI (or the batch dialog) to stop the running engine job; every
// report answers "stop" while it is set. Cleared by whoever starts a job.
extern std::atomic<std::uint8_t> g_bAbortResize;

// The last overall percentage, read by the main window when the progress
// sink reports a change.
extern std::atomic<int> g_nProgressPercent;

// Set by an engine routine that gave up for lack of memory. Per thread: every
// allocation that sets it runs on the thread that called the engine, so two
// engine calls on two threads cannot hide or fake each other's failure.
extern thread_local std::uint8_t g_bResizeOutOfMemory;

class CRSProgress {
public:
    CRSProgress();
    virtual ~CRSProgress();

    // A progress object that only relays to another one tells the main
    // window nothing when it starts and ends.
    struct Relay {};
    explicit CRSProgress(Relay);

    CRSProgress(const CRSProgress&) = delete;
    CRSProgress& operator=(const CRSProgress&) = delete;

    // percent: completion of the current stage. Returns 1 to go on, 0 to stop.
    virtual int Progress(int percent);

    // The abort byte the engine's stages poll within their rows: the
    // process-wide one (the same for every object) unless a derived object
    // stops its own job with a byte of its own.
    virtual std::atomic<std::uint8_t>* GetCancelFlag();

    int m_nPhases = 1;
    int m_nWraps = 0;
    int m_nLastPercent = 0;

private:
    bool m_bPostsStartAndEnd = true;
};

// The overall percentage of a call of `phases` stages (below 1 means one) when
// `wraps` stages are done and the current one is `percent` done: each stage
// is an equal share of 100, in integers as the stages report.
inline int OverallPercent(int percent, int wraps, int phases) {
    if (phases < 1)
        phases = 1;
    return (100 / phases) * wraps + percent / phases;
}

// Reports after row `row` of a stage of `rows` rows: row * 100 / rows, in 64
// bits. A null progress object means "go on". Returns what Progress returned.
inline int ReportRow(CRSProgress* progress, long long row, long long rows) {
    if (!progress)
        return 1;
    return progress->Progress(static_cast<int>(row * 100 / rows));
}
