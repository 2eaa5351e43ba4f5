// The workbench program: the application logic over Qt widgets and the linked libraries.

#include "CComPortDlg.h"
#include "CMainFrame.h"
#include "CorvelApp.h"
#include "WkAutoAnswer.h"
#include "WkComPortManager.h"
#include "WkEditors.h"
#include "WkFirstSession.h"
#include "WkLinkedLibraries.h"
#include "WkQtPrompts.h"
#include "WkQtText.h"
#include "WkRecovery.h"
#include "WkSignalExit.h"
#include "common/MessageHook.h"

#include <QApplication>
#include <QStatusBar>
#include <QTimer>
#include <memory>

namespace {

WkQtPrompts* gPrompts = nullptr;

void ShowHelperText(const char* text) {
    if (gPrompts != nullptr && text != nullptr) {
        gPrompts->ShowMessage(text);
    }
}

// The program's parts. The application and the auto-answer display know each other: the
// display is made first and keeps the application's reference, which it uses only from
// start-up on. The application goes first at the end.
struct Workbench {
    WkLinkedLibraries libraries;
    WkQtPrompts prompts;
    WkRecovery recovery{WkRecovery::DefaultFolder()};
    WkComPortManager portManager{libraries, libraries, prompts};
    WkAutoAnswer autoAnswer{app, libraries, prompts};
    CorvelApp app{{.libraries = libraries,
                   .prompts = prompts,
                   .ports = portManager,
                   .autoAnswer = autoAnswer,
                   .recovery = &recovery,
                   .hooks = EditorDocumentHooks()}};
};

} // namespace

int main(int argc, char** argv) {
    // From the first moment a signal ends the program through its exit steps.
    WkSignalExit::InstallHandlers();
    QApplication qtApp(argc, argv);
    QCoreApplication::setOrganizationName("Kestra");
    QCoreApplication::setApplicationName("Corvel");

    Workbench workbench;
    WkLinkedLibraries& libraries = workbench.libraries;
    WkQtPrompts& prompts = workbench.prompts;
    CorvelApp& app = workbench.app;
    WkComPortManager& portManager = workbench.portManager;
    WkAutoAnswer& autoAnswer = workbench.autoAnswer;
    gPrompts = &prompts;
    Prompts::Install(&prompts);
    SetMessageHook(&ShowHelperText);

    // A signal: nothing more is shown or waited for, open dialogs close, every event loop
    // returns; the exit steps run below, at the top level.
    WkSignalExit signalExit([&prompts] {
        prompts.SetSilent();
        WkSignalExit::CloseModalWindows();
        QCoreApplication::exit(0);
    });

    std::vector<std::string> args;
    bool firstSession = false;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == WkFirstSession::kOption) {
            firstSession = true;
        } else {
            args.push_back(PathFromQt(arguments[i]));
        }
    }

    portManager.SetFallbackSettingsPath(WkComPortManager::DefaultFallbackSettingsPath());
    portManager.SetPortUsersSource([&app] { return app.PortUsers(); });
    std::unique_ptr<CMainFrame> frame;
    // A port whose device goes away or comes back is told in the protocol window and the
    // status bar; the library reopens it, this only looks.
    portManager.SetAutoAnswerPortSource([&] { return autoAnswer.WatchedPort(); });
    portManager.SetConnectionNotice(
        [&](int port, bool back, const std::string& line, const std::string& text) {
            app.AppendToProtocolWindow(line);
            std::string status = text;
            if (port == autoAnswer.WatchedPort()) {
                status += back ? " - Auto Answer goes on" : " - Auto Answer waits for the device";
            }
            if (frame) {
                frame->statusBar()->showMessage(QString::fromStdString(status));
                if (port == autoAnswer.WatchedPort()) {
                    frame->SetAutoAnswerDeviceAway(!back);
                }
            }
        });
    QTimer connectionWatch;
    QObject::connect(&connectionWatch, &QTimer::timeout, [&] { portManager.CheckConnections(); });
    connectionWatch.start(1000);
    const bool started = app.InitInstance(
        [&]() -> WkFrameHost* {
            frame = std::make_unique<CMainFrame>(app);
            RegisterEditorViews(app, *frame);
            frame->SetComPortCommand([&] {
                CComPortDlg dialog(portManager, libraries, prompts, frame.get());
                dialog.exec();
            });
            prompts.SetParent(frame.get());
            return frame.get();
        },
        args);
    if (!started || signalExit.Received()) {
        app.ExitWithoutQuestions();
        SetMessageHook(nullptr);
        Prompts::Install(nullptr);
        return started ? 0 : 1;
    }

    if (firstSession) {
        QTimer::singleShot(0, frame.get(), [&] { WkFirstSession::Run(app, *frame); });
    }
    const int result = QApplication::exec();
    // Exit from the menu has run the exit steps already; after a signal they run here.
    app.ExitWithoutQuestions();
    frame.reset();
    SetMessageHook(nullptr);
    Prompts::Install(nullptr);
    return result;
}
