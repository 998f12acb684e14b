#include "AppCommandIds.h"
#include "CommandIds.h"
#include "AppIcons.h"
#include "Keypad.h"
#include "ShowHelpFile.h"
#include "Sjis.h"
#include "MainFrame.h"
#include "RecentlyUsed.h"
#include "MemorySettingsStore.h"
#include "GrabWhenAsked.h"
#include "TestDesktop.h"
#include "SheetEdit.h"
#include "SheetKeys.h"
#include "VornyApp.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QThread>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace {

std::string ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll().toStdString();
}

void WriteFile(const QString& path, std::string_view bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// Formula lines and their answers, `pairs` of them, ending in CR LF.
std::string Record(int pairs)
{
    std::string text;
    for (int i = 0; i < pairs; ++i)
        text += std::to_string(i) + "*3\r\n" + std::to_string(i * 3) + "\r\n";
    return text;
}

// The whole program in this process, in folders of its own: home, settings and data.
class AppTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
        qputenv("XDG_STATE_HOME", (home.path() + "/state").toLocal8Bit());
        QApplication::setQuitOnLastWindowClosed(false);
    }

    QString LogPath() const
    {
        return home.path() + "/data/Halsk/Brunovelt/" + QString::fromUtf8("計算Log.txt");
    }

    bool Start(const QStringList& arguments = {})
    {
        app = std::make_unique<CVornyApp>(boxes);
        const bool started = app->InitInstance(arguments);
        QApplication::processEvents(); // the view's posted initialisation step
        return started;
    }

    // Runs the program's Exit command; true when the window closed.
    bool Exit()
    {
        app->OnCommand(ID_APP_EXIT);
        return !app->MainFrame().isVisible();
    }

    CSheetEdit& Sheet() { return app->View().Sheet(); }

    void Type(const QString& text) { TypeInto(Sheet(), text); }
    void PressEnter() { PressEnterIn(Sheet()); }

    QTemporaryDir home;
    CTestDesktop boxes; // every box of the run: answered with each box's default
    std::unique_ptr<CVornyApp> app;
};

TEST_F(AppTest, FirstStartCreatesTheLogAndOpensIt)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(ReadFile(LogPath()), "\r\n");
    EXPECT_EQ(app->Document().GetPathName(), LogPath());
    EXPECT_EQ(app->MainFrame().windowTitle(), QString::fromUtf8("計算Log.txt - Brunovelt"));
    EXPECT_TRUE(app->MainFrame().isVisible());
    EXPECT_EQ(Sheet().GetText(), "\r\n");
    EXPECT_FALSE(app->Document().IsModified());
    EXPECT_TRUE(Exit());
    EXPECT_EQ(ReadFile(LogPath()), "\r\n"); // not modified: not written
}

TEST_F(AppTest, TypedFormulasAndAnswersAreInTheLogAfterExit)
{
    ASSERT_TRUE(Start());
    Type(QStringLiteral("3+5"));
    PressEnter();
    Type(QString::fromUtf8("１２×３＝"));
    PressEnter();
    PressEnter(); // an empty line: one more line break, trimmed at exit
    EXPECT_TRUE(app->Document().IsModified());
    ASSERT_TRUE(Exit());
    EXPECT_EQ(ReadFile(LogPath()), "\r\n3+5\r\n8\r\n" + Sjis("１２×３＝") + "\r\n36\r\n");
}

TEST_F(AppTest, AnAnswerIsInTheRecoveryCopyAtOnceAndTheNextStartRestoresIt)
{
    WriteFile(LogPath(), "\r\n");
    ASSERT_TRUE(Start());
    Type(QStringLiteral("6*7"));
    PressEnter();
    // On the disk and in place within moments, without waiting for the disk at Enter.
    QStringList copies;
    for (int wait = 0; wait < 200 && copies.isEmpty(); ++wait) {
        QThread::msleep(10);
        copies =
            QDir(home.path() + "/state/Halsk/Brunovelt").entryList({QStringLiteral("*.recovery")});
    }
    ASSERT_EQ(copies.size(), 1);
    const QString copy = home.path() + "/state/Halsk/Brunovelt/" + copies[0];
    EXPECT_EQ(ReadFile(copy), "\r\n6*7\r\n42\r\n");

    // The program dies here: its window goes without a close check.
    app.reset();
    boxes.Clear(); // the offer is answered Yes: restore
    ASSERT_TRUE(Start());
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(Sheet().GetText(), "\r\n6*7\r\n42\r\n");
    EXPECT_TRUE(app->Document().IsModified());
    ASSERT_TRUE(Exit());
    EXPECT_EQ(ReadFile(LogPath()), "\r\n6*7\r\n42\r\n");
    EXPECT_FALSE(QFile::exists(copy));
}

