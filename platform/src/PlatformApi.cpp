// The C exports. Each one catches everything: nothing is thrown across the library boundary.

#include "platform.h"

#include "PlatformState.h"

namespace {

PlatformState& State() {
    return PlatformState::Instance();
}

} // namespace

extern "C" {

PLAT_THREADID PLAT_GetCurrentThreadId(void) {
    try {
        return State().CurrentQueue()->Id();
    } catch (...) {
        return 0;
    }
}

int PLAT_PostThreadMessage(PLAT_THREADID thread, uint32_t message, uintptr_t wParam,
                           intptr_t lParam) {
    try {
        auto queue = State().FindQueue(thread);
        return queue && queue->Post(PLAT_MSG{0, message, wParam, lParam}) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int PLAT_GetMessage(PLAT_MSG* msg, int timeoutMs) {
    if (msg == nullptr)
        return 0;
    try {
        return State().CurrentQueue()->Get(msg, timeoutMs) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int PLAT_PeekMessage(PLAT_MSG* msg, int remove) {
    if (msg == nullptr)
        return 0;
    try {
        return State().CurrentQueue()->Peek(msg, remove != 0) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

intptr_t PLAT_DispatchMessage(const PLAT_MSG* msg) {
    if (msg == nullptr || msg->hwnd == 0)
        return 0;
    try {
        auto window = State().FindWindow(msg->hwnd);
        return window ? window->Call(msg->message, msg->wParam, msg->lParam) : 0;
    } catch (...) {
        return 0;
    }
}

PLAT_HWND PLAT_CreateWindowTarget(PLAT_WNDPROC proc, void* context) {
    if (proc == nullptr)
        return 0;
    try {
        return State().AddWindow(proc, context, nullptr, nullptr);
    } catch (...) {
        return 0;
    }
}

PLAT_HWND PLAT_CreateWindowTargetEx(PLAT_WNDPROC proc, void* context, PLAT_DISPATCHER dispatcher,
                                    void* dispatcherContext) {
    if (proc == nullptr)
        return 0;
    try {
        return State().AddWindow(proc, context, dispatcher, dispatcherContext);
    } catch (...) {
        return 0;
    }
}

int PLAT_DestroyWindowTarget(PLAT_HWND hwnd) {
    try {
        return State().RemoveWindow(hwnd) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

intptr_t PLAT_SendMessage(PLAT_HWND hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    try {
        return State().Send(hwnd, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

int PLAT_PostMessage(PLAT_HWND hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    try {
        return State().Post(hwnd, message, wParam, lParam) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

PLAT_HANDLE PLAT_CreateEvent(int manualReset, int initialState) {
    try {
        return State().AddEvent(manualReset != 0, initialState != 0);
    } catch (...) {
        return 0;
    }
}

int PLAT_SetEvent(PLAT_HANDLE event) {
    try {
        auto object = State().FindEvent(event);
        if (!object)
            return 0;
        object->Set();
        return 1;
    } catch (...) {
        return 0;
    }
}

int PLAT_ResetEvent(PLAT_HANDLE event) {
    try {
        auto object = State().FindEvent(event);
        if (!object)
            return 0;
        object->Reset();
        return 1;
    } catch (...) {
        return 0;
    }
}

uint32_t PLAT_WaitForSingleObject(PLAT_HANDLE event, uint32_t timeoutMs) {
    try {
        auto object = State().FindEvent(event);
        return object ? object->Wait(timeoutMs) : PLAT_WAIT_FAILED;
    } catch (...) {
        return PLAT_WAIT_FAILED;
    }
}

int PLAT_CloseHandle(PLAT_HANDLE event) {
    try {
        return State().RemoveEvent(event) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

PLAT_BSTR PLAT_SysAllocStringLen(const wchar_t* text, uint32_t length) {
    try {
        return State().Strings().Allocate(text, length);
    } catch (...) {
        return nullptr;
    }
}

void PLAT_SysFreeString(PLAT_BSTR text) {
    try {
        State().Strings().Free(text);
    } catch (...) {
    }
}

uint32_t PLAT_SysStringLen(PLAT_BSTR text) {
    try {
        return State().Strings().Length(text);
    } catch (...) {
        return 0;
    }
}

} // extern "C"
