#include "X11KeyLocks.h"

#include <X11/XKBlib.h>

namespace {

// ORDER CX11KeyLocks::Lock
constexpr const char* kIndicatorNames[CX11KeyLocks::LockCount] = {"Kana", "Caps Lock", "Num Lock",
                                                                  "Scroll Lock"};

} // namespace

CX11KeyLocks::CX11KeyLocks(_XDisplay* display) : m_display(display)
{
    if (!m_display)
        return;
    int opcode = 0, eventBase = 0, errorBase = 0;
    int major = XkbMajorVersion, minor = XkbMinorVersion;
    if (XkbQueryExtension(m_display, &opcode, &eventBase, &errorBase, &major, &minor))
        m_eventBase = eventBase;
}

std::array<bool, CX11KeyLocks::LockCount> CX11KeyLocks::Read() const
{
    std::array<bool, LockCount> on{};
    if (!IsAvailable())
        return on;
    for (int i = 0; i < LockCount; ++i) {
        // Looked up by name each time: a new keyboard map may put an indicator elsewhere.
        const Atom name = XInternAtom(m_display, kIndicatorNames[i], True);
        Bool state = False;
        if (name != None &&
            XkbGetNamedIndicator(m_display, name, nullptr, &state, nullptr, nullptr))
            on[static_cast<std::size_t>(i)] = state != False;
    }
    return on;
}

void CX11KeyLocks::WatchChanges() const
{
    if (!IsAvailable())
        return;
    XkbSelectEvents(m_display, XkbUseCoreKbd, XkbIndicatorStateNotifyMask,
                    XkbIndicatorStateNotifyMask);
    XFlush(m_display);
}

bool CX11KeyLocks::IsIndicatorChange(std::uint8_t responseType, std::uint8_t xkbType) const
{
    // The top bit of the type marks an event sent by another client.
    return IsAvailable() && (responseType & 0x7F) == m_eventBase &&
           xkbType == XkbIndicatorStateNotify;
}