TEST_F(AppTest, SecondStartPlacesTheCaretAtTheEndBelowSixEmptyLines)
{
    const std::string log = Record(30);
    WriteFile(LogPath(), log);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Sheet().GetText(), log + "\r\n\r\n\r\n\r\n\r\n\r\n");
    EXPECT_EQ(Sheet().GetSelection().start, log.size());
    EXPECT_LE(Sheet().FirstVisibleLine() + 5, Sheet().CurrentLine());
    EXPECT_TRUE(Sheet().viewport()->rect().contains(Sheet().cursorRect()));
    EXPECT_TRUE(app->Document().IsModified());
    ASSERT_TRUE(Exit());
    EXPECT_EQ(ReadFile(LogPath()), log); // the empty lines are trimmed away again
}

// An empty "LogFile", as the options store a cleared name, is the default log in every respect:
// the caret below six empty lines, and Exit saves without a question.
TEST_F(AppTest, AnEmptyLogFileSettingOpensTheDefaultLogAsTheLog)
{
    WriteFile(home.path() + "/config/Halsk/Brunovelt.conf", "[System]\nLog=1\nLogFile=\n");
    const std::string log = Record(30);
    WriteFile(LogPath(), log);
    boxes.Clear();
    ASSERT_TRUE(Start());
    EXPECT_EQ(app->Document().GetPathName(), LogPath());
    EXPECT_TRUE(app->Document().IsLogDocument());
    EXPECT_EQ(Sheet().GetText(), log + "\r\n\r\n\r\n\r\n\r\n\r\n");
    Type(QStringLiteral("1+1"));
    PressEnter();
    ASSERT_TRUE(Exit());
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(ReadFile(LogPath()), log + "1+1\r\n2\r\n");
}

TEST_F(AppTest, AFileNamedOnTheCommandLineOpensInstead)
{
    const QString sheet = home.path() + "/sheet.txt";
    WriteFile(sheet, "1+1\r\n2\r\n");
    ASSERT_TRUE(Start({QStringLiteral("-unknown"), QStringLiteral("/Embedding"), sheet}));
    EXPECT_EQ(app->Document().GetPathName(), sheet);
    EXPECT_EQ(app->MainFrame().windowTitle(), QStringLiteral("sheet.txt - Brunovelt"));
    EXPECT_EQ(Sheet().GetText(), "1+1\r\n2\r\n");
    EXPECT_EQ(Sheet().GetSelection().start, 0u); // not the log: the caret stays at the start
}

TEST_F(AppTest, AMissingFileOnTheCommandLineEndsStartUp)
{
    boxes.Clear();
    const QString missing = home.path() + "/none.txt";
    EXPECT_FALSE(Start({missing}));
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_TRUE(boxes.Last().text.contains(QString::fromUtf8("が見つかりませんでした。")))
        << boxes.Last().text.toStdString();
    EXPECT_FALSE(app->MainFrame().isVisible());
}

// A configured log that exists but cannot be opened (too large for a sheet, or a folder) gives
// its message and then the window with an untitled sheet, from which 設定 can be reached.
TEST_F(AppTest, ALogThatCannotBeOpenedGivesAnUntitledSheet)
{
    const QString folder = home.path() + "/folder";
    const QString large = home.path() + "/large.txt";
    ASSERT_TRUE(QDir().mkpath(folder));
    WriteFile(large, std::string(2 * 1024 * 1024, '1'));
    for (const QString& logFile : {folder, large}) {
        SCOPED_TRACE(logFile.toStdString());
        WriteFile(home.path() + "/config/Halsk/Brunovelt.conf",
                  "[System]\nLog=1\nLogFile=" + logFile.toStdString() + "\n");
        boxes.Clear();
        ASSERT_TRUE(Start());
        EXPECT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(app->MainFrame().windowTitle(), QString::fromUtf8("無題 - Brunovelt"));
        EXPECT_TRUE(app->MainFrame().isVisible());
        EXPECT_TRUE(Exit());
    }
}

