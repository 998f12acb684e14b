#include "GrabWhenAsked.h"
#include "HelpBrowser.h"
#include "HelpContentsPane.h"
#include "HelpReader.h"
#include "HelpTreeItems.h"
#include "HelpUrl.h"
#include "HelpWindow.h"
#include "ShowHelpFile.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

const QString kHelpFile = QStringLiteral(BRUNOVELT_HELP_FILE);

// Receives what the help window hands to the desktop.
class CUrlRecorder : public QObject
{
    Q_OBJECT

public:
    std::vector<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls.push_back(url); }
};

CHelpWindow* Window()
{
    return qobject_cast<CHelpWindow*>(HelpWindowInstance());
}

template <typename T> T* Child(const char* name)
{
    CHelpWindow* window = Window();
    return window != nullptr ? window->findChild<T*>(QLatin1String(name)) : nullptr;
}

CHelpBrowser* Browser()
{
    return Child<CHelpBrowser>("helpBrowser");
}

std::string ShownPath()
{
    return ArchivePathOfUrl(Browser()->source());
}

void Settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

void Grab(const char* name)
{
    Settle();
    GrabWhenAsked(*HelpWindowInstance(), QStringLiteral("help-%1.png").arg(QLatin1String(name)));
}

// The top-level keywords the list shows.
std::set<QString> VisibleKeywords()
{
    std::set<QString> keywords;
    const QTreeWidget* list = Child<QTreeWidget>("keywordList");
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (!list->topLevelItem(i)->isHidden())
            keywords.insert(list->topLevelItem(i)->text(0));
    }
    return keywords;
}

// Types `text` as the user would: ASCII key by key, anything else as an input method commits it.
void Type(QWidget* widget, const QString& text)
{
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
        QTest::keyClicks(widget, text);
        return;
    }
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(widget, &commit);
}

// Clicks the first link to `href` on the page shown, where it stands on the screen.
bool ClickLink(const QString& href)
{
    CHelpBrowser* browser = Browser();
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().anchorHref() != href || fragment.length() < 2)
                continue;
            QTextCursor cursor(browser->document());
            cursor.setPosition(fragment.position() + 1);
            browser->setTextCursor(cursor);
            browser->ensureCursorVisible();
            Settle();
            const QRect caret = browser->cursorRect(cursor);
            const QPoint point(caret.left() + 2, caret.center().y());
            if (browser->anchorAt(point) != href)
                return false;
            QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, point);
            Settle();
            return true;
        }
    }
    return false;
}

class HelpWindow : public ::testing::Test
{
protected:
    void SetUp() override { SetHelpReaderProgram(QStringLiteral(BRUNOVELT_HELP_READER)); }
    void TearDown() override
    {
        CloseHelpWindow();
        EXPECT_EQ(HelpWindowInstance(), nullptr);
    }

    QString CorruptCopy(const QString& name, qsizetype keep, bool zeroTheMiddle = false)
    {
        QFile source(kHelpFile);
        EXPECT_TRUE(source.open(QIODevice::ReadOnly));
        QByteArray bytes = source.readAll().left(keep);
        if (zeroTheMiddle)
            bytes.replace(bytes.size() / 3, bytes.size() / 3, QByteArray(bytes.size() / 3, '\0'));
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QTemporaryDir m_dir;
};

// ---------------------------------------------------------------------------------------------
// Opening at the first page and at the keyword index.

TEST_F(HelpWindow, OpensAtTheFirstPageWithItsStyleAndImage)
{
    ASSERT_TRUE(ShowHelpFile(kHelpFile, EHelpPage::DefaultTopic, nullptr));
    CHelpWindow* window = Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Brunovelt ヘルプ"));
    EXPECT_EQ(ShownPath(), "/index.html");
    EXPECT_TRUE(Browser()->toPlainText().contains(QStringLiteral("はじめての計算")));

    auto* tabs = Child<QTabWidget>("helpTabs");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("目次"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("キーワード"));
    EXPECT_EQ(tabs->currentIndex(), 0);
    // The contents follow the page shown.
    auto* contents = Child<CHelpContentsPane>("helpContents");
    ASSERT_NE(contents->currentItem(), nullptr);
    EXPECT_EQ(contents->currentItem()->text(0), QStringLiteral("Brunovelt ヘルプ"));

    // The style sheet came from the archive: the heading has its colour.
    const QTextBlock heading = Browser()->document()->begin();
    EXPECT_EQ(heading.text(), QStringLiteral("Brunovelt ヘルプ"));
    EXPECT_EQ(heading.charFormat().foreground().color(), QColor(0x1f, 0x4e, 0x8c));
    // So did the image, laid out no smaller than it is, so that its captions can be read.
    bool image = false;
    for (QTextBlock block = Browser()->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextImageFormat format = it.fragment().charFormat().toImageFormat();
            if (!format.isValid())
                continue;
            const QVariant data =
                Browser()->document()->resource(QTextDocument::ImageResource, QUrl(format.name()));
            // The document keeps a loaded image as a pixmap.
            const QImage loaded = data.typeId() == QMetaType::QPixmap
                                      ? data.value<QPixmap>().toImage()
                                      : QImage::fromData(data.toByteArray());
            image = loaded.size() == QSize(288, 378);
            EXPECT_GE(format.width() > 0 ? format.width() : loaded.width(), loaded.width());
        }
    }
    EXPECT_TRUE(image);

