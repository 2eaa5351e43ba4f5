#pragma once
// A view of a document as the document sees it: told to update with a hint, and the owner of
// the frame window the document moves, raises and titles. The program's views implement it;
// a test implements it to see what the document told its views.

#include <string>

/// Update hints a document passes to its views.
enum WkUpdateHint : int {
    kHintRepaint = 0, ///< redraw from the document
    kHintCommit = 1,  ///< take the controls' values into the document (a command is about to run)
    kHintReload = 2,  ///< reload the controls from the document (new data arrived)
};

/// Show state of a document's frame window.
enum class WkShowState { Minimized, Normal, Maximized };

/// A frame rectangle in screen pixels.
struct WkRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

/// Observer of one document.
class WkViewObserver {
public:
    virtual ~WkViewObserver() = default;

    /// The document changed; `sender` is the view that caused it (null: the document itself),
    /// `hint` one of WkUpdateHint or a document's own value.
    virtual void OnUpdate(WkViewObserver* sender, int hint) = 0;

    /// The document's title changed (the text the frame shows).
    virtual void OnTitleChanged(const std::string& title) { (void)title; }
    /// The document's modified flag changed.
    virtual void OnModifiedChanged(bool modified) { (void)modified; }

    /// Takes edits the view still holds (a control not yet committed) into the document,
    /// before a save or a close. False (a value out of range, already reported to the user)
    /// stops the save or the close.
    virtual bool CommitEdits() { return true; }
    /// The document was written to its file.
    virtual void OnDocumentSaved() {}

    /// Brings the view's frame window to the front and activates it.
    virtual void ActivateFrame() {}
    /// Moves the frame window to `rect`, repainting when `repaint` is set.
    virtual void MoveFrame(const WkRect& rect, bool repaint) {
        (void)rect;
        (void)repaint;
    }
    /// Minimises, restores or maximises the frame window.
    virtual void SetFrameShowState(WkShowState state) { (void)state; }

protected:
    WkViewObserver() = default;
    WkViewObserver(const WkViewObserver&) = default;
    WkViewObserver& operator=(const WkViewObserver&) = default;
};
