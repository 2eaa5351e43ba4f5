#include "ErrorTable.h"

namespace sorn {

namespace {
struct Entry {
    int code;
    const char* text;
};

constexpr Entry kTable[] = {
    {kErrInternal, "internal error of the serial-port library"},
    {kErrBadHandle, "invalid port handle"},
    {kErrBadPortNumber, "invalid port number (1 .. 256)"},
    {kErrNoDevice, "no device for this port number"},
    {kErrAlreadyOpen, "port is already open"},
    {kErrBusy, "port is in use by another program"},
    {kErrNullArgument, "missing argument (null pointer)"},
    {kErrOpenFailed, "could not open port"},
    {kErrNotATerminal, "device is not a serial port"},
    {kErrTooManyPorts, "too many open ports"},
    {kErrUnknownKey, "unknown port parameter"},
    {kErrReadOnlyKey, "port parameter is read only"},
    {kErrBadBaud, "baud rate not supported"},
    {kErrBadFrame, "frame not supported"},
    {kErrBadValue, "parameter value out of range"},
    {kErrApplyFailed, "could not apply the setting to the device"},
    {kErrNoPermission, "no permission to open the device (is the user in the dialout group?)"},
    {kErrUnknownCommand, "unknown port command"},
    {kErrBadCommandValue, "invalid value for the port command"},
    {kErrNoModemLines, "device has no modem control lines"},
    {kErrBadLength, "invalid data length"},
    {kErrNothingReceived, "nothing received within the time-out"},
    {kErrWriteTimeout, "could not send within the time-out"},
    {kErrWriteFailed, "write to the port failed"},
    {kErrReadFailed, "read from the port failed"},
    {kErrLineBusy, "the port was busy with another call for longer than its time-out"},
    {kErrDisconnected, "device disconnected"},
    {kErrOtherDevice, "device disconnected; its path now leads to another device, which is not "
                      "opened in its place"},
    {kErrUnmapped, "device disconnected; the port map no longer names it"},
    {kErrRefused, "the device server refused the connection (nothing listens at that port)"},
    {kErrNoServerAnswer, "the device server did not answer within the time-out"},
    {kErrServerClosed, "the device server closed the connection"},
    {kErrServerGone, "the device server stopped answering (the connection timed out)"},
    {kErrBadAddress, "the port map names no valid network address (rfc2217://host:port or "
                     "tcp://host:port)"},
    {kErrHostUnknown, "host name not found"},
    {kErrUnreachable, "the device server cannot be reached (no route to its host)"},
    {kErrHandlerExists, "event handler is already registered"},
    {kErrNoSuchHandler, "event handler is not registered"},
    {kErrBadHandler, "invalid event handler"},
    {kErrUnknownCode, "unknown error code"},
};
} // namespace

const char* ErrorText(int code) {
    for (const Entry& e : kTable) {
        if (e.code == code) {
            return e.text;
        }
    }
    return nullptr;
}

} // namespace sorn
