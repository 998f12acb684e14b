#include "FontListWarmUp.h"

#ifdef BRUNOVELT_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

#include <system_error>

CFontListWarmUp::CFontListWarmUp()
{
#ifdef BRUNOVELT_FONTCONFIG
    try {
        // FcInit loads the configuration and the cached font list once for the process; Qt's
        // own FcInit later finds it done.
        m_thread = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread to be had: Qt loads the list itself when it needs it.
    }
#endif
}

void CFontListWarmUp::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
