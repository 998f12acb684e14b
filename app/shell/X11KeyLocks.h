#pragma once

#include <array>
#include <cstdint>

struct _XDisplay;

// The keyboard's lock indicators as an X server keeps them, read through XKB: the "Kana",
// "Caps Lock", "Num Lock" and "Scroll Lock" indicators of the core keyboard. The server answers
// for its keyboard wherever the program runs (a remote display, a container), where the LEDs
// under /sys tell nothing.
class CX11KeyLocks
{
public:
    enum Lock { Kana, Caps, Num, Scroll, LockCount };

    // Over `display`, which stays the caller's; nullptr or a server without XKB: none answers.
    explicit CX11KeyLocks(_XDisplay* display);

    // Whether the server answers; when it does not, the locks are to be read elsewhere.
    bool IsAvailable() const { return m_eventBase >= 0; }
    // The state of each lock's indicator; off for one the keyboard's map does not name. Asks the
    // server four times: for a remote display, something to do on a change, not on every key.
    std::array<bool, LockCount> Read() const;

    // Asks the server to report every change of an indicator to this connection.
    void WatchChanges() const;
    // Whether `responseType` and `xkbType` (the first two bytes of an X event) make such a report.
    bool IsIndicatorChange(std::uint8_t responseType, std::uint8_t xkbType) const;

private:
    _XDisplay* m_display;
    int m_eventBase = -1;                           // of the XKB events; -1 without XKB
    std::array<unsigned long, LockCount> m_names{}; // the indicators' name atoms; 0: none
};
