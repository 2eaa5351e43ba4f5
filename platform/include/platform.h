/**
 * @file platform.h
 * Small stand-ins for the desktop-platform services through which the reader library and the
 * serial-port library deliver events to a program: thread message queues, window targets
 * with a synchronous send, event objects and wide system strings.
 *
 * One process-wide instance lives in libcorvelplatform.so, shared by every library and
 * program of the process. All exports have C linkage and never throw.
 */
#pragma once

#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

#define PLAT_API __attribute__((visibility("default")))

typedef uint32_t PLAT_THREADID; /**< thread identifier, never 0 */
typedef intptr_t PLAT_HWND;     /**< window target, 0 = none */
typedef intptr_t PLAT_HANDLE;   /**< event object, 0 = none */
typedef wchar_t* PLAT_BSTR;     /**< wide system string, length-prefixed */

/** One queued message. hwnd is 0 for a thread message. */
typedef struct PLAT_MSG {
    PLAT_HWND hwnd;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
} PLAT_MSG;

/* ---- thread message queues ---- */

/** Identifier of the calling thread; its message queue exists from this call on. */
PLAT_API PLAT_THREADID PLAT_GetCurrentThreadId(void);
/** Queues a message for the thread. Returns 1, or 0 when the thread has no queue (never asked
 *  for one, or has ended). */
PLAT_API int PLAT_PostThreadMessage(PLAT_THREADID thread, uint32_t message, uintptr_t wParam,
                                    intptr_t lParam);
/** Takes the next message of the calling thread's queue, waiting up to timeoutMs (-1 = no
 *  limit). While it waits, sends to the thread's window targets are served. Returns 1 with a
 *  message, 0 on time-out. */
PLAT_API int PLAT_GetMessage(PLAT_MSG* msg, int timeoutMs);
/** Like PLAT_GetMessage without waiting; remove = 0 leaves the message queued. */
PLAT_API int PLAT_PeekMessage(PLAT_MSG* msg, int remove);
/** Runs the window procedure of msg->hwnd on the calling thread for a posted window message.
 *  Returns its result, or 0 for null, a thread message or an unknown target. */
PLAT_API intptr_t PLAT_DispatchMessage(const PLAT_MSG* msg);

/* ---- window targets ---- */

typedef intptr_t (*PLAT_WNDPROC)(PLAT_HWND hwnd, uint32_t message, uintptr_t wParam,
                                 intptr_t lParam, void* context);
/** Schedules run(work) on the receiver's own thread (for example through a toolkit's event
 *  loop); the platform waits for it where a send must wait. */
typedef void (*PLAT_DISPATCHER)(void (*run)(void* work), void* work, void* context);

/** A window target owned by the calling thread; that thread serves it from PLAT_GetMessage
 *  and PLAT_PeekMessage (and while it waits in PLAT_SendMessage). Returns its handle, or 0
 *  (also for a null proc). Sends to it fail with 0 once the owning thread has ended. */
PLAT_API PLAT_HWND PLAT_CreateWindowTarget(PLAT_WNDPROC proc, void* context);
/** A window target whose messages, sent and posted, are run through `dispatcher` on the
 *  receiver's thread; a send waits until the dispatched work has run (a direct call when the
 *  caller is the creating thread). Work still undispatched when the target is destroyed is
 *  dropped and its senders get 0. Returns its handle, or 0 (also for a null proc). */
PLAT_API PLAT_HWND PLAT_CreateWindowTargetEx(PLAT_WNDPROC proc, void* context,
                                             PLAT_DISPATCHER dispatcher, void* dispatcherContext);
/** Returns 1, or 0 for an unknown handle. Sends and posts to it afterwards fail. */
PLAT_API int PLAT_DestroyWindowTarget(PLAT_HWND hwnd);
/** Runs the target's procedure on its owner's thread and waits for the result (a direct call
 *  when the caller is the owner). Returns 0 for an unknown target. */
PLAT_API intptr_t PLAT_SendMessage(PLAT_HWND hwnd, uint32_t message, uintptr_t wParam,
                                   intptr_t lParam);
/** Queues the message for the target's owner. Returns 1, or 0 for an unknown target. */
PLAT_API int PLAT_PostMessage(PLAT_HWND hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam);

/* ---- event objects ---- */

#define PLAT_WAIT_OBJECT_0 0u
#define PLAT_WAIT_TIMEOUT 258u
#define PLAT_WAIT_FAILED 0xFFFFFFFFu
#define PLAT_INFINITE 0xFFFFFFFFu

/** A new event object, signalled when initialState is non-zero. A manual-reset event stays
 *  signalled until PLAT_ResetEvent; an auto-reset event lets one wait through per set.
 *  Returns its handle, or 0. */
PLAT_API PLAT_HANDLE PLAT_CreateEvent(int manualReset, int initialState);
/** Signals the event. Returns 1, or 0 for an unknown handle. */
PLAT_API int PLAT_SetEvent(PLAT_HANDLE event);
/** Clears the event. Returns 1, or 0 for an unknown handle. */
PLAT_API int PLAT_ResetEvent(PLAT_HANDLE event);
/** Waits until the event is signalled, at most timeoutMs (PLAT_INFINITE: no limit).
 *  Returns PLAT_WAIT_OBJECT_0 (an auto-reset event is then cleared), PLAT_WAIT_TIMEOUT, or
 *  PLAT_WAIT_FAILED for an unknown handle. */
PLAT_API uint32_t PLAT_WaitForSingleObject(PLAT_HANDLE event, uint32_t timeoutMs);
/** Forgets the event; a wait already running keeps its object. Returns 1, or 0 for an
 *  unknown handle. */
PLAT_API int PLAT_CloseHandle(PLAT_HANDLE event);

/* ---- wide system strings ---- */

/** A new string of `length` characters copied from text (which may be null: zeros), with a
 *  NUL after them, or null when there is no memory. The receiver frees it with
 *  PLAT_SysFreeString. */
PLAT_API PLAT_BSTR PLAT_SysAllocStringLen(const wchar_t* text, uint32_t length);
/** Frees a string made by PLAT_SysAllocStringLen. Null and pointers not made there (or
 *  already freed) are ignored. */
PLAT_API void PLAT_SysFreeString(PLAT_BSTR text);
/** The length in characters given at allocation; 0 for null and for unknown pointers. */
PLAT_API uint32_t PLAT_SysStringLen(PLAT_BSTR text);

#ifdef __cplusplus
}
#endif
