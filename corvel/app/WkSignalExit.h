#pragma once
// SIGTERM and SIGINT end the program through its exit steps, asking nothing and waiting for
// nobody. The handlers are installed first thing in main; a signal that comes before the
// event loop runs is kept in a socket pair and handled by the first loop that runs (the one
// of a message box included), or found by Received() after start-up.

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

class WkSignalExit : public QObject {
    Q_OBJECT
public:
    /// Installs the handlers of SIGTERM and SIGINT; false when the socket pair could not be
    /// made (the signals then keep their default action).
    static bool InstallHandlers();

    /// Watches for a signal (needs the application object); `onSignal` runs once, on the
    /// user-interface thread, when one came.
    explicit WkSignalExit(std::function<void()> onSignal, QObject* parent = nullptr);
    ~WkSignalExit() override;

    /// Whether a signal came, also one not yet handled by an event loop.
    bool Received();

    /// Closes every modal window (message boxes, dialogs), so that their loops return.
    static void CloseModalWindows();

private:
    void Handle();

    std::function<void()> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool received_ = false;
};
