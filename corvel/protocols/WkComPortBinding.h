#pragma once
// The COM combo box of the protocol and macro editors: which open port the document's reader
// object talks through. The choice is the port number in the document's base image and the
// reader's "PortHnd"; the combo lists "-" and the open ports.

#include <string>
#include <vector>

class WkProtocolListDoc;
struct WkProtocolServices;

class WkComPortBinding {
public:
    static constexpr const char* kNone = "-";
    static constexpr const char* kOpenFailed = "Error! Could not open COM-Port!\nErrorCode: %d";

    WkComPortBinding(WkProtocolListDoc& document, const WkProtocolServices& services);

    /// The view's first show. Without a reader object the combo holds only "-" and is
    /// disabled. With one and no stored port, "Select a COM-Port" is asked first; a port
    /// chosen there is bound. Then the list is filled and the stored port applied.
    void Start();
    /// The combo's list is opened: "-" and the number of every open port, in the serial-port
    /// library's order.
    void Fill();
    /// The user picked entry `index`: "-" unbinds; a port binds when the serial-port library
    /// still knows it, else unbinds. A changed port number marks the document modified.
    void Apply(int index);

    const std::vector<std::string>& Entries() const { return entries_; }
    /// The selected entry (0 is "-").
    int Selected() const { return selected_; }
    /// The combo's text: the bound port number, empty for none.
    const std::string& Text() const { return text_; }
    bool Enabled() const { return enabled_; }

private:
    void Unbind();
    void SelectText();

    WkProtocolListDoc& document_;
    const WkProtocolServices& services_;
    std::vector<std::string> entries_{kNone};
    int selected_ = 0;
    std::string text_;
    bool enabled_ = false;
};