    // The home button shows a house, not the style's home folder.
    const auto actions = Child<QToolBar>("helpToolBar")->actions();
    const auto home = std::find_if(actions.begin(), actions.end(), [](const QAction* action) {
        return action->text() == QStringLiteral("ホーム");
    });
    ASSERT_NE(home, actions.end());
    EXPECT_NE((*home)->icon().pixmap(16).toImage(),
              QApplication::style()->standardIcon(QStyle::SP_DirHomeIcon).pixmap(16).toImage());
    Grab("default");
}

TEST_F(HelpWindow, OpensAtTheKeywordIndexWithItsFilterFocused)
{
    ASSERT_TRUE(ShowHelpFile(kHelpFile, EHelpPage::Index, nullptr));
    CHelpWindow* window = Window();
    auto* tabs = Child<QTabWidget>("helpTabs");
    auto* filter = Child<QLineEdit>("keywordFilter");
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(tabs->currentWidget(), Child<QWidget>("helpIndex"));
    EXPECT_EQ(window->focusWidget(), filter);
    EXPECT_EQ(ShownPath(), "/index.html");
    EXPECT_GE(VisibleKeywords().size(), 100u);
    Grab("index");

    // Asking again brings the same window forward, now at the contents.
    ASSERT_TRUE(ShowHelpFile(kHelpFile, EHelpPage::DefaultTopic, nullptr));
    EXPECT_EQ(HelpWindowInstance(), window);
    EXPECT_EQ(tabs->currentIndex(), 0);
}

// The keyboard: focus starts at the contents on the shown page's entry, one Tab reaches the page
// and F6 goes back and forth; Escape and Ctrl+W close the window.
TEST_F(HelpWindow, KeyboardStartsAtTheContentsAndClosesTheWindow)
{
    for (const QKeyCombination closeKey :
         {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::ControlModifier, Qt::Key_W)}) {
        ASSERT_TRUE(ShowHelpFile(kHelpFile, EHelpPage::DefaultTopic, nullptr));
        CHelpWindow* window = Window();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        auto* contents = Child<CHelpContentsPane>("helpContents");
        EXPECT_EQ(QApplication::focusWidget(), contents);
        // Every pane a reader reaches by the keyboard has a name a screen reader reads.
        for (QWidget* pane : {static_cast<QWidget*>(contents), static_cast<QWidget*>(Browser()),
                              Child<QWidget>("keywordFilter"), Child<QWidget>("keywordList")}) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(pane);
            ASSERT_NE(accessible, nullptr);
            EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
                << pane->objectName().toStdString();
        }
        ASSERT_NE(contents->currentItem(), nullptr);
        EXPECT_EQ(contents->currentItem()->text(0), QStringLiteral("Brunovelt ヘルプ"));

        QTest::keyClick(contents, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), Browser());
        QTest::keyClick(Browser(), Qt::Key_F6);
        EXPECT_EQ(QApplication::focusWidget(), contents);
        QTest::keyClick(contents, Qt::Key_F6);
        EXPECT_EQ(QApplication::focusWidget(), Browser());

        QTest::keyClick(Browser(), closeKey.key(), closeKey.keyboardModifiers());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(HelpWindowInstance(), nullptr) << closeKey.toCombined();
        CloseHelpWindow();
    }
}

