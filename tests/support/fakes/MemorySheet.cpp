#include "MemorySheet.h"

#include "Cp932ByteClass.h"
#include "Cp932Codec.h"

#include <algorithm>
#include <utility>

namespace {

// The length of the character at text[at], at < text.size(): two bytes for a lead byte that the
// next byte completes into a mapped code, as the codec reads it.
std::size_t CharLength(const std::string& text, std::size_t at)
{
    if (!cp932::IsLeadByte(static_cast<unsigned char>(text[at])) || at + 1 >= text.size())
        return 1;
    return Cp932ToUtf16(std::string_view(text).substr(at, 2)).size() == 1 ? 2 : 1;
}

} // namespace

std::vector<std::size_t> CMemorySheet::LineStarts() const
{
    std::vector<std::size_t> starts{0};
    for (std::size_t at = m_text.find("\r\n"); at != std::string::npos;
         at = m_text.find("\r\n", at + 2))
        starts.push_back(at + 2);
    return starts;
}

std::size_t CMemorySheet::LineOf(std::size_t offset) const
{
    const std::vector<std::size_t> starts = LineStarts();
    const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
    return static_cast<std::size_t>(after - starts.begin()) - 1;
}

std::size_t CMemorySheet::Normalise(std::size_t offset) const
{
    offset = std::min(offset, m_text.size());
    const std::size_t start = LineIndex(LineOf(offset));
    const std::size_t end = start + LineLength(offset);
    if (offset > end)
        return end; // between the CR and the LF
    for (std::size_t at = start; at < offset;) {
        const std::size_t length = CharLength(m_text, at);
        if (at + length > offset)
            return at;
        at += length;
    }
    return offset;
}

void CMemorySheet::Notify() const
{
    if (const std::function<void()> handler = m_changeHandler)
        handler();
}

void CMemorySheet::Edit(std::string_view bytes, bool undoable)
{
    if (undoable)
        m_undo.push_back({m_text, m_anchor, m_caret});
    else
        m_undo.clear();
    const std::size_t start = std::min(m_anchor, m_caret);
    const std::size_t end = std::max(m_anchor, m_caret);
    const std::string before = m_text;
    m_text.replace(start, end - start, bytes);
    m_text = Cp932SteadyBytes(std::move(m_text));
    m_anchor = m_caret = Normalise(start + bytes.size());
    if (m_text != before)
        Notify();
}

ISheetControl::Selection CMemorySheet::GetSelection() const
{
    return {std::min(m_anchor, m_caret), std::max(m_anchor, m_caret)};
}

std::size_t CMemorySheet::CurrentLine() const
{
    return LineOf(std::min(m_anchor, m_caret));
}

std::size_t CMemorySheet::LineIndex(std::size_t line) const
{
    const std::vector<std::size_t> starts = LineStarts();
    return line < starts.size() ? starts[line] : m_text.size();
}

std::size_t CMemorySheet::LineLength(std::size_t offset) const
{
    offset = std::min(offset, m_text.size());
    const std::size_t start = LineIndex(LineOf(offset));
    const std::size_t end = m_text.find("\r\n", start);
    return (end == std::string::npos ? m_text.size() : end) - start;
}

std::string CMemorySheet::GetLine(std::size_t line) const
{
    const std::vector<std::size_t> starts = LineStarts();
    if (line >= starts.size())
        return {};
    return m_text.substr(starts[line], LineLength(starts[line]));
}

void CMemorySheet::SetSelection(std::size_t start, std::size_t end)
{
    m_anchor = Normalise(start);
    m_caret = Normalise(end);
}

void CMemorySheet::ScrollCaret()
{
    ++m_scrollCaretCount;
}

void CMemorySheet::ReplaceSelection(std::string_view text)
{
    Edit(text, false);
}

std::string CMemorySheet::GetText() const
{
    return m_text;
}

void CMemorySheet::SetText(std::string_view text)
{
    m_text = Cp932SteadyBytes(std::string(text));
    m_anchor = m_caret = 0;
    m_undo.clear();
    m_firstVisible = 0;
}

std::size_t CMemorySheet::FirstVisibleLine() const
{
    return m_firstVisible;
}

void CMemorySheet::ScrollLines(std::ptrdiff_t lines)
{
    const std::size_t last = LineStarts().size() - 1;
    if (lines < 0) {
        const auto up = static_cast<std::size_t>(-(lines + 1)) + 1;
        m_firstVisible = up >= m_firstVisible ? 0 : m_firstVisible - up;
    } else {
        const auto down = static_cast<std::size_t>(lines);
        m_firstVisible = down >= last - m_firstVisible ? last : m_firstVisible + down;
    }
}

void CMemorySheet::SetRedraw(bool on)
{
    m_redraw = on;
}

void CMemorySheet::Focus()
{
    ++m_focusCount;
}

void CMemorySheet::Undo()
{
    if (m_undo.empty())
        return;
    SState state = std::move(m_undo.back());
    m_undo.pop_back();
    m_text = std::move(state.text);
    m_anchor = state.anchor;
    m_caret = state.caret;
    Notify();
}

void CMemorySheet::Cut()
{
    if (m_anchor == m_caret)
        return;
    Copy();
    Edit({}, true);
}

void CMemorySheet::Copy()
{
    const Selection selection = GetSelection();
    if (selection.start != selection.end)
        m_clipboard = m_text.substr(selection.start, selection.end - selection.start);
}

void CMemorySheet::Paste()
{
    if (m_clipboard && !m_clipboard->empty())
        Edit(std::string(*m_clipboard), true);
}

void CMemorySheet::Type(std::string_view bytes)
{
    if (!bytes.empty())
        Edit(bytes, true);
}

void CMemorySheet::SetChangeHandler(std::function<void()> handler)
{
    m_changeHandler = std::move(handler);
}
