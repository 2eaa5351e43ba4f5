#include "KestraSiteRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <sys/ioctl.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace kestra_cli {

SiteProgress::SiteProgress(std::vector<std::string> labels, bool enabled)
    : labels_(std::move(labels)), texts_(labels_.size()), enabled_(enabled) {
    std::size_t width = 0;
    for (const std::string& label : labels_) {
        width = std::max(width, label.size());
    }
    for (std::string& label : labels_) {
        label.resize(width, ' ');
    }
}

void SiteProgress::Show(std::size_t bus, const std::string& text) {
    if (!enabled_) {
        return;
    }
    std::lock_guard lock(mutex_);
    texts_.at(bus) = text;
    Draw();
}

void SiteProgress::Clear() {
    std::lock_guard lock(mutex_);
    if (enabled_ && drawn_) {
        std::cerr << "\033[" << labels_.size() << "A\r\033[J" << std::flush;
        drawn_ = false;
    }
}

void SiteProgress::Draw() {
    // A line longer than the terminal would wrap, and the lines would no longer be redrawn in
    // their places.
    winsize size{};
    const std::size_t columns =
        ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 ? size.ws_col - 1 : 79;
    std::string out = drawn_ ? "\033[" + std::to_string(labels_.size()) + "A" : "";
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        out += "\r\033[K" + (labels_[i] + "  " + texts_[i]).substr(0, columns) + "\n";
    }
    std::cerr << out << std::flush;
    drawn_ = true;
}

namespace {

std::vector<std::string> ProgressLabels(const KestraSite& site) {
    std::vector<std::string> labels;
    for (const SiteBus& bus : site.buses) {
        labels.push_back(bus.name + "  " + bus.PortText());
    }
    return labels;
}

} // namespace

SiteSession::SiteSession(const KestraSite& site, const SiteOptions& options)
    : site_(site), stopped_(site.buses.size(), 0), outcomes_(site.buses.size()),
      progress_(ProgressLabels(site), options.progress) {
    std::vector<std::string> devices;
    std::vector<int> taken;
    for (const SiteBus& bus : site.buses) {
        if (bus.device.empty()) {
            taken.push_back(bus.port);
        } else {
            devices.push_back(bus.device);
        }
    }
    if (!devices.empty()) {
        map_ = std::make_unique<KestraPortMap>(devices, taken);
    }
    std::size_t mapped = 0;
    for (std::size_t b = 0; b < site.buses.size(); ++b) {
        const SiteBus& bus = site.buses[b];
        KestraLinkOptions link;
        link.device = bus.device;
        link.port = bus.device.empty() ? bus.port : map_->PortOf(mapped++);
        link.baud = bus.baud;
        link.frame = bus.frame;
        link.timeout = options.timeout;
        link.verbose = options.verbose;
        links_.push_back(std::make_unique<KestraLink>(link));
        for (const SiteReader& reader : bus.readers) {
            SiteOutcome out;
            out.bus = bus.name;
            out.port = bus.PortText();
            out.address = reader.address;
            out.name = reader.name;
            out.file = reader.file;
            outcomes_[b].push_back(out);
        }
    }
}

// The links close their ports before the map they were opened through goes.
SiteSession::~SiteSession() {
    progress_.Clear();
    links_.clear();
}

KestraLink& SiteSession::Link(std::size_t bus) {
    KestraLink& link = *links_.at(bus);
    if (link.Port() == 0) {
        link.Open();
    }
    return link;
}

