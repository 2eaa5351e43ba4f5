#pragma once
// Which of the main frame's commands the active document window enables. A command the
// window lacks is disabled, never hidden.

#include "WkViewCommand.h"

#include <optional>

class WkDocument;

/// What the main frame knows of its document windows.
struct WkActiveWindow {
    /// The active window's document; null when no window is active.
    const WkDocument* document = nullptr;
    /// What the active window's view can run now (Print, Font, Edit commands).
    WkViewCommandSet viewCommands;
    /// A protocol window is open (active or not).
    bool protocolWindowOpen = false;
};

/// The view command behind main-frame command `id`; none for other commands.
std::optional<WkViewCommand> ViewCommandOf(int id);

/// Whether main-frame command `id` is enabled for `active`. Commands that do not depend on
/// the active window (New, Open, Exit, COM-Port ...) are not decided here: true.
bool IsWindowCommandEnabled(int id, const WkActiveWindow& active);
