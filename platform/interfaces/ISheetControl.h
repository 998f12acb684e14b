#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The sheet as the view's logic sees it: code page 932 text whose only line breaks are CR LF
// pairs, addressed by byte offsets and by line numbers from 0. A lone CR or LF is part of its
// line. Offsets beyond the text are clamped to its end.
class ISheetControl
{
public:
    struct Selection
    {
        std::size_t start; // start <= end; equal when there is only a caret
        std::size_t end;
    };

    virtual ~ISheetControl() = default;

    virtual Selection GetSelection() const = 0;
    // The line of the caret, or of the selection's start when there is a selection.
    virtual std::size_t CurrentLine() const = 0;
    // The offset of the first byte of `line`; the text's length for a line past the last.
    virtual std::size_t LineIndex(std::size_t line) const = 0;
    // The number of bytes of the line that holds `offset`, without its CR LF.
    virtual std::size_t LineLength(std::size_t offset) const = 0;
    // The bytes of `line` without its CR LF; empty for a line past the last.
    virtual std::string GetLine(std::size_t line) const = 0;

    // Selects [start, end) (start may be after end: the caret goes to end); equal values place
    // the caret. An offset inside a two-byte character moves to the character's start.
    virtual void SetSelection(std::size_t start, std::size_t end) = 0;
    virtual void ScrollCaret() = 0;
    // Replaces the selection (at the caret when there is none) with `text`; the caret ends after
    // it. Not recorded for undo. Raises the change notification when the text changed.
    virtual void ReplaceSelection(std::string_view text) = 0;

    virtual std::string GetText() const = 0;
    // Replaces the whole text without raising the change notification.
    virtual void SetText(std::string_view text) = 0;

    virtual std::size_t FirstVisibleLine() const = 0;
    virtual void ScrollLines(std::ptrdiff_t lines) = 0;
    virtual void SetRedraw(bool on) = 0;
    virtual void Focus() = 0;

    virtual void Undo() = 0;
    virtual void Cut() = 0;
    virtual void Copy() = 0;
    virtual void Paste() = 0;

    // Called after the user or ReplaceSelection changed the text; never for SetText, nor for an
    // edit that leaves the text as it was.
    virtual void SetChangeHandler(std::function<void()> handler) = 0;
};
