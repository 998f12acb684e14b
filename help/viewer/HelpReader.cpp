#include "HelpReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

// Empty: the one beside the executable. A function's static, so that it is there for a test's
// static set-up too.
QString& ReaderProgram()
{
    static QString program;
    return program;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLimitAddressSpace = false; // the sanitizer's shadow memory needs terabytes of it
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif
#else
constexpr bool kLimitAddressSpace = true;
#endif

#ifdef Q_OS_UNIX
// Runs in the child between fork and exec: only calls that are safe there.
void ApplyLimits(const ChildLimits& limits)
{
    // SIGXCPU at the soft limit, SIGKILL a second later should it be ignored.
    const auto cpu = static_cast<rlim_t>(limits.cpuSeconds);
    const rlimit cpuLimit{cpu, cpu + 1};
    setrlimit(RLIMIT_CPU, &cpuLimit);
    if (kLimitAddressSpace) {
        const auto bytes = static_cast<rlim_t>(limits.addressSpaceBytes);
        const rlimit memoryLimit{bytes, bytes};
        setrlimit(RLIMIT_AS, &memoryLimit);
    }
    const rlimit none{0, 0}; // a crash leaves no core file, and the reader writes no file
    setrlimit(RLIMIT_CORE, &none);
    setrlimit(RLIMIT_FSIZE, &none);
}
#endif

} // namespace

std::optional<QByteArray> RunLimitedChild(const QString& program, const QStringList& arguments,
                                          const ChildLimits& limits)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
#ifdef Q_OS_UNIX
    process.setChildProcessModifier([limits] { ApplyLimits(limits); });
#endif
    // The child is waited for in an event loop of its own, so that the windows repaint and take
    // input meanwhile; every limit is enforced from a signal.
    QEventLoop loop;
    bool done = false;
    bool overLimit = false;
    QByteArray output;
    const auto finish = [&] {
        done = true;
        loop.quit();
    };
    const auto stop = [&] {
        overLimit = true;
        process.kill(); // finished() follows
    };
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &loop, [&] {
        output += process.readAllStandardOutput();
        if (output.size() > limits.outputBytes)
            stop();
    });
    QObject::connect(&process, &QProcess::finished, &loop, finish);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish();
    });
    QTimer wallClock;
    wallClock.setSingleShot(true);
    QObject::connect(&wallClock, &QTimer::timeout, &loop, stop);
    wallClock.start(limits.wallMilliseconds);
    process.start(QIODevice::ReadOnly);
    if (!done && process.state() != QProcess::NotRunning)
        loop.exec();
    if (process.state() != QProcess::NotRunning) {
        // The loop ended before the child: the application is quitting.
        process.kill();
        process.waitForFinished(-1);
        return std::nullopt;
    }
    output += process.readAllStandardOutput();
    if (overLimit || output.size() > limits.outputBytes ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return output;
}

std::optional<CHelpArchive> ReadHelpFile(const QString& chmPath, const ChildLimits& limits)
{
    if (chmPath.isEmpty())
        return std::nullopt;
    // The reader takes the path as its only argument, in the file system's encoding.
    const std::optional<QByteArray> output =
        RunLimitedChild(HelpReaderProgram(), {chmPath}, limits);
    if (!output)
        return std::nullopt;
    return DecodeHelpStream(
        std::string_view(output->constData(), static_cast<std::size_t>(output->size())));
}

QString HelpReaderProgram()
{
    if (!ReaderProgram().isEmpty())
        return ReaderProgram();
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("brunovelt-help-reader.exe");
#else
    const QString name = QStringLiteral("brunovelt-help-reader");
#endif
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

void OverrideHelpReaderProgram(const QString& program)
{
    ReaderProgram() = program;
}
