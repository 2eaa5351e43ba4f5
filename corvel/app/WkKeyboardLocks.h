#pragma once
// Num Lock and Scroll Lock for the status bar's "NUM" and "S" panes. Under X11 they are the
// keyboard's own lights; where the windowing system does not tell (Wayland, the offscreen
// platform), they follow the presses of their keys since the program started.

class WkKeyboardLocks {
public:
    WkKeyboardLocks();

    /// A key press seen by the main window (the Qt key code).
    void KeyPressed(int key);
    /// Asks the windowing system again, where it can be asked.
    void Refresh();

    bool NumLock() const { return numLock_; }
    bool ScrollLock() const { return scrollLock_; }

private:
    bool numLock_ = false;
    bool scrollLock_ = false;
    bool fromSystem_ = false;
};
