#pragma once

#include "ISheetControl.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The sheet in memory, with the byte rules of the real control: the text is read as code page 932
// after every change (a character with two codes takes Windows' code, and bytes that come together
// read as what they now make), an offset inside a two-byte character or between the CR and the LF
// of a line break moves to its start, and offsets past the end clamp. Cut, Paste and Type are
// undoable steps; ReplaceSelection and SetText drop the undo history. The clipboard is this
// object's own.
class CMemorySheet : public ISheetControl
{
public:
    Selection GetSelection() const override;
    std::size_t CurrentLine() const override;
    std::size_t LineIndex(std::size_t line) const override;
    std::size_t LineLength(std::size_t offset) const override;
    std::string GetLine(std::size_t line) const override;

    void SetSelection(std::size_t start, std::size_t end) override;
    void ScrollCaret() override;
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

    // What the user does and what the tests can see.
    void Type(std::string_view bytes); // at the selection, as typed: undoable, notifies
    const std::optional<std::string>& Clipboard() const { return m_clipboard; }
    void SetClipboard(std::string bytes) { m_clipboard = std::move(bytes); }
    bool CanUndo() const { return !m_undo.empty(); }
    bool RedrawOn() const { return m_redraw; }
    int ScrollCaretCount() const { return m_scrollCaretCount; }
    int FocusCount() const { return m_focusCount; }

private:
    struct SState
    {
        std::string text;
        std::size_t anchor;
        std::size_t caret;
    };

    std::vector<std::size_t> LineStarts() const;
    std::size_t LineOf(std::size_t offset) const;
    std::size_t Normalise(std::size_t offset) const;
    void Edit(std::string_view bytes, bool undoable);
    void Notify() const;

    std::string m_text;
    std::size_t m_anchor = 0;
    std::size_t m_caret = 0;
    std::vector<SState> m_undo;
    std::optional<std::string> m_clipboard;
    std::function<void()> m_changeHandler;
    std::size_t m_firstVisible = 0;
    bool m_redraw = true;
    int m_scrollCaretCount = 0;
    int m_focusCount = 0;
};
