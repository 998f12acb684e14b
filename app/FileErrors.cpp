#include "FileErrors.h"

QString DocumentFailureMessage(EDocumentOperation operation)
{
    return operation == EDocumentOperation::Open
               ? QStringLiteral("ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。")
               : QStringLiteral("ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。");
}

QString FailureMessage(EDocumentOperation operation, EFileError error, const QString& path)
{
    if (error == EFileError::TooLarge)
        return DocumentFailureMessage(operation);
    return FileErrorMessage(error, path);
}
