#include "common/MessageHook.h"

#include <atomic>

namespace {
std::atomic<MessageHook> g_hook{nullptr};
}

MessageHook SetMessageHook(MessageHook hook) {
    return g_hook.exchange(hook);
}

void ShowHelperMessage(const char* text) {
    if (MessageHook hook = g_hook.load())
        hook(text);
}
