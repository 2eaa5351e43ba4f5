/**
 * @file sorn.h
 * Sorn, the serial-port library: ports named by number ("1" .. "256"), opened, set up and
 * used through integer handles. The port map names what each number leads to: a terminal
 * device, or a serial port behind a device server on the network, "rfc2217://host:port"
 * (Telnet with the COM Port Control Option, RFC 2217: line settings, RTS, DTR, CTS and DSR
 * travel with the data) or "tcp://host:port" (the bytes as they are; the server's own line
 * settings apply). Every export works the same on either kind.
 *
 * Every export has C linkage, takes NUL-terminated 8-bit text for keys and values, never
 * throws and returns an int: a handle (> 0), 0 for success, or a negative error code from
 * -1000 to -1999 (the SORN_ERR_ names below; texts by SORN_GetErrorText). Every export may be
 * called from several threads.
 * Calls that use one port's line are serialised; a receive waiting for bytes holds up no
 * other call, and questions about a port's settings and lines never wait for the line.
 */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SORN_API __attribute__((visibility("default")))

/** @name Error codes (texts by SORN_GetErrorText) */
/**@{*/
#define SORN_ERR_INTERNAL (-1000)          /**< unexpected failure inside the library */
#define SORN_ERR_BAD_HANDLE (-1001)        /**< no open port has this handle */
#define SORN_ERR_BAD_PORT_NUMBER (-1002)   /**< not a port number 1 .. 256 */
#define SORN_ERR_NO_DEVICE (-1003)         /**< the port number names no device */
#define SORN_ERR_ALREADY_OPEN (-1004)      /**< the port is open in this process already */
#define SORN_ERR_BUSY (-1005)              /**< another program holds the device */
#define SORN_ERR_NULL_ARGUMENT (-1006)     /**< a required pointer is null */
#define SORN_ERR_OPEN_FAILED (-1007)       /**< the device cannot be opened */
#define SORN_ERR_NOT_A_TERMINAL (-1008)    /**< the device is no serial port */
#define SORN_ERR_TOO_MANY_PORTS (-1009)    /**< no more ports can be open at once */
#define SORN_ERR_UNKNOWN_KEY (-1010)       /**< unknown port parameter */
#define SORN_ERR_READ_ONLY_KEY (-1011)     /**< read-only port parameter */
#define SORN_ERR_BAD_BAUD (-1012)          /**< baud rate not supported */
#define SORN_ERR_BAD_FRAME (-1013)         /**< frame not supported */
#define SORN_ERR_BAD_VALUE (-1014)         /**< parameter value out of range */
#define SORN_ERR_APPLY_FAILED (-1015)      /**< the device refused the setting */
#define SORN_ERR_NO_PERMISSION (-1016)     /**< the user may not open the device */
#define SORN_ERR_UNKNOWN_COMMAND (-1020)   /**< unknown port command */
#define SORN_ERR_BAD_COMMAND_VALUE (-1021) /**< bad value for the port command */
#define SORN_ERR_NO_MODEM_LINES (-1022)    /**< text only */
#define SORN_ERR_BAD_LENGTH (-1025)        /**< bad data length or buffer size */
#define SORN_ERR_NOTHING_RECEIVED (-1030)  /**< nothing received within the time-out */
#define SORN_ERR_WRITE_TIMEOUT (-1031)     /**< not sent within the time-out */
#define SORN_ERR_WRITE_FAILED (-1032)      /**< write to the device failed */
#define SORN_ERR_READ_FAILED (-1033)       /**< read from the device failed */
#define SORN_ERR_LINE_BUSY (-1034)        /**< another call held the port past its block time-out */
#define SORN_ERR_DISCONNECTED (-1040)     /**< the device went away (or is not back yet) */
#define SORN_ERR_OTHER_DEVICE (-1041)     /**< a lost device's path now leads to another device */
#define SORN_ERR_UNMAPPED (-1042)         /**< the port map no longer names a lost device */
#define SORN_ERR_REFUSED (-1043)          /**< the device server refused the connection */
#define SORN_ERR_NO_SERVER_ANSWER (-1044) /**< no answer from the device server in time */
#define SORN_ERR_SERVER_CLOSED (-1045)    /**< the device server closed the connection */
#define SORN_ERR_SERVER_GONE (-1046)      /**< the device server stopped answering */
#define SORN_ERR_BAD_ADDRESS (-1047)      /**< the port map names no valid network address */
#define SORN_ERR_HOST_UNKNOWN (-1048)     /**< host name not found */
#define SORN_ERR_UNREACHABLE (-1049)      /**< no route to the device server */
#define SORN_ERR_HANDLER_EXISTS (-1050)   /**< the event handler is registered already */
#define SORN_ERR_NO_SUCH_HANDLER (-1051)  /**< the event handler is not registered */
#define SORN_ERR_BAD_HANDLER (-1052)      /**< invalid event handler (event, mode or target) */
#define SORN_ERR_UNKNOWN_CODE (-1999)     /**< code without text */
/**@}*/

