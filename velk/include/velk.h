/**
 * @file velk.h
 * Velk, the reader protocol library: reader objects on a serial bus, the request and answer
 * frames, one export per reader command, status and error texts, raw transport, protocol
 * callbacks and event handlers.
 *
 * Conventions shared by every export:
 * - C linkage, never throws, returns an int unless noted.
 * - `handle` is a reader handle from VELK_NewReader (1, 2, 3, ... never reused while the
 *   library is loaded); `busAddress` is the reader's address on the bus (low 8 bits sent).
 * - Argument checks run in this order and the first failure ends the call: a null pointer
 *   that the export needs gives -2002; handle < 0 gives -2022, handle 0 gives -2021, no
 *   reader at all gives -2001; a handle not in the list gives -2023. These failures are
 *   stored as the library last error (VELK_GetLastError with handle 0); passing them sets
 *   it to 0. The reader's own failures go to the reader's last error.
 * - Result codes: negative = error (-2000..-2099 Velk's own, -1000..-1999 passed through from
 *   the serial-port library, 0 from the serial-port library when nothing usable arrived);
 *   a reader command's result >= 0 is the reader's status byte (0x00 = OK).
 * - Buffers belong to the caller and are sized as each export says. A text handed to a
 *   callback belongs to Velk and is valid only during the call.
 * - hexFlag != 0: byte strings are exchanged as hex text (two characters per byte, either
 *   case on input, upper case and a NUL on output); 0: raw bytes (outputs get a NUL after).
 * - Threads: every export may be called from any thread, also from a callback or an event
 *   handler, on the caller's thread or on a scan thread. A scan-data handler may even delete
 *   its own reader (VELK_DeleteReader) or remove itself (VELK_DelEventHandler): the scan
 *   thread is told to stop and ends when the handler returns; hand-overs of that reader stay
 *   locked as after a stop that timed out.
 * - Unloading the library stops the scan threads of the readers still registered. It waits
 *   about a second for each beyond the stop; a thread stuck in a hand-over (a method-2 send to
 *   a window of the unloading thread, say) is then left running, detached.
 */
#pragma once

#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VELK_API __attribute__((visibility("default")))

/** @name Library error codes (texts by VELK_GetErrorText) */
/**@{*/
#define VELK_ERR_NEW_READER (-2000)         /**< reader object cannot be created */
#define VELK_ERR_EMPTY_LIST (-2001)         /**< no reader exists */
#define VELK_ERR_NULL_POINTER (-2002)       /**< a required pointer is null */
#define VELK_ERR_NO_MEMORY (-2003)          /**< event handler cannot be registered */
#define VELK_ERR_OLD_SORN (-2007)           /**< serial-port library older than 02.xx */
#define VELK_ERR_UNKNOWN_HANDLE (-2020)     /**< text only */
#define VELK_ERR_HANDLE_ZERO (-2021)        /**< reader handle 0 */
#define VELK_ERR_HANDLE_NEGATIVE (-2022)    /**< reader handle < 0 */
#define VELK_ERR_HANDLE_NOT_FOUND (-2023)   /**< reader handle not in the list */
#define VELK_ERR_PORT_NEGATIVE (-2024)      /**< negative port handle */
#define VELK_ERR_LENGTH (-2030)             /**< answer frame length error */
#define VELK_ERR_CHECKSUM (-2031)           /**< answer checksum error */
#define VELK_ERR_UNKNOWN_STATUS (-2033)     /**< status byte without text */
#define VELK_ERR_COMMAND_BYTE (-2035)       /**< answer for another command */
#define VELK_ERR_BUS_ADDRESS (-2037)        /**< answer from another bus address */
#define VELK_ERR_UNKNOWN_PARAMETER (-2050)  /**< unknown key or event handler */
#define VELK_ERR_OUT_OF_RANGE (-2051)       /**< key, value, data length or argument range */
#define VELK_ERR_ODD_PARAMETER (-2052)      /**< text only */
#define VELK_ERR_UNKNOWN_ERROR_CODE (-2053) /**< code without text */
/**@}*/

/** Protocol callback: a log line or a hex request text and its code. The text belongs to
 *  Velk and is valid only during the call. */
typedef void (*VELK_PROT_CALLBACK)(const char* text, int code);

