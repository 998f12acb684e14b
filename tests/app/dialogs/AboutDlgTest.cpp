#include "DialogTestSupport.h"

#include "AboutDlg.h"
#include "BrunoveltVersion.h"
#include "Desktop.h"
#include "MemorySettingsStore.h"
#include "OptDlg.h"
#include "QuietMessages.h"
#include "StaticLink.h"
#include "TestDesktop.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

void Click(QWidget& widget, Qt::MouseButton button = Qt::LeftButton)
{
    const QPointF at(widget.width() / 2.0, widget.height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget.mapToGlobal(at), button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget.mapToGlobal(at), button,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &release);
}

// How many pixels of the picture of `widget` are exactly `colour`.
int PixelsOf(QWidget& widget, const QColor& colour)
{
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour ? 1 : 0;
    return count;
}

// ---------------------------------------------------------------------------------------------
// Clicking a link: the target opens, the text turns purple; a failure beeps and stays blue.

TEST(StaticLink, ASuccessfulOpenTurnsTheTextPurple)
{
    CTestDesktop desktop;
    CStaticLink link(desktop, QStringLiteral("https://example.jp/a"), nullptr);
    link.resize(200, 20);
    EXPECT_EQ(link.m_crText, QColor(0, 0, 255));
    EXPECT_GT(PixelsOf(link, QColor(0, 0, 255)), 0); // the default palette's link colour

    Click(link);
    ASSERT_EQ(desktop.openedUrls.size(), 1u);
    EXPECT_EQ(desktop.openedUrls[0], QUrl(QStringLiteral("https://example.jp/a")));
    EXPECT_EQ(link.m_crText, QColor(128, 0, 128));
    EXPECT_EQ(desktop.beeps, 0);
    const QColor visited = link.TextColour();
    EXPECT_NE(visited, QColor(0, 0, 255));
    EXPECT_GT(PixelsOf(link, visited), 0);
    EXPECT_EQ(PixelsOf(link, QColor(0, 0, 255)), 0);

    // The text became the target at the first click; a later text does not change it.
    link.setText(QStringLiteral("https://example.jp/b"));
    Click(link);
    EXPECT_EQ(desktop.openedUrls.back(), QUrl(QStringLiteral("https://example.jp/a")));
}

// The link colours come from the palette; where the palette's colour would hardly stand out from
// the background (a dark palette that keeps the default blue), a lighter one is drawn.
TEST(StaticLink, ColoursComeFromThePaletteAndStayReadable)
{
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const auto contrast = [&](const QColor& a, const QColor& b) {
        const double la = luminance(a), lb = luminance(b);
        return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
    };
    const QColor dark(45, 45, 48), light(230, 230, 230);
    const struct
    {
        QColor link;
        QColor visited;
        QColor drawn; // the unvisited colour drawn; invalid: any readable one
    } rows[] = {
        {QColor(29, 153, 243), QColor(155, 89, 182), QColor(29, 153, 243)}, // a dark theme's
        {QColor(0, 0, 255), QColor(255, 0, 255), QColor()},                 // left at the default
    };
    for (const auto& row : rows) {
        CTestDesktop desktop;
        CStaticLink link(desktop, QStringLiteral("https://example.jp/"), nullptr);
        QPalette palette = link.palette();
        palette.setColor(QPalette::Window, dark);
        palette.setColor(QPalette::WindowText, light);
        palette.setColor(QPalette::Link, row.link);
        palette.setColor(QPalette::LinkVisited, row.visited);
        link.setPalette(palette);
        link.resize(200, 20);
        const QColor unvisited = link.TextColour();
        if (row.drawn.isValid()) {
            EXPECT_EQ(unvisited, row.drawn);
        }
        EXPECT_GE(contrast(unvisited, dark), 4.5) << unvisited.name().toStdString();
        EXPECT_GT(PixelsOf(link, unvisited), 0);
        Click(link);
        EXPECT_GE(contrast(link.TextColour(), dark), 4.5);
        EXPECT_NE(link.TextColour(), unvisited);
    }
}