// ---------------------------------------------------------------------------------------------
// The keyword filter: what is typed in any width, case or kana keeps the keywords that contain
// it; Enter shows the selected one.

TEST_F(HelpWindow, FiltersKeywordsAndShowsTheChosenOne)
{
    ASSERT_TRUE(ShowHelpFile(kHelpFile, EHelpPage::Index, nullptr));
    auto* filter = Child<QLineEdit>("keywordFilter");
    auto* list = Child<QTreeWidget>("keywordList");
    const std::set<QString> rounding = {QStringLiteral("ROUND"), QStringLiteral("ROUNDDOWN"),
                                        QStringLiteral("ROUNDUP")};

    for (const QString& typed :
         {QStringLiteral("round"), QStringLiteral("ＲＯＵＮＤ"), QStringLiteral("Round")}) {
        filter->clear();
        Type(filter, typed);
        EXPECT_EQ(VisibleKeywords(), rounding) << typed.toStdString();
        ASSERT_NE(list->currentItem(), nullptr);
        EXPECT_EQ(list->currentItem()->text(0), QStringLiteral("ROUND"));
    }
    QTest::keyClick(filter, Qt::Key_Down); // the arrow keys move through the list
    EXPECT_EQ(list->currentItem()->text(0), QStringLiteral("ROUNDDOWN"));
    QTest::keyClick(filter, Qt::Key_Return);
    EXPECT_EQ(ShownPath(), "/functions.html");
    EXPECT_EQ(Browser()->source().fragment(), QStringLiteral("ROUNDDOWN"));
    Grab("functions");

    // Kana of either kind and width; a keyword that begins with the text goes before one that
    // only contains it.
    for (const QString& typed : {QStringLiteral("めもり"), QStringLiteral("ﾒﾓﾘ")}) {
        filter->clear();
        Type(filter, typed);
        EXPECT_TRUE(VisibleKeywords().contains(QStringLiteral("メモリー"))) << typed.toStdString();
        EXPECT_EQ(list->currentItem()->text(0), QStringLiteral("メモリー"));
    }
    filter->setText(QStringLiteral("保存"));
    EXPECT_TRUE(VisibleKeywords().contains(QStringLiteral("自動保存")));
    EXPECT_EQ(list->currentItem()->text(0), QStringLiteral("保存"));

    filter->setText(QStringLiteral("no such keyword"));
    EXPECT_TRUE(VisibleKeywords().empty());
    EXPECT_EQ(list->currentItem(), nullptr);
    EXPECT_FALSE(Child<QPushButton>("showKeyword")->isEnabled());
    QTest::keyClick(filter, Qt::Key_Return); // nothing to show
    EXPECT_EQ(Browser()->source().fragment(), QStringLiteral("ROUNDDOWN"));
}

TEST_F(HelpWindow, AKeywordOnSeveralPagesListsThem)
{
    ASSERT_TRUE(ShowHelpFile(kHelpFile, EHelpPage::Index, nullptr));
    auto* list = Child<QTreeWidget>("keywordList");
    Child<QLineEdit>("keywordFilter")->setText(QStringLiteral("自動保存"));
    QTreeWidgetItem* keyword = list->currentItem();
    ASSERT_NE(keyword, nullptr);
    ASSERT_EQ(keyword->text(0), QStringLiteral("自動保存"));
    ASSERT_EQ(keyword->childCount(), 2);
    EXPECT_EQ(keyword->child(0)->text(0), QStringLiteral("ファイルと計算結果の自動保存"));
    EXPECT_EQ(keyword->child(1)->text(0), QStringLiteral("設定ダイアログ"));

    Child<QPushButton>("showKeyword")->click(); // the keyword itself shows its first page
    EXPECT_EQ(ShownPath(), "/logfile.html");
    list->setCurrentItem(keyword->child(1));
    Child<QPushButton>("showKeyword")->click();
    EXPECT_EQ(ShownPath(), "/options.html");
}

