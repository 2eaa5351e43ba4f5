#pragma once
// The buses of a site at once: one thread per bus, the readers of a bus one after another, a
// progress line per bus on a terminal, and at the end one table of every reader.
//
// Each bus thread owns its link and its row of outcomes; the only thing the threads share is
// the progress display, which has a lock of its own.

#include "KestraLink.h"
#include "KestraPortMap.h"
#include "KestraReport.h"
#include "KestraSiteFile.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kestra_cli {

/// What became of one reader; a bus with no reader to name has one outcome of its own
/// (address -1).
struct SiteOutcome {
    std::string bus;
    std::string port; ///< the bus's port as the site names it
    int address = -1;
    std::string name;
    std::string file;
    std::string model;  ///< what answered; empty when nothing did
    std::string result; ///< a word or two for the table
    int exitCode = kExitOk;
    /// Set for a failure that stops the bus, rather than a finding such as a difference.
    bool failed = false;
    std::string error;                ///< why it failed or what it found, for the details
    std::vector<std::string> details; ///< what reached the reader, printed under the table
    nlohmann::ordered_json facts = nlohmann::ordered_json::object();
    double seconds = 0;
};

/// One line per bus, redrawn in place on standard error; does nothing when not `enabled`.
class SiteProgress {
public:
    SiteProgress(std::vector<std::string> labels, bool enabled);
    /// Sets the text of line `bus` and redraws.
    void Show(std::size_t bus, const std::string& text);
    /// Removes the lines.
    void Clear();

private:
    void Draw();

    std::mutex mutex_;
    std::vector<std::string> labels_;
    std::vector<std::string> texts_;
    bool enabled_;
    bool drawn_ = false;
};

/// Options that every site command shares.
struct SiteOptions {
    int timeout = 0;       ///< block time-out in ms; 0 keeps the serial library's default
    bool verbose = false;  ///< protocol lines on standard error
    bool progress = false; ///< progress lines on a terminal
};

/// The links to the buses of a site and the outcome of each reader.
class SiteSession {
public:
    /// Maps the buses' devices for this run; opens nothing yet.
    SiteSession(const KestraSite& site, const SiteOptions& options);
    ~SiteSession();

    /// What one reader's step does; it fills the outcome and throws KestraError for a failure.
    using Step = std::function<void(KestraLink& link, const SiteReader& reader, SiteOutcome& out)>;

    /// Runs `step` for every reader of every bus that has not stopped, one thread per bus. A
    /// bus whose port cannot be opened, or whose step fails, stops: its later readers are
    /// reported as not reached. `activity` is shown in the progress line.
    void ForEachReader(const std::string& activity, const Step& step);
    /// Runs `body(bus)` for every bus, one thread each, and waits for them all.
    void ForEachBus(const std::function<void(std::size_t bus)>& body);

    /// The bus's link, opened at its first use.
    KestraLink& Link(std::size_t bus);

    std::vector<std::vector<SiteOutcome>>& Outcomes() { return outcomes_; }
    SiteProgress& Progress() { return progress_; }
    const KestraSite& Site() const { return site_; }

private:
    // Marks the rest of the bus from reader `from` on as not reached, failed by `cause`.
    void StopBus(std::size_t bus, std::size_t from, const SiteOutcome& cause);

    const KestraSite& site_;
    std::unique_ptr<KestraPortMap> map_;
    std::vector<std::unique_ptr<KestraLink>> links_;
    std::vector<char> stopped_; ///< one per bus, written only by the bus's thread
    std::vector<std::vector<SiteOutcome>> outcomes_;
    SiteProgress progress_;
};

/// Runs `step` and turns what it throws into a failed outcome; the time it took is added.
void RunStep(SiteOutcome& out, const std::function<void()>& step);

/// The table (bus, address, name, model, result, time), the details of each reader that
/// failed or differs below it, and the same as JSON ("readers", "warnings"); the exit code is
/// the worst of all readers.
KestraReport SiteTable(const std::string& command, const std::vector<std::string>& warnings,
                       const std::vector<std::vector<SiteOutcome>>& outcomes);

} // namespace kestra_cli
