#pragma once
// What a reader configuration document tells the transponder documents linked to it. The
// transponder document implements it; the reader document keeps a non-owning list of them.

#include <string>

class WkReaderDocLink;

/// Keys of the reader parameters a reader document passes to its linked transponder documents.
namespace WkReaderParam {
/// The reader's bus address, formatted "%3d" ("  7").
inline constexpr const char* kBusAddress = "BUSADR";
/// The port number text of the reader's COM port ("1" .. "256", or "-" / "" for none).
inline constexpr const char* kComNumber = "COMNR";
/// The reader document's stored name (the name shown after "ReaderEditor - ").
inline constexpr const char* kFileName = "FILENAME";
} // namespace WkReaderParam

/// The reader side's messages to one linked transponder document.
class WkTransponderLink {
public:
    virtual ~WkTransponderLink() = default;

    /// A reader value changed: `key` is one of WkReaderParam, `value` its new text. Unknown
    /// keys are ignored.
    virtual void OnReaderParameter(const std::string& key, const std::string& value) = 0;

    /// The reader document `reader` has put this document on its list (LinkTransponder): its
    /// commands go through that reader from now on. Called on every LinkTransponder.
    virtual void OnLinkedTo(WkReaderDocLink& reader) { (void)reader; }

    /// The reader document is closing. The transponder document drops its binding (and must
    /// not call the reader document again) and works offline.
    virtual void OnReaderClosing() = 0;

protected:
    WkTransponderLink() = default;
    WkTransponderLink(const WkTransponderLink&) = default;
    WkTransponderLink& operator=(const WkTransponderLink&) = default;
};
