#pragma once
// A first session to start with (corvel --first-session, which scripts/run uses): File > New >
// Reader, whose view takes the open port and whose transponder editor opens beside it, then
// the reader editor's "Read All" and the transponder editor's "[0x11] Read Serial Number", each
// as the user's click does it. The first screen shows the workbench at work; what is offline
// (no port open, nothing answering) shows as such.

class CMainFrame;
class CorvelApp;

namespace WkFirstSession {
/// The command-line option.
inline constexpr const char* kOption = "--first-session";
/// Runs the session; the main window must be shown.
void Run(CorvelApp& app, CMainFrame& frame);
} // namespace WkFirstSession
