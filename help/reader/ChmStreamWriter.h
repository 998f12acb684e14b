#pragma once

#include <functional>
#include <string>
#include <string_view>

// Reads the compiled help file at `chmPath` and hands it on as a help stream (HelpStream.h),
// piece by piece, to `write`, which returns false when it cannot take more. Objects that cannot
// be read, repeats and those past the stream's limit are left out, and so are the names of
// those. Returns false when the file is no help
// file, has no first page that reads, or `write` failed; `write` may have had part of a stream.
bool WriteChmAsHelpStream(const std::string& chmPath,
                          const std::function<bool(std::string_view)>& write);