/** Line events of SORN_EVENT_HANDLER::event. */
#define SORN_EVENT_CTS 1
#define SORN_EVENT_DSR 3

/** Delivery modes of SORN_EVENT_HANDLER::mode. */
#define SORN_MODE_POST_WINDOW 2 /**< PLAT_PostMessage(target, message, port handle, state) */
#define SORN_MODE_CALLBACK 3    /**< target is a SORN_EVENT_CALLBACK, called on Sorn's thread */

/** Callback of mode 3: port handle, event (1 or 3), the record's message, new state 1/0. */
typedef void (*SORN_EVENT_CALLBACK)(int handle, int event, int message, int state);

/**
 * Event record for SORN_AddEventHandler / SORN_DelEventHandler. A record is registered once
 * per port; records are compared field by field. Line events come from one polling thread
 * (every 20 ms) and only for devices that have modem lines; a pseudo-terminal never has any.
 */
typedef struct SORN_EVENT_HANDLER {
    int event;       /**< SORN_EVENT_CTS or SORN_EVENT_DSR */
    int message;     /**< message number delivered to the target */
    int mode;        /**< SORN_MODE_POST_WINDOW or SORN_MODE_CALLBACK */
    intptr_t target; /**< window target (platform.h PLAT_HWND) or SORN_EVENT_CALLBACK */
} SORN_EVENT_HANDLER;

/**
 * Library version "MM.mm.pp". @param version out, at least 9 bytes (256 recommended).
 * @return 0, or -1006 when version is null.
 */
SORN_API int SORN_GetDLLVersion(char* version);

/**
 * Whether port `number` (1..256) is mapped to an existing serial device. Decided from the
 * file system (the device node, and for built-in UART slots the type the driver reports);
 * no device is opened. A device the user may not open is present. A network port is present
 * when its address is well-formed: nothing connects.
 * @return 0 when it exists, -1002 for a number outside 1..256, -1003 when there is no device.
 */
SORN_API int SORN_DetectPort(int number);

/**
 * The device path or network address port `name` (decimal text "1" .. "256") names now, open
 * or not.
 * @param path out, `size` bytes; a longer path is cut to size - 1 characters.
 * @return 0, -1002 (no port number), -1003 (the number names no device; path is ""),
 *         -1006 (null), -1025 (size below 1).
 */
SORN_API int SORN_GetDevicePath(const char* name, char* path, int size);

