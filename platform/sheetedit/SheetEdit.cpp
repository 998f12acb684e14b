#include "SheetEdit.h"

#include "Cp932Codec.h"
#include "SheetLineTable.h"
#include "SheetScrolling.h"
#include "SheetText.h"

#include <QByteArray>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QString>
#include <QStringView>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

using namespace sheettext;

namespace {

std::u16string_view Units(QStringView text)
{
    return {text.utf16(), static_cast<std::size_t>(text.size())};
}

template <typename T> int ToInt(T value)
{
    if (value > static_cast<T>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(value);
}

} // namespace

// Names the editor for the life of a scope; the one before comes back after it.
class CSheetEdit::CEditorScope
{
public:
    CEditorScope(CSheetEdit& edit, EEditor editor) : m_edit(edit), m_old(edit.m_editor)
    {
        m_edit.m_editor = editor;
    }
    ~CEditorScope() { m_edit.m_editor = m_old; }
    CEditorScope(const CEditorScope&) = delete;
    CEditorScope& operator=(const CEditorScope&) = delete;

private:
    CSheetEdit& m_edit;
    EEditor m_old;
};

CSheetEdit::CSheetEdit(QWidget* parent)
    : QPlainTextEdit(parent), m_lines(new CSheetLineTable), m_scrolling(new CSheetScrolling(*this))
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setUndoRedoEnabled(true);
    RebuildLineTable();
    connect(document(), &QTextDocument::contentsChange, this, &CSheetEdit::OnContentsChange);
    connect(document(), &QTextDocument::contentsChanged, this, &CSheetEdit::OnContentsChanged);
}

CSheetEdit::~CSheetEdit()
{
    disconnect(document(), nullptr, this, nullptr);
}

void CSheetEdit::RebuildLineTable()
{
    m_lines->Assign(ScanLines(Units(document()->toRawText()), kBlockBreak));
}

// Brings the line table up to date with the blocks from the one at `position` to the one at the
// end of what was added. The blocks after those are the old ones, unchanged, so the difference in
// block count says how many old lines the new ones replace.
void CSheetEdit::OnContentsChange(int position, int removed, int added)
{
    Q_UNUSED(removed);
    if (m_editor == EEditor::Loading)
        return;
    QTextDocument* doc = document();
    const int lastPosition = std::max(0, doc->characterCount() - 1);
    const int from = std::clamp(position, 0, lastPosition);
    const int to =
        ToInt(std::clamp<long long>(static_cast<long long>(position) + added, from, lastPosition));
    const QTextBlock firstBlock = doc->findBlock(from);
    const QTextBlock lastBlock = doc->findBlock(to);
    const int first = firstBlock.isValid() ? firstBlock.blockNumber() : 0;
    const int last = lastBlock.isValid() ? lastBlock.blockNumber() : doc->blockCount() - 1;
    const long long growth =
        static_cast<long long>(doc->blockCount()) - static_cast<long long>(m_lines->Count());
    const long long oldCount = static_cast<long long>(last) - first + 1 - growth;
    bool changed = growth != 0;
    if (!firstBlock.isValid() || last < first || oldCount < 1 ||
        static_cast<unsigned long long>(first) + static_cast<unsigned long long>(oldCount) >
            m_lines->Count()) {
        // Not a change this table can follow: read every line again.
        RebuildLineTable();
        changed = true;
    } else {
        std::vector<LineInfo> lines;
        lines.reserve(static_cast<std::size_t>(last - first + 1));
        QTextBlock block = firstBlock;
        for (int n = first; n <= last && block.isValid(); ++n, block = block.next()) {
            const QString text = block.text();
            lines.push_back(ScanLine(Units(text)));
        }
        if (!changed)
            changed = !m_lines->Holds(static_cast<std::size_t>(first), lines);
        m_lines->Replace(static_cast<std::size_t>(first), static_cast<std::size_t>(oldCount),
                         lines);
    }
    if (!changed)
        return;
    m_pending.notify = true;
    if (m_editor == EEditor::Repairing)
        return;
    if (m_pending.repair) {
        m_pending.firstBlock = std::min(m_pending.firstBlock, first);
        m_pending.lastBlock = std::max(m_pending.lastBlock, last);
    } else {
        m_pending.repair = true;
        m_pending.firstBlock = first;
        m_pending.lastBlock = last;
    }
}

