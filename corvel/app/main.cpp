// The workbench program: the application logic over Qt widgets and the linked libraries.

#include "CComPortDlg.h"
#include "CMainFrame.h"
#include "CorvelApp.h"
#include "WkAutoAnswer.h"
#include "WkComPortManager.h"
#include "WkEditors.h"
#include "WkLinkedLibraries.h"
#include "WkProtocolTemplates.h"
#include "WkQtPrompts.h"
#include "WkQtText.h"
#include "WkReaderDocuments.h"
#include "WkTransponderTemplate.h"
#include "common/MessageHook.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTimer>
#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// SIGTERM and SIGINT become a close request of the main window, the same route as "&Exit".
int gSignalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t ignored = ::write(gSignalPipe[1], &byte, 1);
}

WkQtPrompts* gPrompts = nullptr;

void ShowHelperText(const char* text) {
    if (gPrompts != nullptr && text != nullptr) {
        gPrompts->ShowMessage(text);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    QCoreApplication::setOrganizationName("Kestra");
    QCoreApplication::setApplicationName("Corvel");

    WkLinkedLibraries libraries;
    WkQtPrompts prompts;
    gPrompts = &prompts;
    Prompts::Install(&prompts);
    SetMessageHook(&ShowHelperText);

    std::vector<std::string> args;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        args.push_back(PathFromQt(arguments[i]));
    }

    CorvelApp app(libraries, prompts);
    CorvelDocumentHooks hooks;
    hooks.registerTemplates = [&app](WkTemplateList& templates) {
        RegisterEditorTemplates(app, templates);
        RegisterLateEditorTemplates(app, templates);
    };
    hooks.appendToMacro = &WkProtocolTemplates::AppendToMacro;
    hooks.listReaderDocuments = [&app] {
        return WkReaderDocuments::SelectionInfo(app.Templates());
    };
    hooks.linkReader = [&app](bool isNew) { WkReaderDocuments::LinkLast(app.Templates(), isNew); };
    hooks.bindTransponder = [&app](WkDocument& transponder, const WkReaderSelection& reader) {
        WkTransponderTemplate::Bind(app, transponder, reader);
    };
    app.SetDocumentHooks(hooks);
    WkComPortManager portManager(libraries, libraries, prompts);
    app.SetPortKeeper(&portManager);
    portManager.SetPortUsersSource(
        [&app] { return WkReaderDocuments::PortUsers(app.Templates()); });
    WkAutoAnswer autoAnswer(app, libraries, prompts);
    app.SetAutoAnswer(&autoAnswer);
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
    if (!started) {
        app.ExitInstance();
        SetMessageHook(nullptr);
        Prompts::Install(nullptr);
        return 1;
    }

    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) == 0) {
        signalNotifier = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, frame.get(), [&] {
            char byte;
            [[maybe_unused]] ssize_t ignored = ::read(gSignalPipe[0], &byte, 1);
            frame->close();
        });
        struct sigaction action {};
        action.sa_handler = &OnTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &action, nullptr);
        ::sigaction(SIGINT, &action, nullptr);
    }

    const int result = QApplication::exec();
    app.ExitInstance();
    signalNotifier.reset();
    frame.reset();
    SetMessageHook(nullptr);
    Prompts::Install(nullptr);
    return result;
}
