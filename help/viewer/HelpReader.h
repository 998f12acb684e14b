#pragma once

#include "HelpArchive.h"
#include "HelpStream.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// What a child process may use. The CPU time and the address space are set in the child (on
// Unix); the wall-clock time and the output are watched from here.
struct ChildLimits
{
    int cpuSeconds = 4;
    qint64 addressSpaceBytes = 512LL * 1024 * 1024;
    int wallMilliseconds = 8000;
    qint64 outputBytes = static_cast<qint64>(kMaxHelpStreamBytes);
};

// The standard output of `program` run with `arguments` (no input, standard error discarded),
// when it exits normally with status 0 within `limits`. None when it cannot start, crashes, is
// killed by a limit, fails or writes too much; a child past the wall-clock or output limit is
// killed. Returns when the child has ended, running the event loop meanwhile (the windows repaint
// and take input): the caller must expect any event to be handled before it returns. When the
// application quits meanwhile, the child is killed and none is returned.
std::optional<QByteArray> RunLimitedChild(const QString& program, const QStringList& arguments,
                                          const ChildLimits& limits);

// The help file at `chmPath` as the help reader hands it over; none when the reader fails in any
// way or what it writes is no whole help stream.
std::optional<CHelpArchive> ReadHelpFile(const QString& chmPath, const ChildLimits& limits = {});

// The help reader: "brunovelt-help-reader" beside the executable unless overridden.
QString HelpReaderProgram();
void OverrideHelpReaderProgram(const QString& program);
