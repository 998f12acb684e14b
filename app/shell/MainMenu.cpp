#include "MainMenu.h"

#include "AppCommandIds.h"
#include "CommandIds.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>

#include <span>

namespace {

constexpr int kSeparator = 0;
constexpr int kEndOfMenu = -1;

struct MenuRow
{
    int id; // kSeparator, kEndOfMenu, or a command; a row with a title and id 0 opens a menu
    const char* text;
    QKeySequence::StandardKey standard = QKeySequence::UnknownKey;
    const char* keys = nullptr; // the shortcuts, the first shown in the menu
    bool checkable = false;
};

// The menu bar, menu by menu; the text of a menu's opening row is its title.
const MenuRow kMenu[] = {
    {kSeparator, "ﾌｧｲﾙ(&F)"},
    {ID_FILE_NEW, "新規作成(&N)", QKeySequence::UnknownKey, "Ctrl+N"},
    {ID_FILE_OPEN, "開く(&O)...", QKeySequence::UnknownKey, "Ctrl+O"},
    {ID_FILE_SAVE, "上書き保存(&S)", QKeySequence::UnknownKey, "Ctrl+S"},
    {ID_FILE_SAVE_AS, "名前を付けて保存(&A)..."},
    {kSeparator, nullptr},
    {ID_FILE_MRU_FILE1, "最近使ったﾌｧｲﾙ"},
    {kSeparator, nullptr},
    {ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"},
    {kEndOfMenu, nullptr},

    {kSeparator, "編集(&E)"},
    {ID_EDIT_UNDO, "元に戻す(&U)", QKeySequence::UnknownKey, "Ctrl+Z; Alt+Backspace"},
    {kSeparator, nullptr},
    {ID_EDIT_CUT, "切り取り(&T)", QKeySequence::UnknownKey, "Ctrl+X; Shift+Del"},
    {ID_EDIT_COPY, "ｺﾋﾟｰ(&C)", QKeySequence::UnknownKey, "Ctrl+C; Ctrl+Ins"},
    {ID_EDIT_PASTE, "貼り付け(&P)", QKeySequence::UnknownKey, "Ctrl+V; Shift+Ins"},
    {kSeparator, nullptr},
    {ID_EDIT_COPY_ANSWER, "最後の答えをｺﾋﾟｰ(&A)", QKeySequence::UnknownKey, "Ctrl+Shift+C"},
    {kEndOfMenu, nullptr},

    {kSeparator, "表示(&V)"},
    {ID_VIEW_OPTIONS, "設定(&O)..."},
    {ID_VIEW_COMMA, "答えをカンマありで表示(&C)", QKeySequence::UnknownKey, nullptr, true},
    {ID_VIEW_FONT, "フォントの設定(&F)..."},
    {ID_PBUTTON_SETTINGS, "Pボタン設定(&P)..."},
    {kSeparator, nullptr},
    {ID_VIEW_TOOLBAR, "ﾂｰﾙ ﾊﾞｰ(&T)", QKeySequence::UnknownKey, nullptr, true},
    {ID_VIEW_STATUS_BAR, "ｽﾃｰﾀｽ ﾊﾞｰ(&S)", QKeySequence::UnknownKey, nullptr, true},
    {kEndOfMenu, nullptr},

    {kSeparator, "ﾍﾙﾌﾟ(&H)"},
    {ID_HELP_FINDER, "ヘルプ目次(&C)"},
    {ID_HELP_KEYWORD, "キーワードで検索(&S)"},
    {kSeparator, nullptr},
    {ID_HOMEPAGE, "ホームページへ(&H)"},
    {kSeparator, nullptr},
    {ID_APP_ABOUT, "ﾊﾞｰｼﾞｮﾝ情報(&A)..."},
    {kEndOfMenu, nullptr},
};

// Accelerators without a menu item: print, which nothing handles, and the pane keys, which do
// nothing in a window of one pane. They are kept so that the keys do nothing else either.
const MenuRow kHiddenAccelerators[] = {
    {ID_FILE_PRINT, "", QKeySequence::UnknownKey, "Ctrl+P"},
    {ID_NEXT_PANE, "", QKeySequence::UnknownKey, "F6"},
    {ID_PREV_PANE, "", QKeySequence::UnknownKey, "Shift+F6"},
};

struct Prompt
{
    int id;
    const char* prompt;
    const char* tooltip;
};

const Prompt kPrompts[] = {
    {ID_FILE_NEW, "新規にﾌｧｲﾙを作成", "新規ﾌｧｲﾙ"},
    {ID_FILE_OPEN, "既存のﾌｧｲﾙを開く", "開く"},
    {ID_FILE_SAVE, "作業中のﾌｧｲﾙを上書きして保存", "保存"},
    {ID_FILE_SAVE_AS, "作業中のﾌｧｲﾙを新しい名前で保存", ""},
    {ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示", ""},
    {ID_EDIT_UNDO, "直前に行った動作を元に戻す", ""},
    {ID_EDIT_CUT, "選択範囲を切り取ってｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存", "切り取り"},
    {ID_EDIT_COPY, "選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存", "ｺﾋﾟｰ"},
    {ID_EDIT_PASTE, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容を貼り付け", "貼り付け"},
    {ID_EDIT_COPY_ANSWER, "最後の答えをｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰ", ""},
    {ID_VIEW_OPTIONS, "設定", ""},
    {ID_VIEW_FONT, "フォントの設定", ""},
    {ID_PBUTTON_SETTINGS, "Pボタン設定", ""},
    {ID_VIEW_TOOLBAR, "ﾂｰﾙ ﾊﾞｰの 表示/非表示", ""},
    {ID_VIEW_STATUS_BAR, "ｽﾃｰﾀｽ ﾊﾞｰの 表示/非表示", ""},
    {ID_HELP_FINDER, "ヘルプ目次", ""},
    {ID_HELP_KEYWORD, "ヘルプを指定された文字列で検索します", "キーワードで検索"},
    {ID_HOMEPAGE, "このソフトのﾎｰﾑﾍﾟｰｼﾞにアクセスします", ""},
    {ID_APP_ABOUT, "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示", "ﾊﾞｰｼﾞｮﾝ情報"},
};

const Prompt* FindPrompt(int id)
{
    for (const Prompt& prompt : kPrompts)
        if (prompt.id == id)
            return &prompt;
    return nullptr;
}

QAction* MakeAction(QMainWindow& window, const MenuRow& row,
                    const std::function<void(int)>& dispatch)
{
    auto* action = new QAction(QString::fromUtf8(row.text), &window);
    if (row.keys)
        action->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(row.keys)));
    action->setCheckable(row.checkable);
    action->setStatusTip(CommandPrompt(row.id));
    const int id = row.id;
    QObject::connect(action, &QAction::triggered, &window, [dispatch, id] { dispatch(id); });
    return action;
}

} // namespace

QString CommandPrompt(int id)
{
    const Prompt* prompt = FindPrompt(id);
    return prompt ? QString::fromUtf8(prompt->prompt) : QString();
}

QString CommandTooltip(int id)
{
    const Prompt* prompt = FindPrompt(id);
    return prompt ? QString::fromUtf8(prompt->tooltip) : QString();
}

MainMenuActions BuildMainMenu(QMainWindow& window, const std::function<void(int)>& dispatch)
{
    MainMenuActions built;
    QMenu* menu = nullptr;
    for (const MenuRow& row : kMenu) {
        if (row.id == kEndOfMenu) {
            menu = nullptr;
        } else if (!menu) {
            menu = window.menuBar()->addMenu(QString::fromUtf8(row.text));
            if (!built.fileMenu)
                built.fileMenu = menu;
        } else if (row.id == kSeparator) {
            QAction* separator = menu->addSeparator();
            if (menu == built.fileMenu && built.recentPlaceholder)
                built.beforeExit = separator;
        } else {
            QAction* action = MakeAction(window, row, dispatch);
            menu->addAction(action);
            if (row.id == ID_FILE_MRU_FILE1) {
                built.recentPlaceholder = action;
                action->setEnabled(false);
            } else {
                built.byId[row.id] = action;
            }
        }
    }
    for (const MenuRow& row : kHiddenAccelerators) {
        QAction* action = MakeAction(window, row, dispatch);
        window.addAction(action);
        built.byId[row.id] = action;
    }
    return built;
}