void SiteSession::ForEachBus(const std::function<void(std::size_t bus)>& body) {
    std::vector<std::thread> threads;
    for (std::size_t bus = 0; bus < site_.buses.size(); ++bus) {
        try {
            threads.emplace_back(body, bus);
        } catch (const std::system_error&) {
            body(bus); // no thread to be had: this bus waits its turn
        }
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

void SiteSession::ForEachReader(const std::string& activity, const Step& step) {
    ForEachBus([&](std::size_t b) {
        if (stopped_[b]) {
            return;
        }
        const SiteBus& bus = site_.buses[b];
        std::vector<SiteOutcome>& outcomes = outcomes_[b];
        for (std::size_t r = 0; r < bus.readers.size(); ++r) {
            const SiteReader& reader = bus.readers[r];
            progress_.Show(b, "[" + std::to_string(r + 1) + "/" +
                                  std::to_string(bus.readers.size()) + "]  " + reader.name + ": " +
                                  activity);
            SiteOutcome& out = outcomes[r];
            RunStep(out, [&] {
                KestraLink& link = Link(b);
                link.SetAddress(reader.address);
                step(link, reader, out);
            });
            if (out.failed) {
                StopBus(b, r + 1, out);
                progress_.Show(b, "stopped: " + reader.name + " failed");
                return;
            }
        }
        progress_.Show(b, "done");
    });
}

void SiteSession::StopBus(std::size_t bus, std::size_t from, const SiteOutcome& cause) {
    stopped_[bus] = 1;
    for (std::size_t r = from; r < outcomes_[bus].size(); ++r) {
        SiteOutcome& out = outcomes_[bus][r];
        out.result = "not reached";
        out.exitCode = cause.exitCode;
        out.failed = true;
        out.error = "the bus stopped when " + cause.name + " failed";
    }
}

void RunStep(SiteOutcome& out, const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    try {
        step();
    } catch (const KestraError& e) {
        out.failed = true;
        out.exitCode = e.ExitCode();
        out.result = "FAILED";
        out.error = e.what();
    } catch (const std::exception& e) {
        out.failed = true;
        out.exitCode = kExitNoAnswer;
        out.result = "FAILED";
        out.error = e.what();
    }
    out.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

namespace {

std::string Seconds(const SiteOutcome& out) {
    if (out.seconds <= 0) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", out.seconds);
    return text;
}

// Columns padded to their widest entry; the last one is not padded.
std::vector<std::string> Columns(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    std::vector<std::string> lines;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            std::string cell = row[c];
            // Numbers to the right, words to the left.
            const bool number = c == 1;
            if (c + 1 < row.size()) {
                cell = number ? std::string(widths[c] - cell.size(), ' ') + cell
                              : cell + std::string(widths[c] - cell.size(), ' ');
            }
            line += (c == 0 ? "" : "  ") + cell;
        }
        lines.push_back(line);
    }
    return lines;
}

} // namespace

KestraReport SiteTable(const std::string& command, const std::vector<std::string>& warnings,
                       const std::vector<std::vector<SiteOutcome>>& outcomes) {
    KestraReport report;
    report.json["command"] = command;
    report.json["warnings"] = warnings;
    std::vector<std::vector<std::string>> rows = {
        {"bus", "address", "name", "model", "result", "time"}};
    std::vector<std::string> details;
    nlohmann::ordered_json readers = nlohmann::ordered_json::array();
    int worst = kExitOk;
    std::string firstError;
    for (const auto& bus : outcomes) {
        for (const SiteOutcome& out : bus) {
            const std::string address = out.address < 0 ? "-" : std::to_string(out.address);
            rows.push_back({out.bus, address, out.name.empty() ? "-" : out.name,
                            out.model.empty() ? "-" : out.model, out.result, Seconds(out)});
            if (!out.error.empty() || !out.details.empty()) {
                details.push_back("");
                details.push_back((out.name.empty() ? out.bus : out.name) + " (" + out.port +
                                  (out.address < 0 ? "" : ", address " + address) + ")" +
                                  (out.error.empty() ? "" : ": " + out.error));
                for (const std::string& line : out.details) {
                    details.push_back("  " + line);
                }
            }
            nlohmann::ordered_json entry = {{"bus", out.bus}, {"port", out.port}};
            if (out.address >= 0) {
                entry["address"] = out.address;
                entry["name"] = out.name;
                entry["file"] = out.file;
            }
            entry["model"] =
                out.model.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(out.model);
            entry["result"] = out.result;
            entry["exit_code"] = out.exitCode;
            entry["seconds"] = out.seconds;
            if (!out.error.empty()) {
                entry["error"] = out.error;
            }
            entry.update(out.facts);
            readers.push_back(entry);
            if (out.exitCode > worst) {
                worst = out.exitCode;
                firstError = (out.name.empty() ? out.bus : out.name) + ": " + out.error;
            }
        }
    }
    report.lines = Columns(rows);
    report.lines.insert(report.lines.end(), details.begin(), details.end());
    report.json["readers"] = readers;
    if (worst != kExitOk) {
        report.Fail(worst, command + ": " + firstError);
    }
    return report;
}

} // namespace kestra_cli
