#pragma once

#include "FileIo.h"

#include <QString>

// The message for a file error of cause `error` on the file at `path` (the path in the place of
// "%1"). A cause that is no file error (None, TooLarge) gets the generic file message.
QString FileErrorMessage(EFileError error, const QString& path);