// ---------------------------------------------------------------------------------------------
// Links.

TEST_F(HelpWindow, ClickingALinkNavigatesAndBackReturns)
{
    ASSERT_TRUE(ShowHelpFile(kHelpFile, EHelpPage::DefaultTopic, nullptr));
    ASSERT_TRUE(ClickLink(QStringLiteral("sheet.html")));
    EXPECT_EQ(ShownPath(), "/sheet.html");
    EXPECT_TRUE(Browser()->toPlainText().contains(QStringLiteral("計算式に異常があります")));
    EXPECT_EQ(Child<CHelpContentsPane>("helpContents")->currentItem()->text(0),
              QStringLiteral("計算画面の使い方"));

    // A link to another page's anchor, then to an anchor on the same page.
    ASSERT_TRUE(ClickLink(QStringLiteral("display.html#comma")));
    EXPECT_EQ(ShownPath(), "/display.html");
    EXPECT_EQ(Browser()->source().fragment(), QStringLiteral("comma"));

    auto* toolBar = Child<QToolBar>("helpToolBar");
    ASSERT_NE(toolBar, nullptr);
    QAction* back = toolBar->actions().at(0);
    QAction* home = toolBar->actions().at(2);
    EXPECT_TRUE(back->isEnabled());
    back->trigger();
    EXPECT_EQ(ShownPath(), "/sheet.html");
    home->trigger();
    EXPECT_EQ(ShownPath(), "/index.html");

    ASSERT_TRUE(ClickLink(QStringLiteral("functions.html")));
    ASSERT_TRUE(ClickLink(QStringLiteral("#ROUND")));
    EXPECT_EQ(ShownPath(), "/functions.html");
    EXPECT_EQ(Browser()->source().fragment(), QStringLiteral("ROUND"));
    EXPECT_GT(Browser()->verticalScrollBar()->value(), 0);
}

TEST_F(HelpWindow, ContentsEntriesShowTheirPages)
{
    ASSERT_TRUE(ShowHelpFile(kHelpFile, EHelpPage::DefaultTopic, nullptr));
    auto* contents = Child<CHelpContentsPane>("helpContents");
    const auto items = contents->findItems(QStringLiteral("キーパッド"), Qt::MatchRecursive);
    ASSERT_EQ(items.size(), 1);
    const QRect rect = contents->visualItemRect(items.front());
    QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(ShownPath(), "/keypad.html");
    Grab("keypad");
}

// Web and mail links go to the desktop; links to nothing leave the page as it is.
TEST_F(HelpWindow, WebLinksOpenOnTheDesktop)
{
    CUrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "Open");

    CHelpBrowser browser;
    browser.resize(400, 200);
    browser.show();
    browser.setHtml(QStringLiteral("<p><a href=\"https://example.org/soft/quarn/\">web</a></p>"
                                   "<p><a href=\"mailto:a@example.org\">mail</a></p>"
                                   "<p><a href=\"missing.html\">missing</a></p>"));
    for (const QString& href :
         {QStringLiteral("https://example.org/soft/quarn/"), QStringLiteral("mailto:a@example.org"),
          QStringLiteral("missing.html")}) {
        emit browser.anchorClicked(QUrl(href));
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    ASSERT_EQ(recorder.urls.size(), 2u);
    EXPECT_EQ(recorder.urls[0], QUrl(QStringLiteral("https://example.org/soft/quarn/")));
    EXPECT_EQ(recorder.urls[1], QUrl(QStringLiteral("mailto:a@example.org")));
    EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("missing")));
    // Nothing from the disk either.
    EXPECT_FALSE(
        browser
            .loadResource(QTextDocument::HtmlResource, QUrl(QStringLiteral("file:///etc/hostname")))
            .isValid());
}

// ---------------------------------------------------------------------------------------------
// Owners, and files that cannot be read.