// Runs after each finished edit, outside QTextDocument's own change handling, so it may edit.
void CSheetEdit::OnContentsChanged()
{
    if (m_editor == EEditor::Loading || m_editor == EEditor::Repairing)
        return;
    if (m_pending.repair) {
        m_pending.repair = false;
        // Undo would bring back the text before the repair, which reads differently from what it
        // shows; ReplaceSelection drops the history itself.
        if (RepairBlocks(m_pending.firstBlock, m_pending.lastBlock) &&
            m_editor != EEditor::Replacing)
            document()->clearUndoRedoStacks();
    }
    // ReplaceSelection notifies once, after it has placed the caret.
    if (m_pending.notify && m_editor != EEditor::Replacing) {
        m_pending.notify = false;
        if (const std::function<void()> handler = m_changeHandler)
            handler();
    }
}

// Gives each block from `first` to `last` the text its bytes read as; true when one changed.
bool CSheetEdit::RepairBlocks(int first, int last)
{
    const CEditorScope repairing(*this, EEditor::Repairing);
    QTextDocument* doc = document();
    bool repaired = false;
    first = std::max(first, 0);
    // From the last block back, so that a block split by a new line break leaves the numbers of
    // the blocks still to do alone.
    for (int n = std::min(last, doc->blockCount() - 1); n >= first; --n) {
        const QTextBlock block = doc->findBlockByNumber(n);
        if (!block.isValid())
            continue;
        const QString text = block.text();
        const QString canonical = CanonicalLine(text);
        if (canonical == text)
            continue;
        qsizetype prefix = 0;
        const qsizetype shorter = std::min(text.size(), canonical.size());
        while (prefix < shorter && text[prefix] == canonical[prefix])
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < shorter - prefix &&
               text[text.size() - 1 - suffix] == canonical[canonical.size() - 1 - suffix])
            ++suffix;
        QTextCursor cursor(doc);
        cursor.setPosition(block.position() + ToInt(prefix));
        cursor.setPosition(block.position() + ToInt(text.size() - suffix), QTextCursor::KeepAnchor);
        const QString middle = canonical.mid(prefix, canonical.size() - prefix - suffix);
        if (middle.isEmpty())
            cursor.removeSelectedText();
        else
            cursor.insertText(middle);
        repaired = true;
    }
    return repaired;
}

std::size_t CSheetEdit::OffsetOf(int position) const
{
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid())
        return m_lines->TotalBytes();
    const auto line = static_cast<std::size_t>(block.blockNumber());
    if (line >= m_lines->Count())
        return m_lines->TotalBytes();
    const QString text = block.text();
    return m_lines->Start(line) +
           ColumnOf(Units(text),
                    static_cast<std::size_t>(std::max(0, position - block.position())));
}

int CSheetEdit::PositionOf(std::size_t offset) const
{
    const CSheetLineTable::Place place = m_lines->Locate(offset);
    const QTextBlock block = document()->findBlockByNumber(ToInt(place.line));
    if (!block.isValid())
        return std::max(0, document()->characterCount() - 1);
    const QString text = block.text();
    return block.position() + ToInt(PositionOfColumn(Units(text), place.column));
}

ISheetControl::Selection CSheetEdit::GetSelection() const
{
    const QTextCursor cursor = textCursor();
    return {OffsetOf(cursor.selectionStart()), OffsetOf(cursor.selectionEnd())};
}

std::size_t CSheetEdit::CurrentLine() const
{
    const QTextBlock block = document()->findBlock(textCursor().selectionStart());
    return block.isValid() ? static_cast<std::size_t>(block.blockNumber()) : 0;
}

std::size_t CSheetEdit::LineIndex(std::size_t line) const
{
    return line < m_lines->Count() ? m_lines->Start(line) : m_lines->TotalBytes();
}

std::size_t CSheetEdit::LineLength(std::size_t offset) const
{
    return m_lines->At(m_lines->Locate(offset).line).bytes;
}

std::string CSheetEdit::GetLine(std::size_t line) const
{
    if (line >= m_lines->Count())
        return {};
    return ToBytes(document()->findBlockByNumber(ToInt(line)).text());
}