/**
 * Opens a port: raw mode, exclusive, no flow control, 9600 baud, "8E1", block time-out 800 ms,
 * character time-out 20 ms, receive time-out ("Timeout") 200 ms, RTS and DTR off.
 * @param name port number as decimal text ("1" .. "256").
 * @return the port handle (> 0; never reused in a process), or -1002 (bad number),
 *         -1003 (no device), -1004 (already open here), -1005 (in use elsewhere),
 *         -1006 (null name), -1007, -1008, -1015, -1016 (the user may not open the device);
 *         for a network port -1043 (refused), -1044 (no answer within 800 ms), -1047 (a
 *         malformed address), -1048 (unknown host name), -1049 (no route to the host).
 *
 * A network port connects within 800 ms (the block time-out a port starts with); over RFC 2217
 * it then waits up to as long again for the server to agree to the option and confirm the
 * settings. A server that refuses or ignores the option still carries the data.
 *
 * When the device goes away (a USB adapter pulled, the far end of a pseudo-terminal closed),
 * its descriptor is released and every call on the port answers -1040 (a receive after its
 * time-out, the others at once), until the port is closed or, with "Reconnect" on, the
 * device is back: its path (looked up again in the port map) is watched about once a second,
 * and the device is reopened inside the same handle with the port's settings and lines, but
 * only when the path leads to the same device as before: the same USB adapter (vendor,
 * product, serial number or socket, interface), so a /dev/serial/by-id name follows its
 * adapter; a pseudo-terminal whose master side the same program holds; any other terminal at
 * the same place in sysfs. When that cannot be told, the port stays lost; "LostReason" says
 * why. A network connection that ends (the server closes it, or stops answering for about 6 s)
 * is a device that went away; the same address is tried again about once a second, each
 * attempt within the block time-out and on a thread of the port's own, so no other port waits.
 */
SORN_API int SORN_OpenPort(const char* name);

/** Closes a port and drops its event handlers; a port whose device went away closes too.
 *  @return 0, or -1001 for an unknown handle. */
SORN_API int SORN_ClosePort(int handle);

/** Handle of the open port with this number text. @return the handle, 0 when that port is
 *  not open, -1002 for a text that is no port number, -1006 for null. */
SORN_API int SORN_GetPortHnd(const char* name);

/** Walks the open ports in opening order. @param handle 0 for the first, else the previous
 *  handle. @return the next handle, 0 at the end, -1001 when `handle` is not open. */
SORN_API int SORN_GetPortList(int handle);

/**
 * Reads a port parameter as text. Keys (case matters): "PortNr", "baud", "frame", "timeout"
 * (block time-out, ms), "chartimeout" (base character time-out, ms), "TxTimeControl",
 * "Performance", "TxDelayTime", "CharTimeoutMpy", "Timeout" (receive time-out, ms),
 * "Reconnect" ("1": reopen a lost device when it is back), "Connected" ("1", or "0" while the
 * device is lost), "Losses" (how often the device went away), "LostReason" ("0" while
 * connected, else a code for SORN_GetErrorText: -1040 waiting for the device, -1041 the path
 * now leads to another device, -1042 the port map no longer names the port's device; for a
 * network port why it went or why the last attempt to reach it failed: -1043 .. -1046, -1048,
 * -1049), "Kind" ("tty", "tcp" or "rfc2217"), "LineControl" ("1" when line settings and modem
 * lines reach the line: a terminal, or an RFC 2217 server that agreed to the option; "0" on raw
 * TCP), "LineBaud" and "LineFrame" (what the line runs at as far as Sorn knows: on a terminal
 * the values applied, over RFC 2217 those the server confirmed; "0" and "" when unknown).
 * Parameters, and the commands "GetRTS" and "GetDTR", answer also while the device is lost.
 * @param value out, at least 8 bytes. @return 0, -1001, -1006 or -1010 (unknown key).
 */
SORN_API int SORN_GetPortPara(int handle, const char* key, char* value);

/**
 * Sets a port parameter. "baud": 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200 (else
 * -1012); "frame": data bits 7|8, parity N|E|O, stop bits 1|2, e.g. "8E1" (else -1013);
 * "timeout" 1..60000; "chartimeout" 1..10000; "CharTimeoutMpy" 1..10 (the character
 * time-out in effect is chartimeout x CharTimeoutMpy); "Timeout" 0..60000 (0 waits a 20 ms
 * slice); "TxTimeControl" "0"|"1" (RS-485 direction control: the kernel's RS-485 mode, else
 * RTS raised for each write and dropped TxDelayTime ms after it, else no effect);
 * "TxDelayTime" 0..999; "Performance" "0" (asks the driver for low latency) | "1".
 * "Reconnect" "0"|"1" (default "1"). Numbers out of range give -1014. "PortNr", "Connected"
 * "Losses", "LostReason", "Kind", "LineControl", "LineBaud" and "LineFrame" are read only
 * (-1011). While the device is lost only "Reconnect" is set; the others give -1040. Over
 * RFC 2217, "baud" and "frame" wait up to the block time-out for the server's confirmation; on
 * raw TCP they are kept and reported but reach no line.
 * @return 0 or a negative code; a refused value leaves the port unchanged.
 */
