#pragma once
// What the protocol window's document needs of its view. Lines are UTF-8 text (the
// libraries' lines are ASCII; what a user types into the window may be any character), and
// the .log file keeps characters beyond Latin-1 as RTF's \uN.

#include <string>
#include <vector>

class WkLogSink {
public:
    virtual ~WkLogSink() = default;
    /// User-interface thread: `lines` were just added to the document's store (which may
    /// have dropped its oldest lines for them). The texts may be left out when WantsLineText
    /// is false.
    virtual void AppendLines(const std::vector<std::string>& lines) = 0;
    /// Whether AppendLines is to get the texts of the lines (a sink that reads the store
    /// spares the document making the texts of auto-answer lines).
    virtual bool WantsLineText() const { return true; }
    /// Any thread, called with the document's lock held: have the user-interface thread call
    /// WkLogDoc::Drain, at the next chance when `now` is set, else a few milliseconds later
    /// (lines of the batch are still coming). Must not block and must not call back into the
    /// document.
    virtual void RequestDrain(bool now) = 0;
};
