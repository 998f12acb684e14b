#pragma once

#include "ISheetControl.h"

#include <QPlainTextEdit>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class CSheetLineTable;
class CSheetScrolling;
class QInputMethodEvent;
class QKeyEvent;
class QMimeData;

// The sheet: a plain-text edit without wrapping, with both scroll bars and a frame, seen through
// ISheetControl in code page 932 byte offsets.
//
// The text is held as SheetText.h describes: one block per line. The document only ever holds
// text that encodes to code page 932 and decodes back to itself, so that what the sheet shows is
// what GetText gives, and byte offsets agree with the text on screen:
//  - typed keys, input-method commits, paste and drop are encoded on the way in: a character the
//    code page lacks becomes "?", and so do U+240D and U+240A typed as such; in pasted, dropped
//    and committed text CR LF, LF and CR each become a line break;
//  - an edit that puts bytes together that read differently (a CR before an LF, a stray lead
//    byte before a trail byte) is followed by the text those bytes read as. When that repair
//    follows a typed key it cannot share the key's undo step, so the undo history is dropped.
//
// Return and Enter insert nothing: they raise EnterPressed() unless an input method is composing
// (then the input method's own commit confirms the composition). Copy puts the selection on the
// clipboard as Unicode text (lines end in LF) and as the exact bytes, which paste prefers.
class CSheetEdit : public QPlainTextEdit, public ISheetControl
{
    Q_OBJECT

public:
    explicit CSheetEdit(QWidget* parent = nullptr);
    ~CSheetEdit() override;

    Selection GetSelection() const override;
    std::size_t CurrentLine() const override;
    std::size_t LineIndex(std::size_t line) const override;
    std::size_t LineLength(std::size_t offset) const override;
    std::string GetLine(std::size_t line) const override;

    // An offset between the CR and the LF of a line break moves to the CR.
    void SetSelection(std::size_t start, std::size_t end) override;
    void ScrollCaret() override;
    // Qt's undo history cannot leave one step out, so this drops the whole history, as the
    // Windows edit control forgets its one undo step at such a replacement.
    void ReplaceSelection(std::string_view text) override;

    std::string GetText() const override;
    void SetText(std::string_view text) override;

    std::size_t FirstVisibleLine() const override;
    void ScrollLines(std::ptrdiff_t lines) override;
    void SetRedraw(bool on) override;
    void Focus() override;

    void Undo() override;
    void Cut() override;
    void Copy() override;
    void Paste() override;

    void SetChangeHandler(std::function<void()> handler) override;

    // The clipboard format that carries the selection's exact bytes.
    static constexpr const char* kBytesMimeType = "application/x-brunovelt-cp932";

signals:
    // Return or Enter was pressed outside an input-method composition. Nothing was inserted.
    void EnterPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // Who is editing the document: the change handling differs for each.
    enum class EEditor { User, Loading, Replacing, Repairing };
    class CEditorScope;

    // What the edits so far left to do once the document has finished changing.
    struct PendingChange
    {
        bool notify = false; // the text changed since the last notification
        bool repair = false; // blocks from firstBlock to lastBlock may need their canonical text
        int firstBlock = 0;
        int lastBlock = 0;
    };

    void OnContentsChange(int position, int removed, int added);
    void OnContentsChanged();
    void RebuildLineTable();
    bool RepairBlocks(int first, int last);

    std::size_t OffsetOf(int position) const;
    int PositionOf(std::size_t offset) const;

    std::unique_ptr<CSheetLineTable> m_lines; // bytes of each line, for offset <-> position
    CSheetScrolling* m_scrolling;             // owned by the widget as its child
    std::function<void()> m_changeHandler;
    EEditor m_editor = EEditor::User;
    PendingChange m_pending;
};
