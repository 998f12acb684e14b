#include "FileErrors.h"

QString DocumentFailureMessage(EDocumentOperation operation)
{
    return operation == EDocumentOperation::Open
               ? QStringLiteral("ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。")
               : QStringLiteral("ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。");
}

QString FailureMessage(EDocumentOperation operation, EFileError error, const QString& path)
{
    // A file too large to open is named, so that the user knows which one to make smaller.
    if (error == EFileError::TooLarge && operation == EDocumentOperation::Open)
        return QStringLiteral("%1 は大きすぎるため開けません。").arg(path);
    if (error == EFileError::TooLarge)
        return DocumentFailureMessage(operation);
    return FileErrorMessage(error, path);
}
