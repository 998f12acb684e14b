// A program for the fault tests to start and end: it opens the log of a folder as the document
// of an in-memory sheet and saves it, in one of these ways:
//   loop FOLDER    saves the two large texts of ChildText in turn, for ever, and says "ready"
//                  after the first;
//   replace FOLDER the same with ChildFile's two files of several megabytes, as big.bin;
//   sigterm FOLDER types into the log, says "ready" and runs the event loop; SIGTERM or SIGHUP
//                  runs the close check, and the exit status says whether it saved (0) or not.
#include "DocumentTestSupport.h"
#include "FileIo.h"
#include "MemorySettingsStore.h"
#include "TestDesktop.h"
#include "QuitSignals.h"
#include "RecentFileList.h"
#include "VornyDoc.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void Say(const char* text)
{
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString log =
        QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("計算Log.txt"));
    CTestDesktop boxes;
    CMemorySettingsStore store;
    CRecentFileList recent(store, boxes);
    CFakeDocumentHost host(boxes);
    CVornyDoc doc(host, store, recent, [&log] { return log; });
    host.Sheet().SetChangeHandler([&doc] { doc.SetModifiedFlag(true); });
    if (doc.OpenDocumentFile(log) != CVornyDoc::EOpenResult::Opened)
        return 3;

    if (std::strcmp(argv[1], "loop") == 0) {
        const std::string texts[2] = {ChildText(0), ChildText(1)};
        for (unsigned long n = 0;; ++n) {
            host.Sheet().SetText(texts[n % 2]);
            doc.SetModifiedFlag();
            if (!doc.OnSaveDocument(log))
                return 4;
            if (n == 0)
                Say("ready");
        }
    }
    if (std::strcmp(argv[1], "replace") == 0) {
        const QString big =
            QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("big.bin"));
        const std::string files[2] = {ChildFile(0), ChildFile(1)};
        for (unsigned long n = 0;; ++n) {
            if (ReplaceFile(big, files[n % 2]) != EFileError::None)
                return 4;
            if (n == 0)
                Say("ready");
        }
    }
    if (std::strcmp(argv[1], "sigterm") == 0) {
        host.Sheet().SetSelection(host.Sheet().GetText().size(), host.Sheet().GetText().size());
        host.Sheet().ReplaceSelection("1+2\r\n3\r\n\r\n\r\n");
        int status = 5;
        const CQuitSignals quit([&](int) {
            status = doc.SaveModified() ? 0 : 6;
            QCoreApplication::quit();
        });
        if (!quit.IsInstalled())
            return 7;
        Say("ready");
        app.exec();
        return status;
    }
    return 2;
}
