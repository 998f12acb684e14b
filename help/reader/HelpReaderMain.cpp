// brunovelt-help-reader FILE: writes the compiled help file FILE to standard output as a help
// stream, for the help window, which runs this program under CPU, memory and time limits
// because chmlib is not safe on damaged or hostile files. Exits 0 when the whole stream was
// written, 1 when the file cannot be read or the output fails, 2 on a wrong command line.

#include "ChmStreamWriter.h"

#include <cstdio>
#include <string_view>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: brunovelt-help-reader FILE.chm\n", stderr);
        return 2;
    }
    const bool written = WriteChmAsHelpStream(argv[1], [](std::string_view piece) {
        return std::fwrite(piece.data(), 1, piece.size(), stdout) == piece.size();
    });
    if (std::fflush(stdout) != 0 || !written)
        return 1;
    return 0;
}
