#pragma once
// One page of the reader configuration sheet as the view sees it. The page binds its controls
// to values of the document's module; the view calls these operations and never reaches into
// a page's controls.

#include <string>

/// The view's four page buttons, as a page sets them when it becomes active.
class WkPageButtons {
public:
    virtual ~WkPageButtons() = default;
    /// True when a COM port is chosen in the view (list entry above 0).
    virtual bool IsPortChosen() const = 0;
    /// The text of the "&Send Page" button ("&Send Page", or "&Send" for the command panel).
    virtual void SetSendPageText(const std::string& text) = 0;
    virtual void EnableButtons(bool sendPage, bool sendAll, bool readPage, bool readAll) = 0;

protected:
    WkPageButtons() = default;
    WkPageButtons(const WkPageButtons&) = default;
    WkPageButtons& operator=(const WkPageButtons&) = default;
};

/// What a send (or a read) of a page's commands came to.
struct WkPageSend {
    bool refused = false; ///< nothing went out: a value out of range, or the user said No
    int sent = 0;         ///< commands the reader took (status 0)
    int total = 0;        ///< commands the page sends (or reads)
    std::string failed;   ///< the first command that failed, by its group title ("" if none)
    int result = 0;       ///< its result: a reader status or a negative code
};

/// A configuration page. The first four operations are those the view's buttons call.
class WkReaderEditPage {
public:
    virtual ~WkReaderEditPage() = default;

    /// "Send All": sends the page's commands from the module, without taking the controls
    /// and without asking; stops at the first command that fails.
    virtual WkPageSend SendPage() = 0;
    /// "&Send Page": commits the controls; when that succeeds, sends the page's commands
    /// (asking first when their values were never read, loaded or reset) up to the first
    /// that fails.
    virtual WkPageSend CommitAndSendPage() = 0;
    /// "Read All" (force off): reads the page's commands into the module; with force on the
    /// page's blocks are read fresh from the reader. A command that fails does not stop the
    /// others; the first that failed is in the result.
    virtual WkPageSend ReadPage(bool force) = 0;
    /// "&Read Page": a forced read, then Load.
    virtual WkPageSend ReadPageAndLoad() = 0;
    /// True for a page that sends the reader's access lock, which "Send All" sends last.
    virtual bool SendsLock() const { return false; }

    /// The page became the active tab: sets the buttons, then loads.
    virtual void Activate(WkPageButtons& buttons) = 0;
    /// Shows the module's values in the controls.
    virtual void Load() = 0;
    /// Takes the controls into the module; false (nothing written) on a range error.
    virtual bool Commit() = 0;

    /// The tab's caption.
    virtual std::string Caption() const = 0;

    /// Work that runs one step per turn of the event loop (baud rate detection). While it
    /// runs, the editor takes no other action.
    virtual bool IsBusy() const { return false; }
    /// Runs the next step; true when the work is over.
    virtual bool StepBusy() { return true; }
    /// Ends the work at once and puts back what it changed.
    virtual void CancelBusy() {}
    /// How far the work has come, shown beside its Cancel button.
    virtual std::string BusyText() const { return {}; }

protected:
    WkReaderEditPage() = default;
    WkReaderEditPage(const WkReaderEditPage&) = default;
    WkReaderEditPage& operator=(const WkReaderEditPage&) = default;
};
