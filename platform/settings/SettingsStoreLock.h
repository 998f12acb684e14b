#pragma once

#include <QString>

// Holds an advisory lock on the settings file's folder while a write reads, changes and replaces
// the file, so that two copies of the program writing at once do not lose each other's values.
// The lock needs no file of its own and so works on a full disk. After two seconds, or where the
// folder cannot be locked, the write goes ahead without it.
class CSettingsStoreLock
{
public:
    explicit CSettingsStoreLock(const QString& folder);
    ~CSettingsStoreLock();
    CSettingsStoreLock(const CSettingsStoreLock&) = delete;
    CSettingsStoreLock& operator=(const CSettingsStoreLock&) = delete;

private:
    int m_fd = -1;
};
