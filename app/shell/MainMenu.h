#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>
#include <map>

class QAction;
class QMainWindow;
class QMenu;

// The menu bar of the main window, built from one table, with the accelerators that have no menu
// item. Every action calls `dispatch` with its command id.
struct MainMenuActions
{
    std::map<int, QAction*> byId;
    QMenu* fileMenu = nullptr;
    QAction* recentPlaceholder = nullptr; // "最近使ったﾌｧｲﾙ", greyed, while the list is empty
    QAction* beforeExit = nullptr;        // the separator above Exit; entries go before it
};

MainMenuActions BuildMainMenu(QMainWindow& window, const std::function<void(int)>& dispatch);

// The status-bar prompt and the tooltip of a command, empty for none.
QString CommandPrompt(int id);
QString CommandTooltip(int id);
