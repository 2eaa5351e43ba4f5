#pragma once
// The content and result of the "Select a Reader" dialog: one entry per open reader
// configuration document.

#include <optional>
#include <string>
#include <vector>

class WkLibraries;

/// What the dialog returns for the chosen entry.
struct WkReaderSelection {
    int readerHandle = 0;
    std::string busAddress; ///< "%3d"
    std::string storedName;
    std::string portText; ///< the port's "PortNr", or "-" without a port
};

/// What the dialog needs to know of one open reader configuration document.
struct WkReaderDocInfo {
    int readerHandle = 0;
    int busAddress = 0;
    std::string storedName;
};

class WkReaderChoice {
public:
    /// Reads each reader's "porthnd" and, for a port, its "PortNr", and builds the entries
    /// "BusAdr: %3d  COM:%s  File:%s".
    static WkReaderChoice FromDocuments(const std::vector<WkReaderDocInfo>& documents,
                                        WkLibraries& libraries);

    const std::vector<std::string>& Texts() const { return texts_; }
    const std::vector<WkReaderSelection>& Entries() const { return entries_; }
    /// True when there is nothing to choose: the dialog closes at once with no result.
    bool IsEmpty() const { return entries_.empty(); }
    /// The entry at `index`, nothing for no selection or an index out of range.
    std::optional<WkReaderSelection> ResultFor(int index) const;

private:
    std::vector<std::string> texts_;
    std::vector<WkReaderSelection> entries_;
};

/// The "Select a Reader Type" list; a result is the position + 1 (1 = KRA .. 4 = KRD).
inline const std::vector<std::string>& ReaderTypeNames() {
    static const std::vector<std::string> names = {"KRA", "KRB", "KRC", "KRD"};
    return names;
}
inline constexpr const char* kReaderTypeExplanation =
    "After the selection of a reader type the default configuration of this reader will be "
    "load into the editor.";
