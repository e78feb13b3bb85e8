#include "app/LockKeys.h"

#include <QGuiApplication>

#if defined(QUILLORY_HAVE_X11)
#include <X11/XKBlib.h>
#endif

namespace quillory {

namespace {

#if defined(QUILLORY_HAVE_X11)
Display* x11Display()
{
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    return x11 != nullptr ? x11->display() : nullptr;
}

std::optional<bool> namedIndicator(Display* display, const char* name)
{
    const Atom atom = XInternAtom(display, name, True);
    if (atom == None)
        return std::nullopt;
    Bool on = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
        return std::nullopt;
    return on != False;
}
#endif

}  // namespace

LockKeyState queryLockKeys()
{
    LockKeyState state;
#if defined(QUILLORY_HAVE_X11)
    if (Display* display = x11Display()) {
        state.capsLock = namedIndicator(display, "Caps Lock");
        state.numLock = namedIndicator(display, "Num Lock");
    }
#endif
    return state;
}

}  // namespace quillory
