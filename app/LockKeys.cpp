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
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 != nullptr ? x11->display() : nullptr;
}

// The indicator's atom is looked up once per name; None when the server has no such indicator.
std::optional<bool> namedIndicator(Display* display, const char* name, Atom& cachedAtom)
{
    if (cachedAtom == None)
        cachedAtom = XInternAtom(display, name, True);
    const Atom atom = cachedAtom;
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
        static Atom capsAtom = None;
        static Atom numAtom = None;
        state.capsLock = namedIndicator(display, "Caps Lock", capsAtom);
        state.numLock = namedIndicator(display, "Num Lock", numAtom);
    }
#endif
    return state;
}

}  // namespace quillory
