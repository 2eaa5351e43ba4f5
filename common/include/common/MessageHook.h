#pragma once
// The few messages the shared helpers may show go through a hook that a program installs.
// Each deliverable links its own copy of the helpers, so a library that installs nothing
// shows nothing.

/// Receives the text of a message to show with an OK button.
using MessageHook = void (*)(const char* text);

/// Installs `hook` (null removes it) and returns the previous one.
MessageHook SetMessageHook(MessageHook hook);

/// Passes `text` to the installed hook; does nothing without one.
void ShowHelperMessage(const char* text);
