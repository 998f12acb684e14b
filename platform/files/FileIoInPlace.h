#pragma once

#include "FileIo.h"

#include <QString>

#include <string_view>

// The save of a file that may be written, in a folder where no new file may be made beside it:
// the old bytes are kept in a backup in StateFolder(), flushed to the disk, before the first byte
// of the file is overwritten, so it keeps its links, mode and owner. Any failure writes the old
// bytes back; the backup goes once the file holds either whole content, and stays if even that
// failed or the program was killed meanwhile: HasInterruptedSave (FileIo.h) finds it.
// `folderError` (an errno) is why no new file could be made, the cause reported when no backup
// can be made.
EFileError WriteInPlace(const QString& targetPath, std::string_view bytes, int folderError);
