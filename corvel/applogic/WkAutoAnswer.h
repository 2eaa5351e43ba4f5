#pragma once
// The display of auto-answer protocols: "Show AA-Protocols" asks for a port and lets the
// reception worker put what arrives there into the protocol window; "Stop AA-Protocols" ends
// it. Everything here runs on the user-interface thread.

#include "WkAutoAnswerControl.h"

#include <atomic>
#include <functional>
#include <memory>

class CorvelApp;
class Prompts;
class WkAAThread;
class WkPortAccess;

class WkAutoAnswer : public WkAutoAnswerControl {
public:
    /// The texts of the refusals of Show.
    static constexpr const char* kNoLogTemplate = "No Template with Log found !";
    static constexpr const char* kWindowClosed =
        "The Protocol Window is closed.\nAuto Answer Protocols cannot displayed.";

    /// None of the references is owned; all must outlive this object.
    WkAutoAnswer(CorvelApp& app, WkPortAccess& access, Prompts& prompts);
    ~WkAutoAnswer() override;
    WkAutoAnswer(const WkAutoAnswer&) = delete;
    WkAutoAnswer& operator=(const WkAutoAnswer&) = delete;

    /// Called on the worker when reception has stopped after a Stop (for example to refresh
    /// the status bar). Set before Create.
    void SetStoppedNotice(std::function<void()> notice) { stoppedNotice_ = std::move(notice); }

    bool Create() override;
    bool Show() override;
    /// When this returns, no further line reaches the protocol window until the next Show.
    void Stop() override;
    bool IsOn() const override { return on_; }
    /// The port whose protocols are shown, 0 while auto-answer is off.
    int WatchedPort() const;
    /// Ends the worker; waits at most for the receive call it is in.
    void Destroy() override;

    /// The worker, for the status of tests; null before Create and after Destroy.
    const WkAAThread* Thread() const { return thread_.get(); }

private:
    void ServeProtocolWindow();

    CorvelApp& app_;
    WkPortAccess& access_;
    Prompts& prompts_;
    std::function<void()> stoppedNotice_;
    std::unique_ptr<WkAAThread> thread_;
    bool on_ = false;
    std::atomic<int> watchedPortNumber_{0}; ///< for the lines of the worker
};
