/**
 * @file sorn.h
 * Sorn, the serial-port library: ports named by number ("1" .. "256"), opened, set up and
 * used through integer handles.
 *
 * Every export has C linkage, takes NUL-terminated 8-bit text for keys and values, never
 * throws and returns an int: a handle (> 0), 0 for success, or a negative error code from
 * -1000 to -1999 (see SORN_GetErrorText). Every export may be called from several threads;
 * calls on one port are serialised.
 */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SORN_API __attribute__((visibility("default")))

/** Nothing was received within the time-out. */
#define SORN_ERR_NOTHING_RECEIVED (-1030)

/** Event record for SORN_AddEventHandler / SORN_DelEventHandler. */
typedef struct SORN_EVENT_HANDLER {
    int event;       /**< 1 = CTS changed, 3 = DSR changed */
    int message;     /**< message number delivered to the target */
    int mode;        /**< 2 = post `message` to the window target, new line state (1/0) as lParam */
    intptr_t target; /**< window target handle of the platform library (platform.h) */
} SORN_EVENT_HANDLER;

SORN_API int SORN_GetDLLVersion(char* version);
SORN_API int SORN_DetectPort(int number);
SORN_API int SORN_OpenPort(const char* name);
SORN_API int SORN_ClosePort(int handle);
SORN_API int SORN_GetPortHnd(const char* name);
SORN_API int SORN_GetPortList(int handle);
SORN_API int SORN_GetPortPara(int handle, const char* key, char* value);
SORN_API int SORN_SetPortPara(int handle, const char* key, const char* value);
SORN_API int SORN_DoPortCmd(int handle, const char* command, char* value);
SORN_API int SORN_Transceive(int handle, const unsigned char* send, int sendLength,
                             unsigned char* receive, int receiveSize);
SORN_API int SORN_Transmit(int handle, const unsigned char* data, int length);
SORN_API int SORN_Receive(int handle, unsigned char* buffer, int size);
SORN_API int SORN_GetErrorText(int code, char* text);
SORN_API int SORN_AddEventHandler(int handle, const SORN_EVENT_HANDLER* handler);
SORN_API int SORN_DelEventHandler(int handle, const SORN_EVENT_HANDLER* handler);

#ifdef __cplusplus
}
#endif