// Where no recovery copy can be kept (a file stands where the state folder should be), the user
// is told once and the log is saved at each answer instead.
TEST_F(AppTest, WithoutACopyTheLogIsSavedAtEachAnswer)
{
    WriteFile(home.path() + "/state/Halsk", "not a folder");
    WriteFile(LogPath(), "\r\n");
    ASSERT_TRUE(Start());
    boxes.Clear();
    Type(QStringLiteral("6*7"));
    PressEnter();
    EXPECT_EQ(ReadFile(LogPath()), "\r\n6*7\r\n42\r\n");
    Type(QStringLiteral("2+2"));
    PressEnter();
    EXPECT_EQ(ReadFile(LogPath()), "\r\n6*7\r\n42\r\n2+2\r\n4\r\n");
    ASSERT_EQ(boxes.Count(), 1u); // once
    EXPECT_TRUE(boxes.Last().text.contains(QString::fromUtf8("復元用のコピー")));
    EXPECT_TRUE(Exit());
}

TEST_F(AppTest, WithoutAutoSaveAnUntitledSheetOpens)
{
    WriteFile(home.path() + "/config/Halsk/Brunovelt.conf", "[System]\nLog=0\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(app->MainFrame().windowTitle(), QString::fromUtf8("無題 - Brunovelt"));
    EXPECT_EQ(Sheet().GetText(), "");
    EXPECT_TRUE(app->MainFrame().RecentFileActions().empty());
    EXPECT_FALSE(app->MainFrame().RecentPlaceholder()->isEnabled()); // greyed while empty
    EXPECT_TRUE(Exit()); // nothing typed: no question, no dialog
}

TEST_F(AppTest, AnOrdinarySheetOver32000BytesIsNotSaved)
{
    boxes.Clear();
    const QString sheet = home.path() + "/sheet.txt";
    WriteFile(sheet, "1");
    ASSERT_TRUE(Start({sheet}));
    Sheet().SetSelection(1, 1);
    Sheet().ReplaceSelection(std::string(32000, '2'));
    app->OnCommand(ID_FILE_SAVE);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, QString::fromUtf8("32KBを越えては保存できません。"));
    EXPECT_EQ(ReadFile(sheet), "1");
    EXPECT_TRUE(app->Document().IsModified());

    Sheet().SetSelection(0, 1);
    Sheet().ReplaceSelection(""); // exactly 32000 bytes
    app->OnCommand(ID_FILE_SAVE);
    EXPECT_EQ(ReadFile(sheet), std::string(32000, '2'));
    EXPECT_FALSE(app->Document().IsModified());
}

TEST_F(AppTest, TheLogOver32000BytesKeepsItsLast32000)
{
    const std::string log = Record(3500);
    ASSERT_GT(log.size(), 40000u);
    WriteFile(LogPath(), log);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Exit());
    EXPECT_EQ(ReadFile(LogPath()), log.substr(log.size() - 32000));
    EXPECT_EQ(Sheet().GetText(), log); // the sheet keeps all of it
}

