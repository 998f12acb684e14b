#include "FileErrorMessage.h"

namespace {

// The message for each cause, with "%1" where the file's path goes.
QString Template(EFileError error)
{
    switch (error) {
    case EFileError::Generic: return QStringLiteral("%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。");
    case EFileError::NotFound: return QStringLiteral("%1 が見つかりませんでした。");
    case EFileError::BadPath: return QStringLiteral("%1 には無効なﾊﾟｽが含まれています。");
    case EFileError::TooManyOpenFiles:
        return QStringLiteral("開いているﾌｧｲﾙが多すぎるため、%1 を開けませんでした。");
    case EFileError::AccessDenied: return QStringLiteral("%1 へのｱｸｾｽは拒否されました。");
    case EFileError::InvalidHandle:
        return QStringLiteral("%1 へ無効なﾌｧｲﾙ ﾊﾝﾄﾞﾙが関連付けられていました。");
    case EFileError::DirectoryFull:
        return QStringLiteral("%1 を作成できませんでした。そのﾃﾞｨﾚｸﾄﾘはいっぱいです。");
    case EFileError::Seek: return QStringLiteral("%1 のｼｰｸに失敗しました。");
    case EFileError::HardwareIo:
        return QStringLiteral("%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。");
    case EFileError::SharingViolation:
        return QStringLiteral("%1 へのｱｸｾｽ中に共有違反が発生しました。");
    case EFileError::LockViolation: return QStringLiteral("%1 へのｱｸｾｽ中にﾛｯｸ違反が発生しました。");
    case EFileError::DiskFull:
        return QStringLiteral("%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。");
    case EFileError::FileSizeLimit:
        return QStringLiteral("%1 へのｱｸｾｽ中に、許されたﾌｧｲﾙ ｻｲｽﾞの上限を越えました。");
    case EFileError::EndOfFile: return QStringLiteral("%1 の末尾以降にｱｸｾｽしようとしました。");
    case EFileError::None:
    case EFileError::TooLarge: break;
    }
    return Template(EFileError::Generic);
}

} // namespace

QString FileErrorMessage(EFileError error, const QString& path)
{
    return Template(error).arg(path);
}