SORN_API int SORN_SetPortPara(int handle, const char* key, const char* value);

/**
 * Port commands: "SetRTS"/"SetDTR" with value "ON" or "OFF"; "GetRTS"/"GetDTR" (the state
 * last set), "GetCTS"/"GetDSR" ("OFF" on devices without modem lines) write "ON" or "OFF"
 * into value (at least 4 bytes); "FlushInQ" empties the input queue (value ignored). Over
 * RFC 2217, "SetRTS" and "SetDTR" wait up to the block time-out for the server's answer, so
 * that "GetCTS" and "GetDSR" after them tell what the server reported since.
 * @return 0, -1001, -1006, -1020 (unknown command), -1021 (bad value), -1034 (another call
 *         kept the port longer than its block time-out), -1040.
 */
SORN_API int SORN_DoPortCmd(int handle, const char* command, char* value);

/**
 * One request/answer exchange: empties the input queue, writes the request, waits up to the
 * block time-out for the first answer byte, then hands over the first whole frame that
 * comes: LEN (the whole frame's length, at least 5) bytes whose last one is the XOR of the
 * others. Bytes before it that belong to no such frame (the tail of a frame that was under
 * way when the queue was emptied) are skipped. It returns as soon as the frame is complete.
 * When the line falls silent (the character time-out passes between two bytes) without a
 * whole frame, the bytes come as they are, as far as the first byte's LEN reaches (all of
 * them when it is below 2, which cannot be a LEN).
 *
 * When the request is a reader frame (its first byte is its length) and what came does not
 * answer it (the same command byte, and the same bus address unless it was 254 or 255), a
 * reader may have sent it by itself: the exchange stays open for SORN_NextAnswer until the
 * block time-out, and until then no other thread takes bytes off the port.
 * @return the number of bytes (> 0, never 0), -1030 when nothing came, -1040 when the device
 *         went away, or another negative code (-1001, -1006, -1025, -1034).
 */
SORN_API int SORN_Transceive(int handle, const unsigned char* send, int sendLength,
                             unsigned char* receive, int receiveSize);

/**
 * The next frame of the calling thread's open exchange (see SORN_Transceive), without
 * emptying the input queue, found the same way, until the exchange's block time-out. The
 * exchange ends with a frame that answers the request, with a failure, or with any other
 * call of this thread on the port.
 * @return the number of bytes (> 0), -1030 when the time-out passed or no exchange of this
 *         thread is open, -1040 when the device went away, -1001, -1006, -1025.
 */
SORN_API int SORN_NextAnswer(int handle, unsigned char* receive, int receiveSize);

/** Writes bytes. @return the number written, or a negative code. */
SORN_API int SORN_Transmit(int handle, const unsigned char* data, int length);

/**
 * Hands over what arrives: waits up to the receive time-out ("Timeout") for a first byte,
 * then reads until the character time-out or `size` bytes. While another thread's exchange
 * is open, its bytes are left to it. On a port whose device is lost it waits the time-out
 * too (a device back within it is read), so a receive loop never spins.
 * @return bytes received (> 0), -1030 when nothing came, -1040 when the device is lost, or
 *         another negative code.
 */
SORN_API int SORN_Receive(int handle, unsigned char* buffer, int size);

/** Text of a code. @param text out, 128 bytes. @return 0; -1999 (with "unknown error code")
 *  for a code without a text; -1006 for null. */
SORN_API int SORN_GetErrorText(int code, char* text);

/** Registers a line-event record on a port. @return 0, -1001, -1006, -1050 (registered
 *  already), -1052 (event not 1 or 3, mode not 2 or 3, or no target). */
SORN_API int SORN_AddEventHandler(int handle, const SORN_EVENT_HANDLER* handler);

/** Removes a record registered with the same four fields. @return 0, -1001, -1006, -1051. */
SORN_API int SORN_DelEventHandler(int handle, const SORN_EVENT_HANDLER* handler);

#ifdef __cplusplus
}
#endif
