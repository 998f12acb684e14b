// Any bytes as a compiled help file through the help reader in this process, chmlib included.
// Not one of the fuzz_* targets that tools/run-fuzzers.sh runs: chmlib's own faults end this
// process, which is why the program runs the reader in a process of its own.
// tools/fuzz-help-reader.sh runs it and tells chmlib's findings from ours.
//
// Property checked: a stream the reader writes in full decodes as the help window reads it.

#include "ChmStreamWriter.h"
#include "FuzzCheck.h"
#include "HelpStream.h"

#include <cstdint>
#include <string>
#include <string_view>

#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // chmlib opens files by name: the input as a file in memory.
    const int fd = memfd_create("chm", 0);
    FUZZ_REQUIRE(fd >= 0);
    FUZZ_REQUIRE(write(fd, data, size) == static_cast<ssize_t>(size));
    std::string stream;
    const bool whole = WriteChmAsHelpStream("/proc/self/fd/" + std::to_string(fd),
                                            [&stream](std::string_view piece) {
                                                stream += piece;
                                                return stream.size() <= kMaxHelpStreamBytes;
                                            });
    close(fd);
    if (whole)
        FUZZ_REQUIRE(DecodeHelpStream(stream).has_value());
    return 0;
}