void CSheetEdit::SetSelection(std::size_t start, std::size_t end)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(PositionOf(start));
    cursor.setPosition(PositionOf(end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void CSheetEdit::ScrollCaret()
{
    ensureCursorVisible();
}

void CSheetEdit::ReplaceSelection(std::string_view text)
{
    const QString sheetText = FromBytes(text);
    const std::size_t start = GetSelection().start;
    {
        const CEditorScope replacing(*this, EEditor::Replacing);
        QTextCursor cursor = textCursor();
        if (sheetText.isEmpty())
            cursor.removeSelectedText();
        else
            cursor.insertText(sheetText);
        setTextCursor(cursor);
    }
    // The caret goes after the bytes; the repair keeps lengths, so that is the same place, unless
    // a CR written before an LF made a line break, whose CR is the place then.
    SetSelection(start + text.size(), start + text.size());
    document()->clearUndoRedoStacks();
    // An insertion that changes nothing (nothing put in place of nothing) raises nothing.
    if (!std::exchange(m_pending.notify, false))
        return;
    if (const std::function<void()> handler = m_changeHandler)
        handler();
}

std::string CSheetEdit::GetText() const
{
    return ToBytes(document()->toRawText());
}

void CSheetEdit::SetText(std::string_view text)
{
    const QString sheetText = FromBytes(Cp932SteadyBytes(std::string(text)));
    {
        const CEditorScope loading(*this, EEditor::Loading);
        setPlainText(sheetText);
    }
    m_lines->Assign(ScanLines(Units(sheetText), kBlockBreak));
    m_pending = {};
}

std::size_t CSheetEdit::FirstVisibleLine() const
{
    return static_cast<std::size_t>(std::max(0, verticalScrollBar()->value()));
}

void CSheetEdit::ScrollLines(std::ptrdiff_t lines)
{
    const long long step = std::clamp<long long>(lines, INT_MIN, INT_MAX);
    m_scrolling->ScrollLines(step, std::max(0, document()->lineCount() - 1));
}

void CSheetEdit::SetRedraw(bool on)
{
    setUpdatesEnabled(on);
    if (on)
        viewport()->update();
}

void CSheetEdit::Focus()
{
    setFocus(Qt::OtherFocusReason);
}

void CSheetEdit::Undo()
{
    undo();
}

void CSheetEdit::Cut()
{
    cut();
}

void CSheetEdit::Copy()
{
    copy();
}

void CSheetEdit::Paste()
{
    paste();
}

void CSheetEdit::SetChangeHandler(std::function<void()> handler)
{
    m_changeHandler = std::move(handler);
}

void CSheetEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // The view acts on Enter; during a composition the input method has the key.
        event->accept();
        const QTextLayout* layout = textCursor().block().layout();
        if (layout == nullptr || layout->preeditAreaText().isEmpty())
            emit EnterPressed();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && !IsPlainAscii(text)) {
        const QString sheetText = ForeignToSheet(text);
        if (sheetText != text) {
            QKeyEvent encoded(event->type(), event->key(), event->modifiers(),
                              event->nativeScanCode(), event->nativeVirtualKey(),
                              event->nativeModifiers(), sheetText, event->isAutoRepeat(),
                              static_cast<quint16>(std::clamp(event->count(), 1, 0xFFFF)),
                              event->device());
            QPlainTextEdit::keyPressEvent(&encoded);
            event->setAccepted(encoded.isAccepted());
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CSheetEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    const QString sheetCommit = commit.isEmpty() ? commit : ForeignToSheet(commit);
    if (sheetCommit == commit) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent encoded(event->preeditString(), event->attributes());
    encoded.setCommitString(sheetCommit, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&encoded);
    event->setAccepted(encoded.isAccepted());
}

bool CSheetEdit::canInsertFromMimeData(const QMimeData* source) const
{
    return source != nullptr && (source->hasFormat(kBytesMimeType) || source->hasText());
}

QMimeData* CSheetEdit::createMimeDataFromSelection() const
{
    const std::string bytes = ToBytes(textCursor().selectedText());
    auto* mime = new QMimeData;
    mime->setData(kBytesMimeType, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    mime->setText(ClipboardText(bytes));
    return mime;
}

// Paste and drop. The exact bytes when they are there, else the text encoded; the repair of the
// lines around joins the same undo step.
void CSheetEdit::insertFromMimeData(const QMimeData* source)
{
    if (source == nullptr)
        return;
    std::string bytes;
    if (source->hasFormat(kBytesMimeType)) {
        const QByteArray exact = source->data(kBytesMimeType);
        bytes = WithoutNul(std::string(exact.constData(), static_cast<std::size_t>(exact.size())));
    } else if (source->hasText()) {
        bytes = ForeignToBytes(source->text());
    }
    if (bytes.empty())
        return;
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    const QTextBlock startBlock = document()->findBlock(cursor.selectionStart());
    const int first = startBlock.isValid() ? startBlock.blockNumber() : 0;
    cursor.insertText(FromBytes(bytes));
    RepairBlocks(first, cursor.block().blockNumber());
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}
