#pragma once
// The program's windows for widget tests: the application with every editor, as the program
// plugs them in, and its main window, over the libraries and prompts a test gives.

#include "CMainFrame.h"
#include "CorvelApp.h"
#include "WkEditors.h"

#include <QtTest>
#include <memory>

struct EditorBench {
    CorvelApp app;
    std::unique_ptr<CMainFrame> frame;

    /// `ports` restores and keeps the serial ports.
    EditorBench(WkLibraries& libraries, WkPrompts& prompts,
                WkPortKeeper& ports = CorvelParts::NoPorts())
        : app({.libraries = libraries,
               .prompts = prompts,
               .ports = ports,
               .hooks = EditorDocumentHooks()}) {
        const bool started = app.InitInstance(
            [this]() -> WkFrameHost* {
                frame = std::make_unique<CMainFrame>(app);
                RegisterEditorViews(app, *frame);
                return frame.get();
            },
            {});
        if (!started) {
            qFatal("start-up failed");
        }
        frame->showNormal();
    }
    ~EditorBench() {
        frame->close();
        frame.reset();
    }
};
