#include "SettingsStoreDamage.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

QSettings::SettingsMap AllSettingsValues(const QSettings& settings)
{
    QSettings::SettingsMap values;
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

bool QSettingsMisreads(const QString& target, std::string_view bytes)
{
    // QSettings caches the files it has read by name, size and time: every read here is of a
    // file under a name it has not seen.
    QString copy;
    if (CreateTemporaryBeside(target, bytes, copy) != EFileError::None)
        return false; // nothing can be told without room for a copy
    QSettings::SettingsMap values;
    bool formatError = false;
    {
        const QSettings reader(copy, QSettings::IniFormat);
        formatError = reader.status() == QSettings::FormatError;
        values = AllSettingsValues(reader);
    }
    QFile::remove(copy);
    if (formatError)
        return true;

    QString rewritten;
    if (CreateTemporaryBeside(target, {}, rewritten) != EFileError::None)
        return false;
    {
        QSettings writer(rewritten, QSettings::IniFormat);
        for (auto value = values.cbegin(); value != values.cend(); ++value)
            writer.setValue(value.key(), value.value());
    }
    const QString fresh = TemporaryNameBeside(target);
    if (std::rename(QFile::encodeName(rewritten).constData(),
                    QFile::encodeName(fresh).constData()) != 0) {
        QFile::remove(rewritten);
        return false;
    }
    bool misread = false;
    {
        const QSettings reader(fresh, QSettings::IniFormat);
        misread = AllSettingsValues(reader) != values;
    }
    QFile::remove(fresh);
    return misread;
}

EFileError KeepDamagedFile(const QString& target, std::string_view bytes, QString& keptAs)
{
    const QString base = ResolveFileLinks(target) + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    EFileError error = EFileError::AccessDenied;
    for (int n = 1; n <= 100 && error == EFileError::AccessDenied; ++n) {
        const QString name = n == 1 ? base : base + u'-' + QString::number(n);
        if (QFileInfo::exists(name))
            continue;
        error = CreateNewFile(name, bytes);
        if (error == EFileError::None)
            keptAs = name;
    }
    return error;
}
