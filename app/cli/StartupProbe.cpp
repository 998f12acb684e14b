#include "StartupProbe.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string_view>

namespace {

// VmRSS of /proc/self/status; 0 where there is none.
long ResidentKiB()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    long kib = 0;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        const std::string_view text(line);
        if (text.rfind("VmRSS:", 0) != 0)
            continue;
        const std::size_t digits = text.find_first_of("0123456789");
        if (digits != std::string_view::npos)
            std::from_chars(text.data() + digits, text.data() + text.size(), kib);
        break;
    }
    std::fclose(status);
    return kib;
}

} // namespace

std::int64_t StartupProbeClock()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void WriteStartupProbe(std::int64_t shownAtNs)
{
    const char* path = std::getenv("BRUNOVELT_STARTUP_PROBE");
    if (!path || !*path)
        return;
    std::ofstream probe(path, std::ios::app);
    probe << shownAtNs << ' ' << ResidentKiB() << '\n';
}
