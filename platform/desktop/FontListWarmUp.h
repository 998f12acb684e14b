#pragma once

#include <thread>

// Loads the system's font configuration and font list (fontconfig's) on a thread of its own, so
// that the loading, the largest single cost of a window's first text, runs beside the
// connection to the display instead of after it. Start it before the QApplication and wait for
// it before the first font is asked for: fontconfig then hands Qt the list it has loaded. Where
// there is no fontconfig (Windows) it does nothing.
class CFontListWarmUp
{
public:
    CFontListWarmUp();
    ~CFontListWarmUp() { Wait(); }
    CFontListWarmUp(const CFontListWarmUp&) = delete;
    CFontListWarmUp& operator=(const CFontListWarmUp&) = delete;

    // Returns once the list is loaded (at once when it was, or was never started).
    void Wait();

private:
    std::thread m_thread;
};