/**
 * Event handler record for VELK_AddEventHandler / VELK_DelEventHandler (Velk keeps a copy).
 * - event: 1 = send, receive and error lines; 2 = send and error lines; 3 = receive and error
 *   lines; 4 = data received by the scan thread (starts it); 102 = hex request texts when no
 *   send-protocol callback is set. Other values are stored but never delivered.
 * - message: message number for methods 1 and 2; 0 means 1029.
 * - method: 1 = post a thread message (message, wParam = text pointer, lParam = code) to the
 *   platform thread identifier in target; 2 = send the window message to the platform window
 *   target and wait; 3 = call target as VELK_EVENT_FUNCTION; 4 = set the platform event object
 *   target; 5 = call target as VELK_EVENT_WFUNCTION with a new platform system string that the
 *   receiver frees with PLAT_SysFreeString.
 * - Method 1's text pointer is not a copy: it points into the reader's own record, which the
 *   receiving thread reads later. A send, receive or error line or a hex request text is
 *   overwritten by the reader's next exchange (on any thread), scan data by the scan thread's
 *   next receive, and no record outlives its reader (VELK_DeleteReader, library unload). The
 *   text is therefore only reliable while the application keeps that reader idle; copy it at
 *   once, or use method 2, 3 or 5, which deliver while the text is valid.
 * - target: thread identifier, window target, function or event object (platform.h).
 */
typedef struct VELK_EVENT_HANDLER {
    int event;
    int message;
    int method;
    intptr_t target;
} VELK_EVENT_HANDLER;

/** Method 3 target: the text (valid only during the call) and its code. */
typedef void (*VELK_EVENT_FUNCTION)(const char* text, int code);
/** Method 5 target: a system string owned by the receiver, its length and the code. */
typedef void (*VELK_EVENT_WFUNCTION)(wchar_t* text, int length, int code);

/* ------------------------------------------------------------------------------------------ */
/** @name Registry, parameters, last error and protocols */
/**@{*/

/** Creates a reader object for an open port of the serial-port library.
 *  @return the new handle (> 0); -2007 when the serial-port library is older than 02.xx (no
 *  handle used up); -2024 for a negative port handle (its handle number is used up); -2000. */
VELK_API int VELK_NewReader(int portHandle);

/** Destroys a reader, stopping its scan thread and dropping its event handlers.
 *  @return 0, -2022, -2021, -2001, -2023. */
VELK_API int VELK_DeleteReader(int handle);

/** Walks the readers in creation order: 0 gives the first, a handle gives the one after it.
 *  @return the next handle, 0 after the last, -2001 (empty list, from 0), -2023, -2022. */
VELK_API int VELK_GetReaderList(int handle);

/** Reads a reader parameter by key (case-insensitive): "PORTHND", "LOGPROT", "SENDPROTTOAPP",
 *  "REPCNT", "CHKRECBUSADR", "CONVHEXTOSTRING", "SENDSTR", "RECSTR", "ERRCODE", "ERRSTR", and
 *  "ISPROTTOAPPLOCKED" (all readers, handle ignored, value not written).
 *  @param value caller's buffer (1024 bytes hold every value), not null.
 *  @return 0; for "ISPROTTOAPPLOCKED" 1 when no reader is handing a protocol to the
 *  application, else 0; -2002, -2051 (key of 128 characters or more), the handle check codes,
 *  -2050 (unknown key), -2053 ("ERRSTR" of a code without text). */
VELK_API int VELK_GetReaderPara(int handle, const char* key, char* value);

/** Sets a reader parameter by key: "PORTHND" (>= 0, runs the serial-port library version
 *  check), "LOGPROT", "SENDPROTTOAPP", "CHKRECBUSADR", "CONVHEXTOSTRING" ("1" = on, anything
 *  else off), "REPCNT" (0..99), and for all readers "LOCKPROTTOAPP" / "UNLOCKPROTTOAPP".
 *  @return 0, -2002, -2051, the handle check codes, -2050 (unknown or read-only key), -2007. */
VELK_API int VELK_SetReaderPara(int handle, const char* key, const char* value);

/** version := "02.03.00" (buffer of at least 9 bytes; null stores -2002 as library error). */
VELK_API void VELK_GetDLLVersion(char* version);

/** Handle 0: the library last error and its text (result of VELK_GetErrorText). Another
 *  handle: the reader's last error and its text.
 *  @param errorCode,errorText out, not null; errorText holds 128 bytes.
 *  @return 0, -2053 (code without text; the fallback text is written), -2002, handle codes. */
VELK_API int VELK_GetLastError(int handle, int* errorCode, char* errorText);

