#pragma once

#include "FileErrorMessage.h"

#include <QString>

enum class EDocumentOperation { Open, Save };

// The message for a failure of `operation` that is not a file error.
QString DocumentFailureMessage(EDocumentOperation operation);

// What the user is told when `operation` on `path` failed for `error`: the file-error message;
// for content too large to open, a message naming the file; for a save whose content did not fit
// in memory, the operation's own message.
QString FailureMessage(EDocumentOperation operation, EFileError error, const QString& path);