TEST_F(HelpWindow, BelongsToItsOwner)
{
    auto* owner = new QWidget;
    owner->show();
    ASSERT_TRUE(ShowHelpFile(kHelpFile, EHelpPage::DefaultTopic, owner));
    CHelpWindow* window = Window();
    EXPECT_EQ(window->parentWidget(), owner);
    EXPECT_TRUE(window->isWindow());
    EXPECT_FALSE(window->testAttribute(Qt::WA_QuitOnClose));
    delete owner; // the window goes with it
    EXPECT_EQ(HelpWindowInstance(), nullptr);

    // Closed by the user, it goes; the next request makes a new one.
    ASSERT_TRUE(ShowHelpFile(kHelpFile, EHelpPage::DefaultTopic, nullptr));
    HelpWindowInstance()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(HelpWindowInstance(), nullptr);
}

TEST_F(HelpWindow, FilesThatCannotBeReadShowNothing)
{
    ASSERT_TRUE(m_dir.isValid());
    QFile noise(m_dir.filePath(QStringLiteral("noise.chm")));
    ASSERT_TRUE(noise.open(QIODevice::WriteOnly));
    for (int i = 0; i < 4096; ++i)
        noise.putChar(static_cast<char>((i * 7919) & 0xFF));
    noise.close();
    QFile header(m_dir.filePath(QStringLiteral("header.chm")));
    ASSERT_TRUE(header.open(QIODevice::WriteOnly));
    header.write(QByteArray("ITSF\x03\x00\x00\x00", 8) + QByteArray(200, '\xFF'));
    header.close();
    const qsizetype size = QFile(kHelpFile).size();

    const QString unreadable[] = {
        m_dir.filePath(QStringLiteral("missing.chm")),
        m_dir.path(), // a folder
        QStringLiteral(""),
        noise.fileName(),
        header.fileName(),
        CorruptCopy(QStringLiteral("empty.chm"), 0),
        CorruptCopy(QStringLiteral("16.chm"), 16),
        CorruptCopy(QStringLiteral("1000.chm"), 1000),
        CorruptCopy(QStringLiteral("half.chm"), size / 2),
        CorruptCopy(QStringLiteral("short.chm"), size - 4096),
    };
    for (const QString& path : unreadable) {
        EXPECT_FALSE(ShowHelpFile(path, EHelpPage::DefaultTopic, nullptr)) << path.toStdString();
        EXPECT_FALSE(ShowHelpFile(path, EHelpPage::Index, nullptr)) << path.toStdString();
        EXPECT_EQ(HelpWindowInstance(), nullptr) << path.toStdString();
    }

    // Damaged content, headers intact: whatever the archive still gives, nothing crashes.
    const QString zeroed = CorruptCopy(QStringLiteral("zeroed.chm"), size, true);
    if (ShowHelpFile(zeroed, EHelpPage::Index, nullptr))
        CloseHelpWindow();

    // A window already open keeps its file.
    ASSERT_TRUE(ShowHelpFile(kHelpFile, EHelpPage::DefaultTopic, nullptr));
    EXPECT_FALSE(ShowHelpFile(noise.fileName(), EHelpPage::DefaultTopic, nullptr));
    ASSERT_NE(HelpWindowInstance(), nullptr);
    EXPECT_EQ(Window()->FilePath(), kHelpFile);
    EXPECT_EQ(ShownPath(), "/index.html");
}

// The file of a help project in `dir` whose pages are `pages` (name and text), the first one the
// first page; empty when chmcmd failed.
QString CompileHelp(const QTemporaryDir& dir,
                    const std::vector<std::pair<QString, QByteArray>>& pages)
{
    QByteArray project =
        "[OPTIONS]\nCompiled file=test.chm\nDefault topic=" + pages.front().first.toUtf8() +
        "\n[FILES]\n";
    for (const auto& [name, text] : pages) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return {};
        project += name.toUtf8() + '\n';
    }
    QFile hhp(dir.filePath(QStringLiteral("test.hhp")));
    if (!hhp.open(QIODevice::WriteOnly) || hhp.write(project) != project.size())
        return {};
    hhp.close();
    QProcess chmcmd;
    chmcmd.setWorkingDirectory(dir.path());
    chmcmd.start(QStringLiteral(BRUNOVELT_CHMCMD), {QStringLiteral("test.hhp")});
    if (!chmcmd.waitForFinished(60000) || !QFile::exists(dir.filePath(QStringLiteral("test.chm"))))
        return {};
    return dir.filePath(QStringLiteral("test.chm"));
}