/** statusText := text of the reader's last status byte (128 bytes); the text lookup's result
 *  becomes the reader's last error. @return the last status byte 0..255, or a check code. */
VELK_API int VELK_GetLastState(int handle, char* statusText);

/** The last request frame: hexFlag != 0 gives hex text with a NUL (2n+1 bytes), 0 the n raw
 *  bytes without terminator; n = 0 gives an empty text. @return n, or a check code. */
VELK_API int VELK_GetLastSendProt(int handle, char* prot, int hexFlag);

/** The last answer frame, as VELK_GetLastSendProt. @return n, or a check code. */
VELK_API int VELK_GetLastRecProt(int handle, char* prot, int hexFlag);
/**@}*/

/* ------------------------------------------------------------------------------------------ */
/** @name Frame */
/**@{*/

/** frame := LEN, busAddress, command, dataLength data bytes, XOR checksum, then a NUL (frame
 *  holds dataLength + 5 bytes). @return dataLength + 4; -2002; handle codes; -2051 when
 *  dataLength is above 251 or negative (reader's last error, nothing written). */
VELK_API int VELK_BuildProtocol(int handle, int busAddress, int command, const char* data,
                                int dataLength, unsigned char* frame);

/** Checks an answer frame of frameLength bytes and splits it; data receives the m data bytes
 *  and a NUL (m + 1 bytes). @return the status byte; -2002; handle codes; -2030 (LEN below 5
 *  or not the byte count), -2031 (checksum), both also the reader's last error. */
VELK_API int VELK_SplitProtocol(int handle, const unsigned char* frame, int frameLength,
                                unsigned char* busAddress, unsigned char* command, char* data,
                                unsigned char* dataLength);
/**@}*/

/* ------------------------------------------------------------------------------------------ */
/** @name Reader commands
 * Each runs one exchange (VELK_0x11_GetSerNr repeats on status 0x01 up to "REPCNT" times).
 * Pointer arguments must be non-null (-2002). 16-bit values must lie in 0..65535 (-2051 after
 * the handle checks, nothing sent). Outputs marked "status 0" are written only when the
 * reader answers status 0x00 with data; the select commands write theirs whenever the answer
 * carries data. Commands marked EE write the reader's EEPROM and are paced 50 ms apart within
 * one calendar second. Returns: the status byte, or a negative code (see the file comment).
 */
/**@{*/
/** type := data[0], serialNumber := 5 bytes (11 bytes hex text or 5 raw + NUL). */
VELK_API int VELK_0x11_GetSerNr(int handle, int busAddress, unsigned char* transponderType,
                                char* serialNumber, int hexFlag);
/** Writes an identifier of bitCount bits (0..96; unused low bits of the last byte cleared). */
VELK_API int VELK_0x12_WriteIDNr(int handle, int busAddress, int bitCount, const char* idNumber,
                                 int hexFlag);
/** Status 0: idNumber := all data, idLength := its length in characters (hex) or bytes. */
VELK_API int VELK_0x13_ReadIDNr(int handle, int busAddress, unsigned char* idLength, char* idNumber,
                                int hexFlag);
/** Writes count public data bytes at address (count 0..250). */
VELK_API int VELK_0x14_WritePData(int handle, int busAddress, int address, const char* data,
                                  int count, int hexFlag);
/** Status 0: data := all answer data. */
VELK_API int VELK_0x15_ReadPData(int handle, int busAddress, int address, int count, char* data,
                                 int hexFlag);
/** Writes 4 configuration data bytes at address. */
VELK_API int VELK_0x16_WriteCData(int handle, int busAddress, int address, const char* data,
                                  int hexFlag);
/** Status 0: first := data[0], data := data[1..4]. */
VELK_API int VELK_0x17_ReadCData(int handle, int busAddress, int address, unsigned char* first,
                                 char* data, int hexFlag);
/** Writes count secret data bytes at address (count 0..250). */
VELK_API int VELK_0x18_WriteSData(int handle, int busAddress, int address, const char* data,
                                  int count, int hexFlag);
/** Status 0: data := all answer data. */
VELK_API int VELK_0x19_ReadSData(int handle, int busAddress, int address, int count, char* data,
                                 int hexFlag);
VELK_API int VELK_0x1A_Halt(int handle, int busAddress);
/** Selects a TTC transponder; outputs as VELK_0x11_GetSerNr. */
VELK_API int VELK_0x1B_TTCSelect(int handle, int busAddress, unsigned char* transponderType,
                                 char* serialNumber, int hexFlag);
