#include "HelpWindow.h"

#include "DialogUnits.h"
#include "HelpBrowser.h"
#include "HelpContentsPane.h"
#include "HelpHomeIcon.h"
#include "HelpArchive.h"
#include "HelpIndexPane.h"
#include "HelpPageCheck.h"
#include "HelpSitemap.h"
#include "HelpUrl.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int kWidth = 880;
constexpr int kHeight = 640;
constexpr int kPaneWidth = 230;
constexpr qreal kPagePointSize = 10.5;

std::vector<HelpSitemapEntry> ReadSitemap(const CHelpArchive& archive, const std::string& path)
{
    const std::string* bytes = path.empty() ? nullptr : archive.Object(path);
    if (bytes == nullptr)
        return {};
    return ParseHelpSitemap(DecodeHelpText(QByteArray::fromStdString(*bytes)));
}

// Whether the object at `path` is a page: named .htm or .html in any case.
bool IsHelpPagePath(const std::string& path)
{
    const QString name = QString::fromStdString(path);
    return name.endsWith(QLatin1StringView(".htm"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1StringView(".html"), Qt::CaseInsensitive);
}

// Every page is checked before any is shown, so that a help file with one page that would hang or
// crash the layout is refused as a whole, with the message for an unreadable file.
bool HasOnlyShowablePages(const CHelpArchive& archive)
{
    for (const std::string& path : archive.Objects()) {
        if (!IsHelpPagePath(path))
            continue;
        const std::string* bytes = archive.Object(path);
        if (!IsShowableHelpPage(DecodeHelpText(QByteArray::fromStdString(*bytes))))
            return false;
    }
    return true;
}

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QLatin1String(name), QApplication::style()->standardIcon(fallback));
}

} // namespace

CHelpWindow::CHelpWindow(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Brunovelt ヘルプ"));
    setAttribute(Qt::WA_DeleteOnClose);
    // An open help window does not keep the program running once its main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(DialogFont());

    CreateActions();
    CreatePanes();

    QSize size(kWidth, kHeight);
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    resize(size);
}

CHelpWindow::~CHelpWindow() = default;

void CHelpWindow::CreateActions()
{
    m_back =
        new QAction(ThemeIcon("go-previous", QStyle::SP_ArrowBack), QStringLiteral("戻る"), this);
    m_back->setShortcut(QKeySequence::Back);
    m_back->setEnabled(false);
    m_forward =
        new QAction(ThemeIcon("go-next", QStyle::SP_ArrowForward), QStringLiteral("進む"), this);
    m_forward->setShortcut(QKeySequence::Forward);
    m_forward->setEnabled(false);
    m_home = new QAction(HelpHomeIcon(), QStringLiteral("ホーム"), this);
    m_home->setToolTip(QStringLiteral("最初のページ"));

    // The keys that close a window of this kind: Escape, and Ctrl+W (or the desktop's own).
    auto* close = new QAction(QStringLiteral("閉じる"), this);
    QList<QKeySequence> closeKeys = QKeySequence::keyBindings(QKeySequence::Close);
    closeKeys.append(QKeySequence(Qt::Key_Escape));
    close->setShortcuts(closeKeys);
    close->setShortcutContext(Qt::WindowShortcut);
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
    // F6 goes between the tab's pane and the page, as in a web browser, without the Tab key's
    // walk through every link of the page.
    auto* switchPane = new QAction(QStringLiteral("ペインの切り替え"), this);
    switchPane->setShortcut(QKeySequence(Qt::Key_F6));
    switchPane->setShortcutContext(Qt::WindowShortcut);
    connect(switchPane, &QAction::triggered, this, &CHelpWindow::SwitchPane);
    addAction(switchPane);
}

void CHelpWindow::SwitchPane()
{
    if (!m_browser->hasFocus())
        m_browser->setFocus(Qt::ShortcutFocusReason);
    else if (m_tabs->currentWidget() == m_index)
        m_index->FocusFilter();
    else
        m_contents->setFocus(Qt::ShortcutFocusReason);
}

void CHelpWindow::CreatePanes()
{
    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("helpToolBar"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar->addAction(m_back);
    toolBar->addAction(m_forward);
    toolBar->addAction(m_home);

    m_contents = new CHelpContentsPane;
    m_contents->setObjectName(QStringLiteral("helpContents"));
    m_contents->setAccessibleName(QStringLiteral("目次"));
    m_index = new CHelpIndexPane;
    m_index->setObjectName(QStringLiteral("helpIndex"));
    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("helpTabs"));
    m_tabs->addTab(m_contents, QStringLiteral("目次"));
    m_tabs->addTab(m_index, QStringLiteral("キーワード"));

    m_browser = new CHelpBrowser;
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setAccessibleName(QStringLiteral("ページ"));
    QFont pageFont = font();
    pageFont.setPointSizeF(kPagePointSize);
    m_browser->setFont(pageFont);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({kPaneWidth, kWidth - kPaneWidth});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(splitter, 1);
    // Tab goes from the contents to the page, Shift+Tab back.
    setTabOrder(m_contents, m_browser);

    connect(m_back, &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QAction::triggered, m_browser, &QTextBrowser::forward);
    connect(m_home, &QAction::triggered, this, &CHelpWindow::ShowDefaultTopic);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, m_contents, &CHelpContentsPane::SelectTopic);
    connect(m_contents, &CHelpContentsPane::TopicActivated, this, &CHelpWindow::ShowTopic);
    connect(m_index, &CHelpIndexPane::TopicActivated, this, &CHelpWindow::ShowTopic);
}

bool CHelpWindow::OpenArchive(const QString& chmPath, CHelpArchive archive)
{
    if (!archive.Contains(archive.DefaultTopic()) || !HasOnlyShowablePages(archive))
        return false;

    m_archive = std::make_shared<const CHelpArchive>(std::move(archive));
    m_filePath = chmPath;
    m_browser->SetArchive(m_archive);
    m_contents->SetContents(ReadSitemap(*m_archive, m_archive->ContentsFile()),
                            HelpUrlForPath(m_archive->ContentsFile()));
    m_index->SetIndex(ReadSitemap(*m_archive, m_archive->IndexFile()),
                      HelpUrlForPath(m_archive->IndexFile()));
    ShowDefaultTopic();
    return true;
}

void CHelpWindow::ShowContentsTab()
{
    m_tabs->setCurrentWidget(m_contents);
    ShowDefaultTopic();
    // A reader starts at the contents, on the first page's entry: arrows and Enter pick a topic,
    // Tab (or F6) goes to the page.
    m_contents->setFocus(Qt::OtherFocusReason);
}

void CHelpWindow::ShowIndexTab()
{
    m_tabs->setCurrentWidget(m_index);
    m_index->FocusFilter();
}

void CHelpWindow::ShowTopic(const QUrl& url)
{
    if (!m_browser->ShowTopic(url))
        QApplication::beep();
}

void CHelpWindow::ShowDefaultTopic()
{
    if (m_archive != nullptr)
        ShowTopic(HelpUrlForPath(m_archive->DefaultTopic()));
}