TEST(AppCommandLine, FlagsAndFiles)
{
    const struct
    {
        QStringList arguments;
        std::optional<QString> file;
    } cases[] = {
        {{}, std::nullopt},
        {{"-x", "/p"}, std::nullopt},
        {{"/p", "a.txt", "b.txt"}, QString("a.txt")},
        {{"/tmp/sheet.txt"}, QString("/tmp/sheet.txt")}, // an absolute path is a file
        {{"--", "-"}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CVornyApp::FileToOpen(c.arguments), c.file)
            << c.arguments.join(' ').toStdString();
}

TEST_F(AppTest, HelpRequestsWithoutTheHelpFile)
{
    boxes.Clear();
    ASSERT_TRUE(Start());
    app->WinHelp(0, HELP_CONTEXT); // context requests (F1) are dropped
    app->WinHelp(0, HELP_SETCONTENTS);
    EXPECT_EQ(boxes.Count(), 0u);
    if (QFileInfo::exists(app->HelpFilePath()))
        GTEST_SKIP() << "the help file is built beside the tests";
    app->MainFrame().RouteCommand(ID_HELP_FINDER);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, QString::fromUtf8("ヘルプファイルがありません：") +
                                     QDir::toNativeSeparators(app->HelpFilePath()));
}

TEST_F(AppTest, MenuBarToolbarAndStatusBar)
{
    ASSERT_TRUE(Start());
    CMainFrame& frame = app->MainFrame();
    QStringList titles;
    for (QAction* menu : frame.menuBar()->actions())
        titles << menu->text();
    EXPECT_EQ(titles, QStringList({QString::fromUtf8("ﾌｧｲﾙ(&F)"), QString::fromUtf8("編集(&E)"),
                                   QString::fromUtf8("表示(&V)"), QString::fromUtf8("ﾍﾙﾌﾟ(&H)")}));
    EXPECT_EQ(frame.Action(ID_FILE_NEW)->shortcut().toString(), QStringLiteral("Ctrl+N"));
    EXPECT_EQ(frame.Action(ID_EDIT_UNDO)->shortcuts().size(), 2);
    EXPECT_EQ(frame.Action(ID_FILE_SAVE)->statusTip(),
              QString::fromUtf8("作業中のﾌｧｲﾙを上書きして保存"));
    // The log opened at start-up is the first recent file.
    ASSERT_EQ(frame.RecentFileActions().size(), 1);
    EXPECT_TRUE(
        frame.RecentFileActions().front()->text().endsWith(QString::fromUtf8("計算Log.txt")));
    EXPECT_FALSE(frame.RecentPlaceholder()->isVisible());

    QStringList tips;
    for (QAction* action : frame.ToolBar()->actions())
        if (!action->isSeparator())
            tips << action->toolTip();
    EXPECT_EQ(tips, QStringList({QString::fromUtf8("新規ﾌｧｲﾙ"), QString::fromUtf8("開く"),
                                 QString::fromUtf8("保存"), QString::fromUtf8("切り取り"),
                                 QString::fromUtf8("ｺﾋﾟｰ"), QString::fromUtf8("貼り付け"),
                                 QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ情報")}));
    EXPECT_EQ(frame.ReadyPane()->text(), QString::fromUtf8("ﾚﾃﾞｨ"));

    frame.RouteCommand(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(frame.ToolBar()->isVisible());
    EXPECT_FALSE(frame.Action(ID_VIEW_TOOLBAR)->isChecked());
    frame.RouteCommand(ID_VIEW_TOOLBAR);
    EXPECT_TRUE(frame.ToolBar()->isVisible());
    EXPECT_TRUE(frame.Action(ID_VIEW_TOOLBAR)->isChecked());

    // A right click on either bar offers the two bar toggles of the 表示 menu, ticked while shown.
    frame.show();
    frame.RouteCommand(ID_VIEW_STATUS_BAR);
    for (QWidget* bar :
         {static_cast<QWidget*>(frame.ToolBar()), static_cast<QWidget*>(frame.menuBar())}) {
        const QPoint at = bar->mapTo(&frame, bar->rect().bottomRight() - QPoint(2, 2));
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, frame.mapToGlobal(at));
        QApplication::sendEvent(&frame, &click);
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        QStringList entries;
        for (QAction* action : popup->actions())
            entries << action->text() + (action->isChecked() ? QStringLiteral(" *") : QString());
        EXPECT_EQ(entries, QStringList({QString::fromUtf8("ﾂｰﾙ ﾊﾞｰ(&T) *"),
                                        QString::fromUtf8("ｽﾃｰﾀｽ ﾊﾞｰ(&S)")}));
        popup->close();
    }
    frame.RouteCommand(ID_VIEW_STATUS_BAR);
    EXPECT_EQ(frame.ToolBar()->windowTitle(), QString::fromUtf8("ﾂｰﾙ ﾊﾞｰ"));

    // The whole form is visible: the window fits it.
    EXPECT_EQ(app->View().size(), app->View().FormSize());
    EXPECT_TRUE(frame.rect().contains(app->View().geometry()));
    GrabWhenAsked(frame, QStringLiteral("main-window.png"));
}

// No two commands share a key: the menu's and the hidden accelerators, the keypad's shortcuts,
// the menu titles' Alt mnemonics and the keys the sheet itself uses for editing and moving.
TEST_F(AppTest, NoTwoShortcutsCollide)
{
    ASSERT_TRUE(Start());
    CMainFrame& frame = app->MainFrame();
    std::map<QString, QString> owners; // key sequence -> who takes it
    const auto claim = [&](const QKeySequence& keys, const QString& owner) {
        const QString text = keys.toString(QKeySequence::PortableText);
        const auto [at, fresh] = owners.emplace(text, owner);
        EXPECT_TRUE(fresh) << text.toStdString() << ": " << owner.toStdString() << " and "
                           << at->second.toStdString();
    };
    // The sheet's own keys, as the platform binds them for a plain-text edit.
    const QKeySequence::StandardKey sheetKeys[] = {
        QKeySequence::Undo,
        QKeySequence::Redo,
        QKeySequence::Cut,
        QKeySequence::Copy,
        QKeySequence::Paste,
        QKeySequence::SelectAll,
        QKeySequence::Delete,
        QKeySequence::Backspace,
        QKeySequence::DeleteStartOfWord,
        QKeySequence::DeleteEndOfWord,
        QKeySequence::DeleteEndOfLine,
        QKeySequence::DeleteCompleteLine,
        QKeySequence::MoveToNextChar,
        QKeySequence::MoveToPreviousChar,
        QKeySequence::MoveToNextWord,
        QKeySequence::MoveToPreviousWord,
        QKeySequence::MoveToNextLine,
        QKeySequence::MoveToPreviousLine,
        QKeySequence::MoveToNextPage,
        QKeySequence::MoveToPreviousPage,
        QKeySequence::MoveToStartOfLine,
        QKeySequence::MoveToEndOfLine,
        QKeySequence::MoveToStartOfBlock,
        QKeySequence::MoveToEndOfBlock,
        QKeySequence::MoveToStartOfDocument,
        QKeySequence::MoveToEndOfDocument,
        QKeySequence::SelectNextChar,
        QKeySequence::SelectPreviousChar,
        QKeySequence::SelectNextWord,
        QKeySequence::SelectPreviousWord,
        QKeySequence::SelectNextLine,
        QKeySequence::SelectPreviousLine,
        QKeySequence::SelectNextPage,
        QKeySequence::SelectPreviousPage,
        QKeySequence::SelectStartOfLine,
        QKeySequence::SelectEndOfLine,
        QKeySequence::SelectStartOfBlock,
        QKeySequence::SelectEndOfBlock,
        QKeySequence::SelectStartOfDocument,
        QKeySequence::SelectEndOfDocument,
        QKeySequence::InsertParagraphSeparator,
        QKeySequence::InsertLineSeparator,
    };
    for (const QKeySequence::StandardKey key : sheetKeys)
        for (const QKeySequence& keys : QKeySequence::keyBindings(key))
            if (owners.count(keys.toString(QKeySequence::PortableText)) == 0)
                claim(keys, QStringLiteral("the sheet"));
    // The edit menu's keys are the sheet's own edit keys, taken through the menu.
    const QAction* const editActions[] = {frame.Action(ID_EDIT_UNDO), frame.Action(ID_EDIT_CUT),
                                          frame.Action(ID_EDIT_COPY), frame.Action(ID_EDIT_PASTE)};
    for (const QAction* action : frame.findChildren<QAction*>()) {
        if (std::find(std::begin(editActions), std::end(editActions), action) !=
            std::end(editActions))
            continue;
        // A keypad key's action belongs to its button, which carries the caption.
        const QString owner = action->text().isEmpty()
                                  ? action->parent()->property("text").toString()
                                  : action->text();
        for (const QKeySequence& keys : action->shortcuts())
            claim(keys, owner);
    }
    for (QAction* menu : frame.menuBar()->actions()) {
        const QString title = menu->text();
        const qsizetype amp = title.indexOf(u'&');
        ASSERT_GE(amp, 0);
        claim(QKeySequence(QStringLiteral("Alt+") + title.at(amp + 1)), title);
    }
    // Every keypad shortcut is one of them, claimed once.
    for (const KeypadKey& key : KeypadKeys()) {
        if (!key.keys)
            continue;
        const QKeySequence keys(QString::fromLatin1(key.keys));
        EXPECT_EQ(owners.count(keys.toString(QKeySequence::PortableText)), 1u) << key.keys;
    }
}

// The status bar: "M" while the memory holds anything but 0, and the function the caret is in.
TEST_F(AppTest, StatusBarShowsTheMemoryAndTheFunctionAtTheCaret)
{
    ASSERT_TRUE(Start());
    CMainFrame& frame = app->MainFrame();
    EXPECT_TRUE(frame.MemoryPane()->isHidden());
    Type(QStringLiteral("7"));
    PressEnter();
    app->View().OnKeypad(ID_KEY_MS);
    EXPECT_FALSE(frame.MemoryPane()->isHidden());
    EXPECT_EQ(frame.MemoryPane()->text(), QStringLiteral("M"));
    EXPECT_EQ(frame.MemoryPane()->toolTip(), QStringLiteral("メモリー：7"));

    Type(QStringLiteral("ＲＯＵＮＤ（"));
    EXPECT_TRUE(frame.ReadyPane()->text().startsWith(QStringLiteral("ROUND(値,桁数) ")))
        << frame.ReadyPane()->text().toStdString();
    GrabWhenAsked(frame, QStringLiteral("main-window-hint.png"));
    Type(QStringLiteral("1,0)"));
    EXPECT_EQ(frame.ReadyPane()->text(), QStringLiteral("ﾚﾃﾞｨ"));

    // Ctrl+Shift+C copies the last answer and says so.
    QAction* copyAnswer = frame.Action(ID_EDIT_COPY_ANSWER);
    EXPECT_EQ(copyAnswer->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+C")));
    copyAnswer->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("7"));
    EXPECT_EQ(frame.statusBar()->currentMessage(), QStringLiteral("答え 7 をコピーしました"));
    app->View().OnKeypad(ID_KEY_MMINUS);
    EXPECT_TRUE(frame.MemoryPane()->isHidden());
}

// The window at work, as the software centre shows it (tools/make-screenshot.sh takes the picture
// under Xvfb): formulas typed in full width and half width, their answers, a template's caption.
TEST_F(AppTest, SoftwareCentreScreenshot)
{
    ASSERT_TRUE(Start());
    Type(QStringLiteral("１９８０×３"));
    PressEnter();
    Type(QStringLiteral("ROUND(5940/7,2)"));
    PressEnter();
    Type(QStringLiteral("IF(5+3>5,10,20)"));
    PressEnter();
    EXPECT_TRUE(Sheet().GetText().ends_with(Sjis("１９８０×３\r\n5940\r\nROUND(5940/7,2)\r\n"
                                                 "848.57\r\nIF(5+3>5,10,20)\r\n10\r\n")));
    GrabWhenAsked(app->MainFrame(), QStringLiteral("screenshot.png"));
}

TEST_F(AppTest, OpenedFilesGoOnTheRecentList)
{
    const QString sheet = home.path() + "/a.txt";
    WriteFile(sheet, "5");
    ASSERT_TRUE(Start());
    EXPECT_EQ(app->Document().OpenDocumentFile(sheet), CVornyDoc::EOpenResult::Opened);
    ASSERT_FALSE(app->MainFrame().RecentFileActions().empty());
    EXPECT_TRUE(app->MainFrame().RecentFileActions().front()->text().endsWith("a.txt"));
    // The desktop's list of recent files has it too.
    QFile desktopList(RecentlyUsedFile());
    ASSERT_TRUE(desktopList.open(QIODevice::ReadOnly));
    EXPECT_TRUE(desktopList.readAll().contains(QUrl::fromLocalFile(sheet).toEncoded()));
    EXPECT_FALSE(app->MainFrame().RecentPlaceholder()->isVisible());
    EXPECT_EQ(Sheet().GetText(), "5");
}

// A deep path with characters code page 932 lacks is listed, shortened in the menu and whole in
// the status bar.
TEST_F(AppTest, ADeepPathWithAnyCharactersIsARecentFile)
{
    const QString folder =
        home.path() + QString::fromUtf8("/José/문서/Unterlagen/Rechnungen/sheets");
    const QString sheet = folder + QString::fromUtf8("/計算.txt");
    WriteFile(sheet, "5");
    ASSERT_TRUE(Start());
    ASSERT_EQ(app->Document().OpenDocumentFile(sheet), CVornyDoc::EOpenResult::Opened);
    CMainFrame& frame = app->MainFrame();
    ASSERT_FALSE(frame.RecentFileActions().empty());
    QAction* entry = frame.RecentFileActions().front();
    EXPECT_TRUE(entry->text().startsWith(QStringLiteral("&1 /")));
    EXPECT_TRUE(entry->text().endsWith(QString::fromUtf8("/…/sheets/計算.txt")))
        << entry->text().toStdString();
    EXPECT_EQ(entry->statusTip(), sheet);
    QMenu* fileMenu = frame.menuBar()->actions().front()->menu();
    EXPECT_LT(fileMenu->sizeHint().width(), fileMenu->fontMetrics().horizontalAdvance(sheet));
    fileMenu->popup(frame.mapToGlobal(QPoint(0, 0)));
    GrabWhenAsked(*fileMenu, QStringLiteral("recent-files.png"));
    fileMenu->close();
}

// A help file that is there but damaged (the LZX version after "LZXC", the byte at 0x2235 in
// today's file, from 2 to 4, on which chmlib crashes) gives the message naming the file from
// both help commands, and nothing else happens: the crash stays in the reader's process.
TEST(MainFrameHelp, ADamagedHelpFileIsReported)
{
    SetHelpReaderProgram(QStringLiteral(BRUNOVELT_HELP_READER));
    QFile source(QStringLiteral(BRUNOVELT_HELP_FILE));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll();
    const qsizetype version = bytes.indexOf("LZXC") + 4;
    ASSERT_EQ(bytes.mid(version, 1), QByteArray("\x02"));
    bytes[version] = '\x04';
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QUARN.chm"));
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(bytes);
    damaged.close();

    CMemorySettingsStore store;
    CTestDesktop boxes;
    CMainFrame frame(
        store, boxes, [] { return QString(); }, path);
    frame.WinHelp(0, HELP_FINDER);
    frame.RouteCommand(ID_HELP_KEYWORD);
    ASSERT_EQ(boxes.Count(), 2u);
    for (const MessageBoxRequest& box : boxes.Requests())
        EXPECT_EQ(box.text, QString::fromUtf8("ヘルプファイルを読めません：") +
                                QDir::toNativeSeparators(path));
    EXPECT_EQ(HelpWindowInstance(), nullptr);
}

// キーワードで検索 opens the help window without an owner, and it still shows the program's icon.
TEST(MainFrameHelp, TheKeywordWindowShowsTheProgramIcon)
{
    SetHelpReaderProgram(QStringLiteral(BRUNOVELT_HELP_READER));
    CMemorySettingsStore store;
    CTestDesktop desktop;
    CMainFrame frame(
        store, desktop, [] { return QString(); }, QStringLiteral(BRUNOVELT_HELP_FILE));
    frame.RouteCommand(ID_HELP_KEYWORD);
    QWidget* window = HelpWindowInstance();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->parentWidget(), nullptr);
    const QImage expected = AppIcon().pixmap(32).toImage();
    EXPECT_FALSE(expected.isNull());
    EXPECT_EQ(window->windowIcon().pixmap(32).toImage(), expected);
    CloseHelpWindow();
}

} // namespace