/** Selects with a 4-byte password; outputs as VELK_0x11_GetSerNr. */
VELK_API int VELK_0x1C_PWSelect(int handle, int busAddress, const char* password,
                                unsigned char* transponderType, char* serialNumber, int hexFlag);
VELK_API int VELK_0x1D_WriteAPW(int handle, int busAddress);
/** EE */
VELK_API int VELK_0x40_WriteEEAAMode(int handle, int busAddress, int value);
/** EE */
VELK_API int VELK_0x41_WriteEEAANum(int handle, int busAddress, int value);
/** EE, 16-bit value */
VELK_API int VELK_0x42_WriteEEAATf(int handle, int busAddress, int value);
/** EE */
VELK_API int VELK_0x43_WriteEEAADB(int handle, int busAddress, int value1, int value2);
/** EE */
VELK_API int VELK_0x50_WriteEEAAPort(int handle, int busAddress, int value);
/** EE */
VELK_API int VELK_0x51_WriteEEPortBaud(int handle, int busAddress, int value);
VELK_API int VELK_0x52_GetBaud(int handle, int busAddress);
/** EE */
VELK_API int VELK_0x53_WriteEEPortAdr(int handle, int busAddress, int value);
/** EE */
VELK_API int VELK_0x54_WriteEEPortDT(int handle, int busAddress, int value);
/** EE, 16-bit value */
VELK_API int VELK_0x60_WriteEEAATs(int handle, int busAddress, int value);
/** Status 0: data := all answer data, raw, and a NUL. */
VELK_API int VELK_0x62_ReadEEBlock(int handle, int busAddress, int block, char* data);
VELK_API int VELK_0x63_CPUReset(int handle, int busAddress);
VELK_API int VELK_0x64_ConfReset(int handle, int busAddress);
/** Status 0: hex: the first 5 data bytes (10 characters and a NUL); raw: all data and a NUL. */
VELK_API int VELK_0x65_SoftVersion(int handle, int busAddress, char* version, int hexFlag);
/** EE, 16-bit value */
VELK_API int VELK_0x66_WriteEEPSTsa(int handle, int busAddress, int value);
/** EE */
VELK_API int VELK_0x67_WriteEEPSMode(int handle, int busAddress, int value);
VELK_API int VELK_0x68_SelectAntenna(int handle, int busAddress, int value);
VELK_API int VELK_0x69_RFReset(int handle, int busAddress);
/** EE */
VELK_API int VELK_0x6B_WriteEEKalKRD(int handle, int busAddress, int value);
/** EE */
VELK_API int VELK_0x70_WriteEEOut(int handle, int busAddress, int value1, int value2, int value3,
                                  int value4);
/** Four 16-bit outputs. */
VELK_API int VELK_0x71_SetOutKRB(int handle, int busAddress, int output1, int output2, int output3,
                                 int output4);
/** Five 16-bit outputs. */
VELK_API int VELK_0x71_SetOutKRD(int handle, int busAddress, int output1, int output2, int output3,
                                 int output4, int output5);
/** EE */
VELK_API int VELK_0x72_WriteEEInp(int handle, int busAddress, int value1, int value2);
/** EE, two 16-bit values */
VELK_API int VELK_0x73_WriteEEQA(int handle, int busAddress, int value1, int value2);
/** Status 0: inputs := data[0]. */
VELK_API int VELK_0x74_ReadInp(int handle, int busAddress, unsigned char* inputs);
/** EE */
VELK_API int VELK_0x75_WriteEEASR(int handle, int busAddress, int value);
/** Four 16-bit outputs. */
VELK_API int VELK_0x77_SetOutAndQuitKRB(int handle, int busAddress, int output1, int output2,
                                        int output3, int output4);
/** EE */
VELK_API int VELK_0x80_WriteEETagDrv(int handle, int busAddress, int value1, int value2);
/** Writes length raw bytes (0..16; else -2051 before the handle checks) to an EEPROM block. */
VELK_API int VELK_0x82_WriteEEBlock(int handle, int busAddress, int block, const char* data,
                                    int length);
/** Reader login with a 4-byte password. */
VELK_API int VELK_0xA0_RdLogin(int handle, int busAddress, const char* password, int hexFlag);
/** EE */
VELK_API int VELK_0xA1_WriteEELockRd(int handle, int busAddress, int value);
VELK_API int VELK_0xA2_ChangeRdPw(int handle, int busAddress, const char* oldPassword,
                                  const char* newPassword, int hexFlag);
