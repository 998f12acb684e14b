#pragma once

#include "FileIo.h"

#include <QString>

#include <string>
#include <string_view>
#include <sys/types.h>

// The POSIX calls under the file functions: retried when a signal interrupts them, every result
// checked, errno telling why on failure.
namespace fileio {

int OpenRetrying(const char* path, int flags, mode_t mode = 0);

// Writes all of `bytes`, or fails with errno telling why.
bool WriteAll(int fd, std::string_view bytes);

// fsync on a file system that cannot sync (EINVAL) has nothing to wait for.
bool SyncFile(int fd);

// Closes `fd`; false, with errno, when the close reports an error of the writes before it.
bool CloseChecked(int fd);

// Brings a rename in `folder` to the disk. The new content is in place already, so a failure
// here does not make the save fail.
void SyncFolder(const QString& folder);

// Reads `fd` from its start to its end.
bool ReadAllFrom(int fd, std::string& bytes);

// The cause for `error` met on `path`: ENOENT is a missing file, or a bad path when the file's
// folder is missing as well.
EFileError ErrorFor(int error, const QString& path);

} // namespace fileio
