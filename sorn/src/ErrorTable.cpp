#include "ErrorTable.h"

namespace sorn {

namespace {
struct Entry {
    int code;
    const char* text;
};

constexpr Entry kTable[] = {
    {SORN_ERR_INTERNAL, "internal error of the serial-port library"},
    {SORN_ERR_BAD_HANDLE, "invalid port handle"},
    {SORN_ERR_BAD_PORT_NUMBER, "invalid port number (1 .. 256)"},
    {SORN_ERR_NO_DEVICE, "no device for this port number"},
    {SORN_ERR_ALREADY_OPEN, "port is already open"},
    {SORN_ERR_BUSY, "port is in use by another program"},
    {SORN_ERR_NULL_ARGUMENT, "missing argument (null pointer)"},
    {SORN_ERR_OPEN_FAILED, "could not open port"},
    {SORN_ERR_NOT_A_TERMINAL, "device is not a serial port"},
    {SORN_ERR_TOO_MANY_PORTS, "too many open ports"},
    {SORN_ERR_UNKNOWN_KEY, "unknown port parameter"},
    {SORN_ERR_READ_ONLY_KEY, "port parameter is read only"},
    {SORN_ERR_BAD_BAUD, "baud rate not supported"},
    {SORN_ERR_BAD_FRAME, "frame not supported"},
    {SORN_ERR_BAD_VALUE, "parameter value out of range"},
    {SORN_ERR_APPLY_FAILED, "could not apply the setting to the device"},
    {SORN_ERR_NO_PERMISSION,
     "no permission to open the device (is the user in the dialout group?)"},
    {SORN_ERR_UNKNOWN_COMMAND, "unknown port command"},
    {SORN_ERR_BAD_COMMAND_VALUE, "invalid value for the port command"},
    {SORN_ERR_NO_MODEM_LINES, "device has no modem control lines"},
    {SORN_ERR_BAD_LENGTH, "invalid data length"},
    {SORN_ERR_NOTHING_RECEIVED, "nothing received within the time-out"},
    {SORN_ERR_WRITE_TIMEOUT, "could not send within the time-out"},
    {SORN_ERR_WRITE_FAILED, "write to the port failed"},
    {SORN_ERR_READ_FAILED, "read from the port failed"},
    {SORN_ERR_LINE_BUSY, "the port was busy with another call for longer than its time-out"},
    {SORN_ERR_DISCONNECTED, "device disconnected"},
    {SORN_ERR_OTHER_DEVICE,
     "device disconnected; its path now leads to another device, which is not "
     "opened in its place"},
    {SORN_ERR_UNMAPPED, "device disconnected; the port map no longer names it"},
    {SORN_ERR_REFUSED, "the device server refused the connection (nothing listens at that port)"},
    {SORN_ERR_NO_SERVER_ANSWER, "the device server did not answer within the time-out"},
    {SORN_ERR_SERVER_CLOSED, "the device server closed the connection"},
    {SORN_ERR_SERVER_GONE, "the device server stopped answering (the connection timed out)"},
    {SORN_ERR_BAD_ADDRESS, "the port map names no valid network address (rfc2217://host:port or "
                           "tcp://host:port)"},
    {SORN_ERR_HOST_UNKNOWN, "host name not found"},
    {SORN_ERR_UNREACHABLE, "the device server cannot be reached (no route to its host)"},
    {SORN_ERR_HANDLER_EXISTS, "event handler is already registered"},
    {SORN_ERR_NO_SUCH_HANDLER, "event handler is not registered"},
    {SORN_ERR_BAD_HANDLER, "invalid event handler"},
    {SORN_ERR_UNKNOWN_CODE, "unknown error code"},
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
