#include "StateFolder.h"

#include <QDir>
#include <QFile>

QString StateFolderLocation()
{
    // Qt 6.4 names no state location: the XDG rule is that a relative or empty value is ignored.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/Halsk/Brunovelt");
}

QString StateFolder()
{
    const QString folder = StateFolderLocation();
    if (QDir(folder).exists())
        return folder;
    if (!QDir().mkpath(folder))
        return {};
    // Sheets may hold what the user keeps private.
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return folder;
}