TEST(StaticLink, AFailedOpenBeepsAndStaysBlue)
{
    CTestDesktop desktop;
    desktop.opens = false;
    CStaticLink link(desktop, QStringLiteral("shown"), nullptr,
                     QStringLiteral("mailto:someone@example.jp"));
    link.resize(200, 20);
    Click(link);
    ASSERT_EQ(desktop.openedUrls.size(), 1u);
    EXPECT_EQ(desktop.openedUrls[0].scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(desktop.openedUrls[0].path(), QStringLiteral("someone@example.jp"));
    EXPECT_EQ(desktop.beeps, 1);
    EXPECT_EQ(link.m_crText, QColor(0, 0, 255));
    EXPECT_GT(PixelsOf(link, QColor(0, 0, 255)), 0);

    // Purple once a later open works, and it stays so.
    desktop.opens = true;
    Click(link);
    desktop.opens = false;
    Click(link);
    EXPECT_EQ(desktop.beeps, 2);
    EXPECT_EQ(link.m_crText, QColor(128, 0, 128));
}

TEST(StaticLink, NoTargetAndNoTextIgnoresClicks)
{
    CTestDesktop desktop;
    CStaticLink link(desktop);
    link.resize(100, 20);
    Click(link);
    EXPECT_TRUE(desktop.openedUrls.empty());
    EXPECT_EQ(desktop.beeps, 0);
    EXPECT_EQ(link.m_crText, QColor(0, 0, 255));
}

TEST(StaticLink, OnlyTheLeftButtonOpens)
{
    CTestDesktop desktop;
    CStaticLink link(desktop, QStringLiteral("https://example.jp/"), nullptr);
    link.resize(100, 20);
    Click(link, Qt::RightButton);
    Click(link, Qt::MiddleButton);
    EXPECT_TRUE(desktop.openedUrls.empty());
}

TEST(StaticLink, AFileTargetOpensAsAFile)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.path() + QStringLiteral("/読んでね.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    CTestDesktop desktop;
    CStaticLink link(desktop, nullptr, path);
    link.Activate();
    ASSERT_EQ(desktop.openedUrls.size(), 1u);
    EXPECT_TRUE(desktop.openedUrls[0].isLocalFile());
    EXPECT_EQ(desktop.openedUrls[0].toLocalFile(), path);
}

TEST(StaticLink, EveryLinkSharesThePointingHand)
{
    CTestDesktop desktop;
    CStaticLink first(desktop, QStringLiteral("a"), nullptr);
    CStaticLink second(desktop, QStringLiteral("b"), nullptr);
    EXPECT_EQ(first.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(second.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(&CStaticLink::LinkCursor(), &CStaticLink::LinkCursor());
}

TEST(StaticLink, TheUnderlineFontIsTakenAtTheFirstPaint)
{
    CTestDesktop desktop;
    CStaticLink link(desktop, QStringLiteral("link"), nullptr);
    link.resize(100, 30);
    QFont font = link.font();
    font.setPointSize(9);
    link.setFont(font);
    EXPECT_FALSE(link.UnderlineFont().has_value());
    link.grab();
    ASSERT_TRUE(link.UnderlineFont().has_value());
    EXPECT_TRUE(link.UnderlineFont()->underline());
    EXPECT_EQ(link.UnderlineFont()->pointSize(), 9);
    EXPECT_FALSE(link.font().underline()); // the label's own font is left alone

    font.setPointSize(14);
    link.setFont(font);
    link.grab();
    EXPECT_EQ(link.UnderlineFont()->pointSize(), 9);
}

TEST(StaticLink, APictureKeepsItsLookButStillOpens)
{
    CTestDesktop desktop;
    CStaticLink link(desktop, nullptr, QStringLiteral("https://example.jp/"));
    QPixmap picture(16, 16);
    picture.fill(Qt::green);
    link.setPixmap(picture);
    link.resize(16, 16);
    EXPECT_EQ(PixelsOf(link, QColor(Qt::green)), 16 * 16);
    EXPECT_FALSE(link.UnderlineFont().has_value());
    Click(link);
    EXPECT_EQ(desktop.openedUrls.size(), 1u);
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
}

// ---------------------------------------------------------------------------------------------
// The About box.

TEST(AboutBox, ShowsTheProductAndTheMaker)
{
    CTestDesktop desktop;
    CAboutDlg dialog(desktop);
    EXPECT_EQ(dialog.VersionLabel()->text(), QString::fromLatin1(kVersionText));
    EXPECT_FALSE(dialog.NoticeLabel()->text().isEmpty());
    EXPECT_FALSE(dialog.IconLabel()->pixmap().isNull());
    EXPECT_EQ(dialog.m_linkMail.text(), ContactMailAddress());
    EXPECT_EQ(dialog.m_linkHome.text(), HomePageAddress());
    EXPECT_TRUE(HomePageAddress().endsWith(QStringLiteral("/soft/quarn/")));
}

TEST(AboutBox, TheLinksOpenTheHomePageAndANewMail)
{
    CTestDesktop desktop;
    CAboutDlg dialog(desktop);
    Click(dialog.m_linkHome);
    Click(dialog.m_linkMail);
    ASSERT_EQ(desktop.openedUrls.size(), 2u);
    EXPECT_EQ(desktop.openedUrls[0], QUrl(HomePageAddress()));
    EXPECT_EQ(desktop.openedUrls[1], QUrl(QStringLiteral("mailto:") + ContactMailAddress()));
    EXPECT_EQ(dialog.m_linkHome.m_crText, QColor(128, 0, 128));
    EXPECT_EQ(dialog.m_linkMail.m_crText, QColor(128, 0, 128));

    // A box opened afresh shows both links unvisited.
    CAboutDlg again(desktop);
    EXPECT_EQ(again.m_linkHome.m_crText, QColor(0, 0, 255));
    EXPECT_EQ(again.m_linkMail.m_crText, QColor(0, 0, 255));
}

// Without the mouse: Tab from OK reaches the mail link and then the home page, each drawn with
// a focus frame, and Space or Enter opens the link in focus without closing the box.
TEST(AboutBox, TheLinksWorkFromTheKeyboard)
{
    CTestDesktop desktop;
    CAboutDlg dialog(desktop);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ASSERT_TRUE(dialog.OkButton()->hasFocus());
    const QImage unfocused = dialog.m_linkMail.grab().toImage();

    QTest::keyClick(&dialog, Qt::Key_Tab);
    ASSERT_TRUE(dialog.m_linkMail.hasFocus());
    EXPECT_NE(dialog.m_linkMail.grab().toImage(), unfocused); // the focus frame
    QTest::keyClick(&dialog.m_linkMail, Qt::Key_Space);
    QTest::keyClick(&dialog, Qt::Key_Tab);
    ASSERT_TRUE(dialog.m_linkHome.hasFocus());
    QTest::keyClick(&dialog.m_linkHome, Qt::Key_Return);
    ASSERT_EQ(desktop.openedUrls.size(), 2u);
    EXPECT_EQ(desktop.openedUrls[0], QUrl(QStringLiteral("mailto:") + ContactMailAddress()));
    EXPECT_EQ(desktop.openedUrls[1], QUrl(HomePageAddress()));
    EXPECT_TRUE(dialog.isVisible()); // Enter went to the link, not to OK
    QTest::keyClick(&dialog, Qt::Key_Tab);
    EXPECT_TRUE(dialog.OkButton()->hasFocus());
}

TEST(AboutBox, TheCommandShowsTheBoxModallyOverItsOwner)
{
    CTestDesktop desktop;
    QWidget owner;
    QWidget* parent = nullptr;
    bool modal = false;
    const CWhenModal<CAboutDlg> when([&](CAboutDlg& dialog) {
        parent = dialog.parentWidget();
        modal = dialog.isModal();
        dialog.OkButton()->click();
    });
    RunAboutCommand(desktop, &owner);
    EXPECT_EQ(parent, &owner);
    EXPECT_TRUE(modal);
}

// A link without a browser to open it beeps and writes nothing on stderr once the window mode
// has silenced Qt's messages; without that, Qt says why on stderr (which shows that this test
// reaches the case).
TEST(StaticLink, NoBrowserWritesNothingOnStandardError)
{
    if (QGuiApplication::platformName() == QStringLiteral("offscreen"))
        GTEST_SKIP() << "no desktop services offscreen: run on X (dialog_x11_tests)";
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    const QByteArray path = qgetenv("PATH");
    const QByteArray browser = qgetenv("BROWSER");
    qputenv("PATH", empty.path().toLocal8Bit()); // no xdg-open, no browser
    qunsetenv("BROWSER");
    const auto stderrOfAClick = [&] {
        CDesktop desktop;
        CStaticLink link(desktop, QStringLiteral("https://example.jp/"), nullptr);
        link.resize(200, 20);
        std::fflush(stderr);
        const int saved = ::dup(STDERR_FILENO);
        const QString file = empty.filePath(QStringLiteral("stderr"));
        const int captured =
            ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(captured, STDERR_FILENO);
        Click(link);
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        ::close(captured);
        EXPECT_EQ(link.m_crText, QColor(0, 0, 255)); // not opened
        QFile text(file);
        return text.open(QIODevice::ReadOnly) ? text.readAll() : QByteArray("unreadable");
    };
    EXPECT_TRUE(stderrOfAClick().contains("browser"));
    SilenceQtMessages();
    EXPECT_EQ(stderrOfAClick(), QByteArray());
    qInstallMessageHandler(nullptr);
    qputenv("PATH", path);
    if (!browser.isEmpty())
        qputenv("BROWSER", browser);
}

// Both boxes stand centred on their owner's frame, not above it (Qt's own placement guesses a
// frame 40 pixels high where it knows none). Run offscreen and on an X server of its own, where
// no window manager frames the windows.
TEST(DialogPlacement, BoxesAreCentredOnTheirOwnersFrame)
{
    CTestDesktop desktop;
    CMemorySettingsStore store;
    QWidget owner;
    owner.setGeometry(130, 90, 640, 452);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    const QRect ownerFrame = owner.frameGeometry();
    const auto expectCentred = [&](QDialog& dialog) {
        const QRect frame = dialog.frameGeometry();
        EXPECT_LE(std::abs(frame.left() - ownerFrame.left() - (ownerFrame.right() - frame.right())),
                  1);
        EXPECT_LE(std::abs(frame.top() - ownerFrame.top() - (ownerFrame.bottom() - frame.bottom())),
                  1);
        dialog.reject();
    };
    {
        const CWhenModal<CAboutDlg> when([&](CAboutDlg& dialog) {
            SCOPED_TRACE("About");
            expectCentred(dialog);
        });
        RunAboutCommand(desktop, &owner);
    }
    {
        const CWhenModal<COptDlg> when([&](COptDlg& dialog) {
            SCOPED_TRACE("options");
            expectCentred(dialog);
        });
        RunOptionsCommand(
            store, desktop, [] { return QString(); }, &owner);
    }
}

} // namespace