// A small help file whose first page, or another page, nests 10,000 tables: Qt's layout would
// take for ever and overrun the stack. The file is refused as a whole, before any page is laid
// out, and a window already open keeps its file.
TEST_F(HelpWindow, APageNestedTooDeeplyIsRefused)
{
    const QByteArray plain = "<html><body><p>plain</p></body></html>";
    const QByteArray deep =
        "<html><body>" + QByteArray("<table><tr><td>").repeated(10000) + "x</body></html>";
    for (const bool first : {true, false}) {
        QTemporaryDir dir;
        const QString chm = CompileHelp(
            dir,
            first
                ? std::vector<std::pair<QString, QByteArray>>{{QStringLiteral("index.html"), deep}}
                : std::vector<std::pair<QString, QByteArray>>{{QStringLiteral("index.html"), plain},
                                                              {QStringLiteral("deep.html"), deep}});
        ASSERT_FALSE(chm.isEmpty());
        ASSERT_TRUE(ReadHelpFile(chm).has_value()); // the reader hands it over
        EXPECT_FALSE(ShowHelpFile(chm, EHelpPage::DefaultTopic, nullptr)) << first;
        EXPECT_EQ(HelpWindowInstance(), nullptr);

        ASSERT_TRUE(ShowHelpFile(kHelpFile, EHelpPage::DefaultTopic, nullptr));
        EXPECT_FALSE(ShowHelpFile(chm, EHelpPage::DefaultTopic, nullptr));
        EXPECT_EQ(Window()->FilePath(), kHelpFile);
        EXPECT_EQ(ShownPath(), "/index.html");
        CloseHelpWindow();
    }
}

// A reader that takes its time (a help file on a stalled drive) leaves the event loop running,
// under a wait cursor: timers fire, and a second request meanwhile is answered at once.
TEST_F(HelpWindow, TheEventLoopRunsWhileTheReaderWorks)
{
    ASSERT_TRUE(m_dir.isValid());
    const QString reader = m_dir.filePath(QStringLiteral("slow-reader"));
    QFile script(reader);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nsleep 1\nexit 1\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    SetHelpReaderProgram(reader);

    int ticks = 0;
    bool waitCursor = false;
    std::optional<bool> second;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        waitCursor = QApplication::overrideCursor() != nullptr &&
                     QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        if (!second)
            second = ShowHelpFile(kHelpFile, EHelpPage::Index, nullptr);
    });
    timer.start(50);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(ShowHelpFile(kHelpFile, EHelpPage::DefaultTopic, nullptr));
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_GE(ticks, 5);
    EXPECT_TRUE(waitCursor);
    EXPECT_EQ(second, true);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(HelpWindowInstance(), nullptr);
}

// A contents file nested 200,000 deep: the tree stops nesting at its depth limit, and the
// entries below it stand there in order.
TEST(HelpContents, ShowsDeepNestingFlattenedBelowTheLimit)
{
    constexpr int kDepth = 200000;
    std::vector<HelpSitemapEntry> entries(kDepth);
    for (int i = 0; i < kDepth; ++i) {
        entries[static_cast<std::size_t>(i)].name = QString::number(i);
        entries[static_cast<std::size_t>(i)].level = i;
    }
    auto pane = std::make_unique<CHelpContentsPane>();
    pane->SetContents(entries, HelpUrlForPath("/QUARN.hhc"));
    ASSERT_EQ(pane->topLevelItemCount(), 1);
    QTreeWidgetItem* item = pane->topLevelItem(0);
    for (qsizetype depth = 0; depth + 2 < kMaxHelpTreeDepth; ++depth) {
        ASSERT_EQ(item->childCount(), 1) << depth;
        item = item->child(0);
    }
    // The last level holds every entry from its own on.
    ASSERT_EQ(item->childCount(), kDepth - kMaxHelpTreeDepth + 1);
    // child() gives null past the end; checked, so that GCC sees no null dereference.
    const QTreeWidgetItem* first = item->child(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text(0), QString::number(kMaxHelpTreeDepth - 1));
    EXPECT_EQ(first->childCount(), 0);
    EXPECT_EQ(item->child(item->childCount() - 1)->text(0), QString::number(kDepth - 1));
    pane.reset(); // and it goes
}

} // namespace

#include "HelpWindowTest.moc"
