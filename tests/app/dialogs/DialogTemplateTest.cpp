#include "DialogTestSupport.h"

#include "AboutDlg.h"
#include "ButtonSetDlg.h"
#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "MemorySettingsStore.h"
#include "OptDlg.h"
#include "ParamDlg.h"
#include "TestDesktop.h"

#include <gtest/gtest.h>

#include <QKeySequence>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace {

// The dialogs built from a template, each made afresh for every look.
struct Dialog
{
    const char* picture; // the file name of its grab
    const DialogTemplate& table;
    std::function<std::unique_ptr<QDialog>()> make;
};

const std::vector<Dialog>& Dialogs()
{
    static CTestDesktop desktop;
    static CMemorySettingsStore store;
    static const std::vector<Dialog> dialogs = {
        {"about.png", CAboutDlg::Template(), [] { return std::make_unique<CAboutDlg>(desktop); }},
        {"opt.png", COptDlg::Template(), [] { return std::make_unique<COptDlg>(desktop); }},
        {"parameters.png", CParamDlg::Template(), [] { return std::make_unique<CParamDlg>(); }},
        {"button-settings.png", CButtonSetDlg::Template(),
         [] { return std::make_unique<CButtonSetDlg>(store, desktop); }},
    };
    return dialogs;
}

// Each dialog is its table: every control where the table puts it, with its text and name, inside
// the form and clear of the others; a mnemonic names one control and a label's leads to the
// control after it; Tab goes through the controls in table order and reaches every one that takes
// the focus; one OK, the only default button, and at most one Cancel (the About box has none).
// Run under Wayland too (dialog_wayland_tests).
TEST(DialogTemplates, EachDialogIsItsTable)
{
    for (const Dialog& entry : Dialogs()) {
        SCOPED_TRACE(entry.table.title);
        std::unique_ptr<QDialog> dialog = entry.make();
        const CDialogUnits units(dialog->font());
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(entry.table.title));
        EXPECT_EQ(dialog->size(), units.Size(entry.table.width, entry.table.height));
        const QList<QWidget*> children = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        const std::vector<PlacedControl> placed = PlaceControls(entry.table);
        std::vector<QWidget*> built, tabOrder;
        std::set<QKeySequence> mnemonics;
        for (const PlacedControl& control : placed) {
            SCOPED_TRACE(control.caption.toStdString());
            const QRect rect = units.Rect(control.x, control.y, control.width, control.height);
            const auto at = std::find_if(children.begin(), children.end(),
                                         [&](QWidget* child) { return child->geometry() == rect; });
            ASSERT_NE(at, children.end());
            built.push_back(*at);
            if (!control.caption.isEmpty()) {
                EXPECT_EQ((*at)->property("text").toString(), control.caption);
            }
            if (!control.accessibleName.isEmpty()) {
                EXPECT_EQ((*at)->accessibleName(), control.accessibleName);
            }
            const QKeySequence mnemonic = QKeySequence::mnemonic(control.caption);
            if (!mnemonic.isEmpty()) {
                EXPECT_TRUE(mnemonics.insert(mnemonic).second);
            }
            if ((*at)->focusPolicy() & Qt::TabFocus)
                tabOrder.push_back(*at);
        }
        EXPECT_EQ(built.size(), static_cast<std::size_t>(children.size()));
        for (std::size_t i = 0; i + 1 < placed.size(); ++i)
            if (placed[i].kind == EControl::Label &&
                !QKeySequence::mnemonic(placed[i].caption).isEmpty()) {
                EXPECT_EQ(qobject_cast<QLabel*>(built[i])->buddy(), built[i + 1]);
            }
        ASSERT_FALSE(tabOrder.empty());
        std::vector<QWidget*> chain = {tabOrder.front()};
        for (QWidget* next = chain.front()->nextInFocusChain(); next != chain.front();
             next = next->nextInFocusChain())
            if (next->parentWidget() == dialog.get() && (next->focusPolicy() & Qt::TabFocus))
                chain.push_back(next);
        EXPECT_EQ(chain, tabOrder);
        const auto count = [&](EControl kind) {
            return std::count_if(placed.begin(), placed.end(), [&](const PlacedControl& control) {
                return control.kind == kind;
            });
        };
        EXPECT_EQ(count(EControl::Ok), 1);
        EXPECT_LE(count(EControl::Cancel), 1);
        const QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>();
        EXPECT_EQ(std::count_if(buttons.begin(), buttons.end(),
                                [](QPushButton* button) { return button->isDefault(); }),
                  1);
        ExpectLaidOutCleanly(*dialog);
        GrabWhenAsked(*dialog, QString::fromLatin1(entry.picture));
    }
}

// OK accepts the dialog, Cancel and Esc reject it, each through the dialog's own accept() and
// reject().
TEST(DialogTemplates, OkAcceptsCancelAndEscReject)
{
    for (const Dialog& entry : Dialogs()) {
        SCOPED_TRACE(entry.table.title);
        for (const PlacedControl& control : PlaceControls(entry.table)) {
            if (control.kind != EControl::Ok && control.kind != EControl::Cancel)
                continue;
            const std::unique_ptr<QDialog> dialog = entry.make();
            const QSignalSpy accepted(dialog.get(), &QDialog::accepted);
            const QSignalSpy rejected(dialog.get(), &QDialog::rejected);
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                if (button->text() == control.caption)
                    button->click();
            EXPECT_EQ(accepted.count(), control.kind == EControl::Ok ? 1 : 0);
            EXPECT_EQ(rejected.count(), control.kind == EControl::Cancel ? 1 : 0);
        }
        const std::unique_ptr<QDialog> dialog = entry.make();
        const QSignalSpy rejected(dialog.get(), &QDialog::rejected);
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        EXPECT_EQ(rejected.count(), 1);
    }
}

} // namespace
