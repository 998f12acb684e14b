#include "CommandLineTool.h"
#include "CommandIds.h"
#include "SettingsStore.h"
#include "SheetEdit.h"
#include "VornyView.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

#include <cstdio>
#include <span>

namespace {

// A plain window around the sheet view, with the view's own commands on two menus.
void AddViewMenus(QMainWindow& window, CVornyView& view)
{
    const auto add = [&view](QMenu* menu, const QString& text, int id,
                             const QKeySequence& shortcut = {}) {
        QAction* action = menu->addAction(text, &view, [&view, id] { view.OnCommand(id); });
        action->setShortcut(shortcut);
        return action;
    };
    QMenu* edit = window.menuBar()->addMenu(QStringLiteral("編集(&E)"));
    add(edit, QStringLiteral("元に戻す(&U)"), ID_EDIT_UNDO, QKeySequence::Undo);
    edit->addSeparator();
    add(edit, QStringLiteral("切り取り(&T)"), ID_EDIT_CUT, QKeySequence::Cut);
    add(edit, QStringLiteral("ｺﾋﾟｰ(&C)"), ID_EDIT_COPY, QKeySequence::Copy);
    add(edit, QStringLiteral("貼り付け(&P)"), ID_EDIT_PASTE, QKeySequence::Paste);

    QMenu* display = window.menuBar()->addMenu(QStringLiteral("表示(&V)"));
    QAction* comma = add(display, QStringLiteral("答えをカンマありで表示(&C)"), ID_VIEW_COMMA);
    comma->setCheckable(true);
    QObject::connect(display, &QMenu::aboutToShow, comma,
                     [comma, &view] { comma->setChecked(view.IsCommaOn()); });
    add(display, QStringLiteral("フォントの設定(&F)..."), ID_VIEW_FONT);
    add(display, QStringLiteral("Pボタン設定(&P)..."), ID_PBUTTON_SETTINGS);
}

} // namespace

int main(int argc, char** argv)
{
    const std::span<const char* const> args(argv + 1,
                                            static_cast<std::size_t>(argc > 0 ? argc - 1 : 0));
    if (const auto status = RunCommandLineTool(args, stdin, stdout, stderr))
        return *status;

    QApplication app(argc, argv);
    CSettingsStore store;
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("無題 - Brunovelt"));
    auto* view = new CVornyView(store, &window);
    window.setCentralWidget(view);
    AddViewMenus(window, *view);
    view->RefreshTemplateCaptions();
    view->ApplyFont();
    view->ApplyTabStops();
    window.show();
    view->Sheet().Focus();
    return app.exec();
}
