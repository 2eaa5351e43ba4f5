#include "WkKeyboardLocks.h"

#include <QGuiApplication>

#ifdef CORVEL_HAVE_XKB
#include <X11/XKBlib.h>
#endif

namespace {

#ifdef CORVEL_HAVE_XKB
// The light called `name` of the core keyboard; false when the display has none.
bool ReadLight(Display* display, const char* name, bool& on) {
    int index = 0;
    Bool state = False;
    const Atom atom = XInternAtom(display, name, True);
    if (atom == 0 || !XkbGetNamedIndicator(display, atom, &index, &state, nullptr, nullptr)) {
        return false;
    }
    on = state != False;
    return true;
}
#endif

} // namespace

WkKeyboardLocks::WkKeyboardLocks() {
    Refresh();
}

void WkKeyboardLocks::KeyPressed(int key) {
    if (fromSystem_) {
        return;
    }
    if (key == Qt::Key_NumLock) {
        numLock_ = !numLock_;
    } else if (key == Qt::Key_ScrollLock) {
        scrollLock_ = !scrollLock_;
    }
}

void WkKeyboardLocks::Refresh() {
#ifdef CORVEL_HAVE_XKB
    if (auto* x11 = qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>()
                                    : nullptr) {
        if (Display* display = x11->display()) {
            fromSystem_ = ReadLight(display, "Num Lock", numLock_) &&
                          ReadLight(display, "Scroll Lock", scrollLock_);
        }
    }
#endif
}
