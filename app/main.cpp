#include "CommandLineTool.h"

#include <cstdio>
#include <span>

int main(int argc, char** argv)
{
    const std::span<const char* const> args(argv + 1,
                                            static_cast<std::size_t>(argc > 0 ? argc - 1 : 0));
    if (const auto status = RunCommandLineTool(args, stdin, stdout, stderr))
        return *status;

    // The calculation sheet's window is not part of this build yet.
    std::fputs("brunovelt: the window is not available in this build; see brunovelt --help\n",
               stderr);
    return 2;
}