VELK_API int VELK_0xA3_OldPWTTB(int handle, int busAddress, const char* password1,
                                const char* password2, const char* password3, const char* password4,
                                const char* password5, const char* password6, const char* password7,
                                const char* password8, const char* password9, int hexFlag);
VELK_API int VELK_0xA4_NewPWTTB(int handle, int busAddress, const char* password1,
                                const char* password2, const char* password3, const char* password4,
                                const char* password5, const char* password6, const char* password7,
                                const char* password8, const char* password9, int hexFlag);
VELK_API int VELK_0xA3_OldPWTTC(int handle, int busAddress, const char* password, int hexFlag);
VELK_API int VELK_0xA4_NewPWTTC(int handle, int busAddress, const char* password, int hexFlag);
/** EE */
VELK_API int VELK_0xA5_WriteEETTB(int handle, int busAddress, int value);
/** EE */
VELK_API int VELK_0xA5_WriteEETTC(int handle, int busAddress, int value);
/** EE */
VELK_API int VELK_0xA5_WriteEETTD(int handle, int busAddress, int value);
/** EE */
VELK_API int VELK_0xA6_WriteEEAPW(int handle, int busAddress, int value);
VELK_API int VELK_0xAA_ProcCryptCard(int handle, int busAddress, int value);
/**@}*/

/* ------------------------------------------------------------------------------------------ */
/** @name Texts */
/**@{*/
/** text (128 bytes) := the text of a library error code, or "VELK: Unknown Errorcode (%d)".
 *  @return 0, -2053 (fallback written), -2002. Sets the library last error. */
VELK_API int VELK_GetErrorText(int errorCode, char* text);
/** text (128 bytes) := the text of a status byte (low 8 bits), or
 *  "VELK: Unknown Status Byte (0x%02X)". @return 0, -2033 (fallback written), -2002. */
VELK_API int VELK_GetStatusText(int statusByte, char* text);
/**@}*/

/* ------------------------------------------------------------------------------------------ */
/** @name Transparent transport, callbacks and event handlers */
/**@{*/

/** Sends raw bytes and receives one answer, unchecked. With addChecksum 1 the XOR of the
 *  length bytes is written to request[length] and sent too (the buffer must hold it).
 *  @return the serial-port library's result (answer byte count, 0, or -1xxx); -2002; handle
 *  codes; -2051 for a negative length. The reader's last error becomes 0. */
VELK_API int VELK_SendTransparent(int handle, unsigned char* request, int length,
                                  unsigned char* answer, int answerSize, int addChecksum);

/** Sends raw bytes without waiting for an answer (checksum as VELK_SendTransparent).
 *  @return the serial-port library's result; -2002; handle codes; -2051 (negative length). */
VELK_API int VELK_Transmit(int handle, unsigned char* data, int length, int addChecksum);

/** Receives what the port has within its time-out.
 *  @return the byte count, 0, or the serial-port library's code; -2002; handle codes. */
VELK_API int VELK_Receive(int handle, unsigned char* buffer, int size);

/** key "SENDPROTTOAPP" (case-insensitive): sets the callback that receives every hex request
 *  text while the reader's "SENDPROTTOAPP" is on (null clears it); other keys are ignored.
 *  A null key stores -2002 as the library last error. */
VELK_API void VELK_SetCbPtr(const char* key, VELK_PROT_CALLBACK callback);

/** Sets the callback that receives every send, receive and error line of every reader while
 *  its "LOGPROT" is on (null clears it). */
VELK_API void VELK_SetCbPtr_ProtStr(VELK_PROT_CALLBACK callback);

/** Registers a copy of handler with the reader; the same method, event and target twice is
 *  registered once. Event 4 starts the reader's scan thread.
 *  @return 0; -2002; handle codes; -2050 (method not 1..5); -2003 (scan thread already runs
 *  or cannot start). */
VELK_API int VELK_AddEventHandler(int handle, const VELK_EVENT_HANDLER* handler);

/** Removes the first handler with the same method, event and target; removing an event-4
 *  handler stops the scan thread (within about 1 s; if it does not end, hand-overs stay
 *  locked until "UNLOCKPROTTOAPP"). @return 0; -2002; handle codes; -2050 (not registered). */
VELK_API int VELK_DelEventHandler(int handle, const VELK_EVENT_HANDLER* handler);
/**@}*/

#ifdef __cplusplus
}
#endif
