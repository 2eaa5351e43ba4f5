#pragma once

namespace sorn {

// Every code Sorn returns lives in -1000 .. -1999 and has exactly one text.
enum ErrorCode : int {
    kOk = 0,
    kErrInternal = -1000,
    kErrBadHandle = -1001,
    kErrBadPortNumber = -1002,
    kErrNoDevice = -1003,
    kErrAlreadyOpen = -1004,
    kErrBusy = -1005,
    kErrNullArgument = -1006,
    kErrOpenFailed = -1007,
    kErrNotATerminal = -1008,
    kErrTooManyPorts = -1009,
    kErrUnknownKey = -1010,
    kErrReadOnlyKey = -1011,
    kErrBadBaud = -1012,
    kErrBadFrame = -1013,
    kErrBadValue = -1014,
    kErrApplyFailed = -1015,
    kErrNoPermission = -1016,
    kErrUnknownCommand = -1020,
    kErrBadCommandValue = -1021,
    kErrNoModemLines = -1022,
    kErrBadLength = -1025,
    kErrNothingReceived = -1030,
    kErrWriteTimeout = -1031,
    kErrWriteFailed = -1032,
    kErrReadFailed = -1033,
    kErrLineBusy = -1034,
    kErrDisconnected = -1040,
    kErrOtherDevice = -1041,
    kErrUnmapped = -1042,
    kErrRefused = -1043,
    kErrNoServerAnswer = -1044,
    kErrServerClosed = -1045,
    kErrServerGone = -1046,
    kErrBadAddress = -1047,
    kErrHostUnknown = -1048,
    kErrUnreachable = -1049,
    kErrHandlerExists = -1050,
    kErrNoSuchHandler = -1051,
    kErrBadHandler = -1052,
    kErrUnknownCode = -1999,
};

// Text of a Sorn code; nullptr for codes outside the table.
const char* ErrorText(int code);

} // namespace sorn
