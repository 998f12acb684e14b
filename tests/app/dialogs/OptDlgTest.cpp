#include "DialogTestSupport.h"

#include "Sjis.h"
#include "FileIo.h"
#include "MemorySettingsStore.h"
#include "TestDesktop.h"
#include "OptDlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include <optional>
#include <string>
#include <vector>

namespace {

const QString kDefaultPath = QStringLiteral("/home/user/.local/share/Halsk/Brunovelt/計算Log.txt");

class OptionsCommand : public testing::Test
{
protected:
    // Runs the options command with `answer` working the dialog; counts the default's uses.
    bool Run(std::function<void(COptDlg&)> answer)
    {
        const CWhenModal<COptDlg> when(std::move(answer));
        return RunOptionsCommand(
            store, desktop,
            [this] {
                ++defaultCalls;
                return kDefaultPath;
            },
            nullptr);
    }

    CMemorySettingsStore store;
    CTestDesktop desktop; // answers the boxes and the chooser
    int defaultCalls = 0;
};

// ---------------------------------------------------------------------------------------------
// What the dialog shows when it opens, and that Cancel writes nothing.

TEST_F(OptionsCommand, OpensWithTheDefaultsOfAnEmptyStoreAndCancelWritesNothing)
{
    bool ticked = false;
    QString shown;
    EXPECT_FALSE(Run([&](COptDlg& dialog) {
        ticked = dialog.AutoSaveCheck()->isChecked();
        shown = dialog.FileEdit()->text();
        dialog.CancelButton()->click();
    }));
    EXPECT_TRUE(ticked);
    EXPECT_EQ(shown, kDefaultPath);
    EXPECT_EQ(defaultCalls, 1); // the default log file is made even when nothing is written
    EXPECT_EQ(store.WriteCount(), 0u);
    EXPECT_TRUE(store.AllValues().empty());
}

TEST_F(OptionsCommand, ShowsTheStoredValues)
{
    struct Row
    {
        const char* name;
        const char* log;
        std::string logFile;
        bool ticked;
        QString shown;
    };
    const std::vector<Row> rows = {
        {"off", "0", Sjis("/tmp/記録.txt"), false, QStringLiteral("/tmp/記録.txt")},
        {"on", "1", "relative.txt", true, QStringLiteral("relative.txt")},
        {"any non-zero is on; empty is the default", "5", "", true, kDefaultPath},
        {"half-width katakana", "1", Sjis("/tmp/ﾛｸﾞ.txt"), true, QStringLiteral("/tmp/ﾛｸﾞ.txt")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store.Clear();
        store.Put("System", "Log", row.log);
        store.Put("System", "LogFile", row.logFile);
        bool ticked = !row.ticked;
        QString shown;
        // Esc and the close box cancel as the button does.
        Run([&](COptDlg& dialog) {
            ticked = dialog.AutoSaveCheck()->isChecked();
            shown = dialog.FileEdit()->text();
            dialog.reject();
        });
        EXPECT_EQ(ticked, row.ticked);
        EXPECT_EQ(shown, row.shown);
        EXPECT_EQ(store.WriteCount(), 0u);
    }
    // The default is worked out every time, set or not.
    EXPECT_EQ(defaultCalls, static_cast<int>(rows.size()));
}

// The tax rate: shown from "View"/"TaxRate" (5 when absent or out of range), written on OK with
// the other values.
TEST_F(OptionsCommand, TaxRateIsShownAndWrittenWithTheOtherValues)
{
    struct Row
    {
        const char* name;
        std::optional<int> stored;
        int shown;
        int chosen;
    };
    const Row rows[] = {
        {"absent", std::nullopt, 5, 10}, {"reduced", 8, 8, 8},        {"standard", 10, 10, 5},
        {"negative", -3, 5, 0},          {"beyond 100", 250, 5, 100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CMemorySettingsStore fresh;
        if (row.stored)
            fresh.WriteInt("View", "TaxRate", *row.stored);
        int shown = -1;
        const CWhenModal<COptDlg> when([&](COptDlg& dialog) {
            shown = dialog.TaxRateBox()->value();
            dialog.TaxRateBox()->setValue(row.chosen);
            dialog.OkButton()->click();
        });
        EXPECT_TRUE(RunOptionsCommand(
            fresh, desktop, [] { return kDefaultPath; }, nullptr));
        EXPECT_EQ(shown, row.shown);
        EXPECT_EQ(fresh.Value("View", "TaxRate"), std::to_string(row.chosen));
        EXPECT_EQ(fresh.WriteCount(), row.stored ? 2u : 1u); // all three values in one write
    }
}

// ---------------------------------------------------------------------------------------------
// OK writes both values, as they stand.

TEST_F(OptionsCommand, OkWithoutChangeWritesBothValues)
{
    EXPECT_TRUE(Run([](COptDlg& dialog) { dialog.OkButton()->click(); }));
    EXPECT_EQ(store.Value("System", "Log"), "1");
    EXPECT_EQ(store.Value("System", "LogFile"), Sjis(kDefaultPath.toStdString()));
    EXPECT_EQ(store.WriteCount(), 1u); // both in one write

    // And again when the store already holds them.
    EXPECT_TRUE(Run([](COptDlg& dialog) { dialog.OkButton()->click(); }));
    EXPECT_EQ(store.WriteCount(), 2u);
}

TEST_F(OptionsCommand, OkStoresTheNameAsTyped)
{
    struct Row
    {
        const char* name;
        bool ticked;
        QString typed;
        const char* log;
        std::string logFile;
    };
    const std::vector<Row> rows = {
        {"empty", true, QString(), "1", ""},
        {"relative", false, QStringLiteral("log.txt"), "0", "log.txt"},
        {"no suffix added", true, QStringLiteral("sub/log"), "1", "sub/log"},
        {"Japanese", true, QStringLiteral("/tmp/計算/ﾛｸﾞ.txt"), "1", Sjis("/tmp/計算/ﾛｸﾞ.txt")},
        {"blanks kept", false, QStringLiteral(" a b "), "0", " a b "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store.Clear();
        EXPECT_TRUE(Run([&](COptDlg& dialog) {
            dialog.AutoSaveCheck()->setChecked(row.ticked);
            dialog.FileEdit()->setText(row.typed);
            dialog.OkButton()->click();
        }));
        EXPECT_EQ(store.Value("System", "Log"), row.log);
        EXPECT_EQ(store.Value("System", "LogFile"), row.logFile);
    }
}

// A name with a character code page 932 lacks is taken and stored so that it reads back whole;
// an empty one shows again as the default log that it stands for.
TEST_F(OptionsCommand, EveryNameIsTakenAndShownAgainAsTyped)
{
    const CTestDesktop& boxes = desktop;
    const QString names[] = {QStringLiteral("/tmp/résumé.txt"), QString()};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(Run([&](COptDlg& dialog) {
            dialog.FileEdit()->setText(name);
            dialog.OkButton()->click();
        }));
        QString shown;
        Run([&](COptDlg& dialog) {
            shown = dialog.FileEdit()->text();
            dialog.reject();
        });
        EXPECT_EQ(shown, name.isEmpty() ? kDefaultPath : name);
    }
    EXPECT_EQ(boxes.Count(), 0u);
}

// A default the code page cannot spell is stored as its URL on an OK without a change: when the
// default later moves, the value still names the user's record, not a folder with a "?" in it.
// The text an earlier version stored for it still reads as the default.
TEST_F(OptionsCommand, ADefaultTheCodePageCannotHoldIsStoredWhole)
{
    const QString accented = QStringLiteral("/home/donnée/計算Log.txt");
    QString defaultPath = accented;
    QString shown;
    const auto show = [&](bool confirm) {
        const CWhenModal<COptDlg> when([&](COptDlg& dialog) {
            shown = dialog.FileEdit()->text();
            if (confirm)
                dialog.OkButton()->click();
            else
                dialog.reject();
        });
        RunOptionsCommand(
            store, desktop, [&] { return defaultPath; }, nullptr);
    };
    store.Put("System", "LogFile", Sjis("/home/donn?e/計算Log.txt"));
    show(true);
    EXPECT_EQ(shown, accented);
    EXPECT_EQ(store.Value("System", "LogFile"),
              "file:///home/donn%C3%A9e/%E8%A8%88%E7%AE%97Log.txt");

    defaultPath = QStringLiteral("/opt/brunovelt/計算Log.txt");
    show(false);
    EXPECT_EQ(shown, accented);
}

// A failed write is shown with its cause and keeps the dialog open with what was typed, so
// that OK can be tried again; nothing is half written meanwhile.
TEST_F(OptionsCommand, AFailedWriteIsShownAndTheDialogStaysOpen)
{
    const CTestDesktop& boxes = desktop;
    store.SetFailWrites(true);
    store.SetFailureCause(EFileError::DiskFull);
    bool stayedOpen = false;
    EXPECT_TRUE(Run([&](COptDlg& dialog) {
        dialog.AutoSaveCheck()->setChecked(false);
        dialog.FileEdit()->setText(QStringLiteral("/tmp/typed.txt"));
        dialog.OkButton()->click();
        stayedOpen = dialog.isVisible() && dialog.result() != QDialog::Accepted;
        EXPECT_TRUE(store.AllValues().empty());
        store.SetFailWrites(false);
        dialog.OkButton()->click();
    }));
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text,
              QStringLiteral("memory へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。"));
    EXPECT_EQ(store.Value("System", "Log"), "0");
    EXPECT_EQ(store.Value("System", "LogFile"), "/tmp/typed.txt");
}

// ---------------------------------------------------------------------------------------------
// Browse.

TEST_F(OptionsCommand, BrowseThenCancelWritesNothing)
{
    desktop.fileDialogs = [](QFileDialog&) { return QStringLiteral("/tmp/chosen.txt"); };
    QString shown;
    EXPECT_FALSE(Run([&](COptDlg& dialog) {
        dialog.BrowseButton()->click();
        shown = dialog.FileEdit()->text();
        dialog.CancelButton()->click();
    }));
    EXPECT_EQ(shown, QStringLiteral("/tmp/chosen.txt"));
    EXPECT_EQ(store.WriteCount(), 0u);
}

// The desktop's own chooser has closed by the time it reports "*.txt": a pattern is no choice,
// so the chooser is shown again until a file or a cancel comes back.
TEST_F(OptionsCommand, APatternFromTheChooserAsksAgain)
{
    std::vector<std::optional<QString>> answers = {QStringLiteral("/tmp/*.txt"),
                                                   QStringLiteral("/tmp/a?.txt"),
                                                   QStringLiteral("/tmp/chosen.txt")};
    std::size_t shown = 0;
    desktop.fileDialogs = [&](QFileDialog&) { return answers.at(shown++); };
    QString name;
    Run([&](COptDlg& dialog) {
        dialog.BrowseButton()->click();
        name = dialog.FileEdit()->text();
        answers = {QStringLiteral("/tmp/*.txt"), std::nullopt};
        shown = 0;
        dialog.BrowseButton()->click(); // cancelled after a pattern: the name stays
        EXPECT_EQ(dialog.FileEdit()->text(), name);
        dialog.reject();
    });
    EXPECT_EQ(name, QStringLiteral("/tmp/chosen.txt"));
    EXPECT_EQ(shown, 2u);
}

TEST_F(OptionsCommand, BrowseKeepsWhatWasTypedBeforeIt)
{
    std::optional<QString> choice;
    desktop.fileDialogs = [&](QFileDialog&) { return choice; };
    struct Shown
    {
        bool ticked;
        QString text;
    };
    std::vector<Shown> shown;
    EXPECT_TRUE(Run([&](COptDlg& dialog) {
        dialog.AutoSaveCheck()->setChecked(false);
        dialog.FileEdit()->setText(QStringLiteral("typed.txt"));
        dialog.BrowseButton()->click(); // cancelled: nothing changes
        shown.push_back({dialog.AutoSaveCheck()->isChecked(), dialog.FileEdit()->text()});
        choice = QStringLiteral("/tmp/a/../chosen.txt");
        dialog.BrowseButton()->click(); // chosen: only the name changes, to the full path
        shown.push_back({dialog.AutoSaveCheck()->isChecked(), dialog.FileEdit()->text()});
        dialog.OkButton()->click();
    }));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_FALSE(shown[0].ticked);
    EXPECT_EQ(shown[0].text, QStringLiteral("typed.txt"));
    EXPECT_FALSE(shown[1].ticked);
    EXPECT_EQ(shown[1].text, QStringLiteral("/tmp/chosen.txt"));
    EXPECT_EQ(store.Value("System", "Log"), "0");
    EXPECT_EQ(store.Value("System", "LogFile"), "/tmp/chosen.txt");
}

TEST_F(OptionsCommand, TheChooserIsSetUpForTheLogFile)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString current = folder.path() + QStringLiteral("/old.txt");
    store.Put("System", "LogFile", Sjis(current.toStdString()));
    QWidget* owner = nullptr;
    QWidget* options = nullptr;
    desktop.fileDialogs = [&](QFileDialog& chooser) -> std::optional<QString> {
        owner = chooser.parentWidget();
        EXPECT_EQ(chooser.windowTitle(), QStringLiteral("計算結果保存ﾌｧｲﾙ名"));
        EXPECT_EQ(chooser.nameFilters(), QStringList({QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(*.txt)"),
                                                      QStringLiteral("全てのﾌｧｲﾙ(*.*)")}));
        EXPECT_EQ(chooser.selectedNameFilter(), QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(*.txt)"));
        EXPECT_EQ(chooser.defaultSuffix(), QStringLiteral("txt"));
        EXPECT_EQ(chooser.fileMode(), QFileDialog::AnyFile);
        EXPECT_EQ(chooser.acceptMode(), QFileDialog::AcceptOpen);
        // It starts in the folder of the file named now, with "*.txt" as the name.
        EXPECT_EQ(chooser.directory().absolutePath(), QDir(folder.path()).absolutePath());
        EXPECT_EQ(chooser.selectedFiles(), QStringList(folder.path() + QStringLiteral("/*.txt")));
        // A name typed without a suffix gets ".txt"; the file need not exist.
        chooser.selectFile(QStringLiteral("新しい記録"));
        return chooser.selectedFiles().value(0);
    };
    EXPECT_TRUE(Run([&](COptDlg& dialog) {
        options = &dialog;
        dialog.BrowseButton()->click();
        dialog.OkButton()->click();
    }));
    EXPECT_EQ(owner, options);
    EXPECT_EQ(store.Value("System", "LogFile"),
              Sjis((folder.path() + QStringLiteral("/新しい記録.txt")).toStdString()));
}

// The real chooser, shown, as the user works it.
TEST(LogFileChooser, APatternInTheNameBoxIsNotAChoice)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    CDesktop desktop;
    COptDlg options(desktop);
    options.m_strLogFile = folder.path() + QStringLiteral("/old.txt");
    int accepted = -1;
    QString name;
    const CWhenModal<QFileDialog> when([&](QFileDialog& chooser) {
        // Open pressed with "*.txt" as the chooser starts: it stays open.
        QMetaObject::invokeMethod(&chooser, "accept");
        accepted = chooser.isVisible() ? 0 : 1;
        chooser.selectFile(QStringLiteral("plain"));
        QMetaObject::invokeMethod(&chooser, "accept");
    });
    const CWhenModal<COptDlg> open([&](COptDlg& dialog) {
        dialog.BrowseButton()->click();
        name = dialog.FileEdit()->text();
        dialog.reject();
    });
    options.exec();
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(name, folder.path() + QStringLiteral("/plain.txt"));
}

TEST(LogFileChooser, AllFilesMeansFilesWithoutADotToo)
{
    QFileDialog chooser;
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    ConfigureLogFileDialog(chooser);
    auto* model = chooser.findChild<QFileSystemModel*>();
    auto* types = chooser.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(model, nullptr);
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(model->nameFilters(), QStringList(QStringLiteral("*.txt")));
    // The user picks the second entry with the arrow key.
    types->setFocus();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(types, &down);
    EXPECT_EQ(chooser.selectedNameFilter(), QStringLiteral("全てのﾌｧｲﾙ(*.*)"));
    EXPECT_TRUE(model->nameFilters().isEmpty());
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(types, &up);
    EXPECT_EQ(model->nameFilters(), QStringList(QStringLiteral("*.txt")));
}

} // namespace
