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
    if (!XkbQueryExtension(m_display, &opcode, &eventBase, &errorBase, &major, &minor))
        return;
    m_eventBase = eventBase;
    // Names the server does not know yet name no indicator: they stay None.
    std::array<char*, LockCount> names{};
    for (std::size_t i = 0; i < LockCount; ++i)
        names[i] = const_cast<char*>(kIndicatorNames[i]); // Xlib only reads them
    std::array<Atom, LockCount> atoms{};
    XInternAtoms(m_display, names.data(), LockCount, True, atoms.data());
    for (std::size_t i = 0; i < LockCount; ++i)
        m_names[i] = atoms[i];
}

std::array<bool, CX11KeyLocks::LockCount> CX11KeyLocks::Read() const
{
    std::array<bool, LockCount> on{};
    if (!IsAvailable())
        return on;
    for (std::size_t i = 0; i < LockCount; ++i) {
        // By name each time: a new keyboard map may put an indicator elsewhere.
        Bool state = False;
        if (m_names[i] != None &&
            XkbGetNamedIndicator(m_display, m_names[i], nullptr, &state, nullptr, nullptr))
            on[i] = state != False;
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
