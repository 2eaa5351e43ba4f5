#pragma once
// What a transponder document asks of the reader configuration document it is bound to: the
// reader object and bus address its commands go through, the port, the reader's name, and
// the recording of the transponder file in the reader file. WkReaderEditDoc implements it.

#include <cstdint>
#include <string>

class WkTransponderLink;

/// The reader document as a bound transponder document sees it.
class WkReaderDocLink {
public:
    virtual ~WkReaderDocLink() = default;

    /// The reader object in the reader library (Velk); 0 when the reader works offline.
    virtual int LinkedReaderHandle() const = 0;
    /// The bus address commands are sent to (base-image byte 0).
    virtual std::uint8_t LinkedBusAddress() const = 0;
    /// The port number text chosen in the reader's view ("" or "-" when none).
    virtual std::string LinkedPortText() const = 0;
    /// The reader document's stored name.
    virtual std::string LinkedReaderName() const = 0;

    /// Adds `transponder` to the linked documents (once, however often it is called) and
    /// records `path` as the linked transponder file: info string 7 and the link flag of the
    /// reader file. The reader document is marked modified. `transponder` is not owned and
    /// must call UnlinkTransponder before it is destroyed.
    virtual void LinkTransponder(WkTransponderLink& transponder, const std::string& path) = 0;
    /// Removes `transponder` from the linked documents; nothing happens when it is not there.
    virtual void UnlinkTransponder(WkTransponderLink& transponder) = 0;

protected:
    WkReaderDocLink() = default;
    WkReaderDocLink(const WkReaderDocLink&) = default;
    WkReaderDocLink& operator=(const WkReaderDocLink&) = default;
};
