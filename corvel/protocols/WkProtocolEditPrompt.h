#pragma once
// The "Edit Protocol" dialog as the editors' view models see it. The program shows the Qt
// dialog; tests answer from a script.

class WkProtocolItem;

class WkProtocolEditPrompt {
public:
    virtual ~WkProtocolEditPrompt() = default;
    /// Shows the dialog over `item`'s protocol, flag and comment. OK: the three values are
    /// written into `item` and the result is true. Cancel: `item` is untouched, false.
    virtual bool EditItem(WkProtocolItem& item) = 0;

protected:
    WkProtocolEditPrompt() = default;
    WkProtocolEditPrompt(const WkProtocolEditPrompt&) = default;
    WkProtocolEditPrompt& operator=(const WkProtocolEditPrompt&) = default;
};
