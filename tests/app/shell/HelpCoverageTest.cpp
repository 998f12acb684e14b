// The help and the manual page against the program: every menu item, every key and every
// settings value the program has must be named there, so that the two cannot drift apart.
#include "Keypad.h"
#include "MainMenu.h"
#include "ShowHelpFile.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

#include <map>
#include <set>
#include <string>

namespace {

const QString kSourceDir = QStringLiteral(BRUNOVELT_SOURCE_DIR);

QString ReadText(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

// The text of a page as a reader sees it: without tags, entities decoded.
QString PageText(const QString& path)
{
    QString text = ReadText(path);
    text.replace(QRegularExpression(QStringLiteral("<[^>]*>")), QStringLiteral(" "));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

QString AllHelpText()
{
    QString text;
    QDirIterator pages(kSourceDir + QStringLiteral("/help/pages"), {QStringLiteral("*.html")});
    while (pages.hasNext())
        text += PageText(pages.next()) + u'\n';
    return text;
}

// A key as the help writes it: Qt's "Del" and "Ins" spelled out.
QString HelpKeyText(const QKeySequence& keys)
{
    QString text = keys.toString(QKeySequence::PortableText);
    text.replace(QRegularExpression(QStringLiteral("\\bDel$")), QStringLiteral("Delete"));
    text.replace(QRegularExpression(QStringLiteral("\\bIns$")), QStringLiteral("Insert"));
    return text;
}

// Whether `text` names `key` on its own, not as the start of a longer one (Ctrl+1 in Ctrl+10).
bool MentionsKey(const QString& text, const QString& key)
{
    const QRegularExpression pattern(QStringLiteral("(?<![A-Za-z0-9+])") +
                                     QRegularExpression::escape(key) +
                                     QStringLiteral("(?![A-Za-z0-9])"));
    return text.contains(pattern);
}

// A menu item's text as the help names it: without its mnemonic and its "...".
QString ItemName(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    text.remove(QStringLiteral("..."));
    return text.trimmed();
}

// Every key of the window: the menu's and the menu titles' Alt keys, the keypad's, and the help
// window's. The accelerators without a menu item do nothing and are left out.
std::set<QString> WindowKeys(std::map<QString, QString>& menuItems)
{
    QMainWindow window;
    const MainMenuActions menu = BuildMainMenu(window, [](int) {});
    std::set<QString> keys;
    for (QAction* title : window.menuBar()->actions()) {
        const qsizetype amp = title->text().indexOf(u'&');
        EXPECT_GE(amp, 0) << title->text().toStdString();
        keys.insert(QStringLiteral("Alt+") + title->text().at(amp + 1));
        menuItems[ItemName(title->text())] = title->text();
        for (QAction* item : title->menu()->actions()) {
            if (item->isSeparator())
                continue;
            menuItems[ItemName(item->text())] = item->text();
            for (const QKeySequence& shortcut : item->shortcuts())
                keys.insert(HelpKeyText(shortcut));
        }
    }
    for (const KeypadKey& key : KeypadKeys())
        if (key.keys)
            keys.insert(HelpKeyText(QKeySequence(QString::fromLatin1(key.keys))));
    SetHelpReaderProgram(QStringLiteral(BRUNOVELT_HELP_READER));
    EXPECT_TRUE(
        ShowHelpFile(QStringLiteral(BRUNOVELT_HELP_FILE), EHelpPage::DefaultTopic, nullptr));
    if (QWidget* help = HelpWindowInstance()) {
        for (QAction* action : help->actions())
            for (const QKeySequence& shortcut : action->shortcuts())
                keys.insert(HelpKeyText(shortcut));
    }
    CloseHelpWindow();
    return keys;
}

// The settings values the program reads or writes, from its sources: each call of the store with
// a literal section (or a constant of the file) and, where it is literal, the value's name.
std::map<QString, std::set<QString>> SettingsKeys()
{
    std::map<QString, std::set<QString>> sections;
    const QRegularExpression call(QStringLiteral(
        R"re((?:GetInt|GetString|WriteInt|WriteString)\(\s*("[^"]+"|k\w+)\s*,\s*("[^"]*")?)re"));
    const QRegularExpression value(
        QStringLiteral(R"re(\{\s*("[A-Z][A-Za-z ]*")\s*,\s*("[A-Za-z0-9]+")\s*,)re"));
    const QRegularExpression constant(
        QStringLiteral(R"re(constexpr\s+char\s+(k\w+)\[\]\s*=\s*"([^"]*)")re"));
    for (const char* folder : {"app", "sheet", "platform"}) {
        QDirIterator files(kSourceDir + u'/' + QLatin1String(folder), {QStringLiteral("*.cpp")},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString source = ReadText(files.next());
            std::map<QString, QString> constants;
            for (const QRegularExpressionMatch& match : constant.globalMatch(source))
                constants[match.captured(1)] = match.captured(2);
            const auto unquote = [&](const QString& token) {
                if (token.startsWith(u'"'))
                    return token.mid(1, token.size() - 2);
                const auto found = constants.find(token);
                return found == constants.end() ? QString() : found->second;
            };
            for (const QRegularExpression* pattern : {&call, &value}) {
                for (const QRegularExpressionMatch& match : pattern->globalMatch(source)) {
                    const QString section = unquote(match.captured(1));
                    if (section.isEmpty())
                        continue;
                    std::set<QString>& names = sections[section];
                    if (!match.captured(2).isEmpty())
                        names.insert(unquote(match.captured(2)));
                }
            }
        }
    }
    return sections;
}

TEST(HelpCoverage, TheHelpNamesEveryMenuItemAndKey)
{
    const QString help = AllHelpText();
    std::map<QString, QString> menuItems;
    const std::set<QString> keys = WindowKeys(menuItems);
    EXPECT_GE(keys.size(), 30u);
    for (const QString& key : keys)
        EXPECT_TRUE(MentionsKey(help, key))
            << "the help does not name the key " << key.toStdString();
    for (const auto& [name, text] : menuItems)
        EXPECT_TRUE(help.contains(name))
            << "the help does not name the menu item " << text.toStdString();
}

TEST(HelpCoverage, TheManualPageNamesEveryKey)
{
    QString manual = ReadText(kSourceDir + QStringLiteral("/res/brunovelt.1.in"));
    manual.remove(QStringLiteral("\"")).replace(QStringLiteral("\\-"), QStringLiteral("-"));
    std::map<QString, QString> menuItems;
    for (const QString& key : WindowKeys(menuItems))
        EXPECT_TRUE(MentionsKey(manual, key))
            << "the manual page does not name the key " << key.toStdString();
}

// The settings file's table in the help names every section and value the program uses.
TEST(HelpCoverage, TheHelpNamesEverySettingsValue)
{
    const QString files = PageText(kSourceDir + QStringLiteral("/help/pages/files.html"));
    const std::map<QString, std::set<QString>> sections = SettingsKeys();
    EXPECT_TRUE(sections.contains(QStringLiteral("System")));
    EXPECT_TRUE(sections.contains(QStringLiteral("Recent File List")));
    for (const auto& [section, names] : sections) {
        EXPECT_TRUE(files.contains(u'[' + section + u']'))
            << "files.html does not name the section [" << section.toStdString() << "]";
        for (const QString& name : names)
            EXPECT_TRUE(MentionsKey(files, name))
                << "files.html does not name " << section.toStdString() << "/"
                << name.toStdString();
    }
}

} // namespace
