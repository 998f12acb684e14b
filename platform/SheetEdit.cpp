#include "SheetEdit.h"

#include "Cp932Codec.h"

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
#include <array>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

// How a lone CR and a lone LF show inside a line.
constexpr char16_t kCrMark = u'\u240D';
constexpr char16_t kLfMark = u'\u240A';
// What QTextDocument keeps between blocks.
constexpr char16_t kBlockBreak = u'\u2029';

constexpr bool IsLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
constexpr bool IsHighSurrogate(char16_t u)
{
    return u >= 0xD800 && u <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char16_t u)
{
    return u >= 0xDC00 && u <= 0xDFFF;
}

std::u16string_view Units(QStringView text)
{
    return {text.utf16(), static_cast<std::size_t>(text.size())};
}

// One bit for each BMP code unit that encodes to two bytes. Built from the codec itself, in one
// pass over every unit outside the surrogates: a two-byte code always begins with a lead byte,
// and the only one-byte codes that are lead bytes are the stray bytes at U+F700 + byte.
class CTwoByteUnits
{
public:
    CTwoByteUnits()
    {
        std::u16string all;
        all.reserve(0x10000 - 0x800);
        for (std::uint32_t c = 0; c <= 0xFFFF; ++c) {
            if (c < 0xD800 || c > 0xDFFF)
                all.push_back(static_cast<char16_t>(c));
        }
        const std::string bytes = Utf16ToCp932(all);
        std::size_t at = 0;
        for (const char16_t u : all) {
            if (at >= bytes.size())
                break;
            const bool stray = u >= 0xF700 && u <= 0xF7FF;
            const bool two = !stray && IsLeadByte(static_cast<unsigned char>(bytes[at]));
            if (two)
                m_bits[u >> 6] |= std::uint64_t{1} << (u & 63u);
            at += two ? 2 : 1;
        }
    }
    bool Has(char16_t u) const { return ((m_bits[u >> 6] >> (u & 63u)) & 1u) != 0; }

private:
    std::array<std::uint64_t, 1024> m_bits{};
};

const CTwoByteUnits& TwoByteUnits()
{
    static const CTwoByteUnits table;
    return table;
}

struct SStep
{
    std::size_t units; // UTF-16 units of the character
    std::size_t bytes; // bytes it encodes to
};

// The character that begins at text[i], i < text.size(). The counts agree with Utf16ToCp932 for
// any text, so the line table stays right even for a moment before a repair.
SStep StepAt(std::u16string_view text, std::size_t i)
{
    const char16_t u = text[i];
    if (u < 0x80)
        return {1, 1};
    if (IsHighSurrogate(u))
        return {(i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ? 2u : 1u, 1};
    return {1, TwoByteUnits().Has(u) ? 2u : 1u};
}

struct SLineInfo
{
    std::size_t bytes;  // without the CR LF
    std::uint64_t hash; // of the line's text, to tell a real change from a format-only one
    bool operator==(const SLineInfo&) const = default;
};

SLineInfo ScanLine(std::u16string_view text)
{
    SLineInfo info{0, 14695981039346656037u};
    for (std::size_t i = 0; i < text.size();) {
        const SStep step = StepAt(text, i);
        info.bytes += step.bytes;
        i += step.units;
    }
    for (const char16_t u : text)
        info.hash = (info.hash ^ u) * 1099511628211u;
    return info;
}

// Bytes before `position` (in units, clamped) of a line's text.
std::size_t ColumnOf(std::u16string_view text, std::size_t position)
{
    position = std::min(position, text.size());
    std::size_t column = 0;
    for (std::size_t i = 0; i < position;) {
        const SStep step = StepAt(text, i);
        column += step.bytes;
        i += step.units;
    }
    return column;
}

// The unit position of byte `column` of a line; a column inside a character gives its start.
std::size_t PositionOfColumn(std::u16string_view text, std::size_t column)
{
    std::size_t bytes = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const SStep step = StepAt(text, i);
        if (bytes + step.bytes > column)
            break;
        bytes += step.bytes;
        i += step.units;
    }
    return i;
}

// Sheet text (marks and block breaks) to bytes.
std::string DocToBytes(QStringView text)
{
    std::u16string units;
    units.reserve(static_cast<std::size_t>(text.size()));
    for (const char16_t u : Units(text)) {
        switch (u) {
        case kCrMark: units.push_back(u'\r'); break;
        case kLfMark: units.push_back(u'\n'); break;
        case kBlockBreak: units.append(u"\r\n"); break;
        default: units.push_back(u); break;
        }
    }
    return Utf16ToCp932(units);
}

// Bytes to sheet text: CR LF becomes a block break, a lone CR or LF its mark.
QString BytesToDoc(std::string_view bytes)
{
    const std::u16string units = Cp932ToUtf16(bytes);
    QString text;
    text.reserve(static_cast<qsizetype>(units.size()));
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u == u'\r' && i + 1 < units.size() && units[i + 1] == u'\n') {
            text.append(QChar(kBlockBreak));
            ++i;
        } else if (u == u'\r') {
            text.append(QChar(kCrMark));
        } else if (u == u'\n') {
            text.append(QChar(kLfMark));
        } else {
            text.append(QChar(u));
        }
    }
    return text;
}

// ASCII that goes in as it stands: no line break, and no NUL, which ends the text of a file.
bool IsPlainAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x80 && c.unicode() != u'\r' && c.unicode() != u'\n' &&
               c.unicode() != u'\0';
    });
}

// A NUL would end the sheet where a file is read back; it goes in as '?', as a character the
// code page lacks does.
std::string WithoutNul(std::string bytes)
{
    std::replace(bytes.begin(), bytes.end(), '\0', '?');
    return bytes;
}

// What a line's text becomes when its bytes are read back.
QString CanonicalLine(const QString& text)
{
    if (IsPlainAscii(text))
        return text;
    return BytesToDoc(Cp932SteadyBytes(DocToBytes(text)));
}

// Text from outside (keys, input methods, the clipboard, drops) as bytes: NUL and characters the
// code page lacks become '?', and CR LF, LF and CR each become CR LF.
std::string ForeignTextToBytes(QStringView text)
{
    const std::string raw = Utf16ToCp932(Units(text));
    std::string bytes;
    bytes.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' || raw[i] == '\n') {
            if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
            bytes.append("\r\n");
        } else {
            bytes.push_back(raw[i]);
        }
    }
    return Cp932SteadyBytes(WithoutNul(std::move(bytes)));
}

QString ForeignTextToDoc(QStringView text)
{
    return BytesToDoc(ForeignTextToBytes(text));
}

// Bytes as clipboard text for other programs: line breaks as LF, the way Linux programs write
// them.
QString ClipboardText(std::string_view bytes)
{
    const std::u16string units = Cp932ToUtf16(bytes);
    QString text;
    text.reserve(static_cast<qsizetype>(units.size()));
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (units[i] == u'\r' && i + 1 < units.size() && units[i + 1] == u'\n')
            continue;
        text.append(QChar(units[i]));
    }
    return text;
}

template <typename T> int ToInt(T value)
{
    if (value > static_cast<T>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(value);
}

// Sets a flag for the life of a scope.
class CFlagScope
{
public:
    explicit CFlagScope(bool& flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~CFlagScope() { m_flag = m_old; }
    CFlagScope(const CFlagScope&) = delete;
    CFlagScope& operator=(const CFlagScope&) = delete;

private:
    bool& m_flag;
    bool m_old;
};

} // namespace

// The bytes of every line, in chunks of a few hundred lines with the bytes of each chunk, so that
// the offset of a line and the line of an offset take a walk over the chunks and one chunk, and
// replacing lines rewrites one or two chunks.
class CSheetEdit::CLineTable
{
public:
    struct SPlace
    {
        std::size_t line;
        std::size_t start;  // offset of the line's first byte
        std::size_t column; // bytes into the line, at most its length
    };

    void Assign(std::vector<SLineInfo> lines)
    {
        m_chunks.clear();
        m_count = 0;
        m_bytes = 0;
        PutChunks(0, lines);
    }

    std::size_t Count() const { return m_count; }
    // Lines end in CR LF but the last.
    std::size_t TotalBytes() const { return m_bytes >= 2 ? m_bytes - 2 : 0; }

    const SLineInfo& At(std::size_t line) const
    {
        const auto [chunk, first, start] = Find(line);
        return m_chunks[chunk].lines[line - first];
    }

    // The offset of `line`, which is below Count().
    std::size_t Start(std::size_t line) const
    {
        const auto [chunk, first, start] = Find(line);
        std::size_t offset = start;
        const std::vector<SLineInfo>& lines = m_chunks[chunk].lines;
        for (std::size_t i = 0; i < line - first; ++i)
            offset += lines[i].bytes + 2;
        return offset;
    }

    // The line that holds `offset` (clamped to the text). An offset between the CR and the LF
    // after a line belongs to it, at its end.
    SPlace Locate(std::size_t offset) const
    {
        offset = std::min(offset, TotalBytes());
        std::size_t line = 0;
        std::size_t start = 0;
        for (std::size_t c = 0; c < m_chunks.size(); ++c) {
            const Chunk& chunk = m_chunks[c];
            if (offset >= start + chunk.bytes && c + 1 < m_chunks.size()) {
                start += chunk.bytes;
                line += chunk.lines.size();
                continue;
            }
            for (std::size_t i = 0; i < chunk.lines.size(); ++i) {
                const std::size_t bytes = chunk.lines[i].bytes;
                if (offset < start + bytes + 2 || i + 1 == chunk.lines.size())
                    return {line + i, start, std::min(offset - start, bytes)};
                start += bytes + 2;
            }
        }
        return {0, 0, 0};
    }

    // Whether the lines from `first` are `lines`.
    bool Holds(std::size_t first, const std::vector<SLineInfo>& lines) const
    {
        if (first >= m_count || lines.size() > m_count - first)
            return false;
        const SFound found = Find(first);
        std::size_t chunk = found.chunk;
        std::size_t at = first - found.firstLine;
        for (const SLineInfo& line : lines) {
            while (at >= m_chunks[chunk].lines.size()) {
                ++chunk;
                at = 0;
            }
            if (!(m_chunks[chunk].lines[at] == line))
                return false;
            ++at;
        }
        return true;
    }

    // Replaces `count` lines from `first` with `lines`.
    void Replace(std::size_t first, std::size_t count, const std::vector<SLineInfo>& lines)
    {
        if (m_chunks.empty()) {
            PutChunks(0, lines);
            return;
        }
        first = std::min(first, m_count);
        count = std::min(count, m_count - first);
        // The chunks from `from` to `to` hold the lines replaced, or the line `first` when none is.
        const std::size_t lastLine = count == 0 ? std::min(first, m_count - 1) : first + count - 1;
        auto [from, fromLine, fromStart] = Find(std::min(first, m_count - 1));
        auto [to, toLine, toStart] = Find(lastLine);
        (void)fromStart;
        (void)toStart;
        // A small result takes in a neighbour, so that chunks do not dwindle.
        std::size_t kept =
            m_chunks[from].lines.size() + (to == from ? 0 : TotalLines(from + 1, to));
        if (kept - count + lines.size() < kChunk / 4) {
            if (to + 1 < m_chunks.size()) {
                ++to;
            } else if (from > 0) {
                --from;
                fromLine -= m_chunks[from].lines.size();
            }
        }
        std::vector<SLineInfo> merged;
        for (std::size_t c = from; c <= to; ++c) {
            const std::vector<SLineInfo>& chunkLines = m_chunks[c].lines;
            merged.insert(merged.end(), chunkLines.begin(), chunkLines.end());
        }
        const std::size_t at = first - fromLine;
        merged.erase(merged.begin() + static_cast<std::ptrdiff_t>(at),
                     merged.begin() + static_cast<std::ptrdiff_t>(at + count));
        merged.insert(merged.begin() + static_cast<std::ptrdiff_t>(at), lines.begin(), lines.end());
        for (std::size_t c = from; c <= to; ++c) {
            m_bytes -= m_chunks[c].bytes;
            m_count -= m_chunks[c].lines.size();
        }
        m_chunks.erase(m_chunks.begin() + static_cast<std::ptrdiff_t>(from),
                       m_chunks.begin() + static_cast<std::ptrdiff_t>(to + 1));
        PutChunks(from, merged);
    }

private:
    static constexpr std::size_t kChunk = 512;

    struct Chunk
    {
        std::vector<SLineInfo> lines;
        std::size_t bytes = 0; // the lines' bytes and a CR LF after each
    };

    struct SFound
    {
        std::size_t chunk;
        std::size_t firstLine; // of the chunk
        std::size_t start;     // offset of the chunk's first line
    };

    // The chunk of `line`, which is below Count().
    SFound Find(std::size_t line) const
    {
        std::size_t first = 0;
        std::size_t start = 0;
        for (std::size_t c = 0; c < m_chunks.size(); ++c) {
            const std::size_t size = m_chunks[c].lines.size();
            if (line < first + size || c + 1 == m_chunks.size())
                return {c, first, start};
            first += size;
            start += m_chunks[c].bytes;
        }
        return {0, 0, 0};
    }

    std::size_t TotalLines(std::size_t from, std::size_t to) const
    {
        std::size_t total = 0;
        for (std::size_t c = from; c <= to && c < m_chunks.size(); ++c)
            total += m_chunks[c].lines.size();
        return total;
    }

    // Puts `lines` in new chunks of about kChunk lines from chunk index `at`.
    void PutChunks(std::size_t at, const std::vector<SLineInfo>& lines)
    {
        if (lines.empty())
            return;
        const std::size_t pieces = (lines.size() + kChunk - 1) / kChunk;
        std::vector<Chunk> made(pieces);
        for (std::size_t p = 0; p < pieces; ++p) {
            const std::size_t begin = lines.size() * p / pieces;
            const std::size_t end = lines.size() * (p + 1) / pieces;
            Chunk& chunk = made[p];
            chunk.lines.assign(lines.begin() + static_cast<std::ptrdiff_t>(begin),
                               lines.begin() + static_cast<std::ptrdiff_t>(end));
            for (const SLineInfo& line : chunk.lines)
                chunk.bytes += line.bytes + 2;
            m_bytes += chunk.bytes;
            m_count += chunk.lines.size();
        }
        m_chunks.insert(m_chunks.begin() + static_cast<std::ptrdiff_t>(at),
                        std::make_move_iterator(made.begin()), std::make_move_iterator(made.end()));
    }

    std::vector<Chunk> m_chunks;
    std::size_t m_count = 0;
    std::size_t m_bytes = 0;
};

namespace {

std::vector<SLineInfo> ScanLines(QStringView raw)
{
    std::vector<SLineInfo> lines;
    const std::u16string_view units = Units(raw);
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = units.find(kBlockBreak, begin);
        lines.push_back(ScanLine(units.substr(
            begin, end == std::u16string_view::npos ? std::u16string_view::npos : end - begin)));
        if (end == std::u16string_view::npos)
            break;
        begin = end + 1;
    }
    return lines;
}

} // namespace

CSheetEdit::CSheetEdit(QWidget* parent) : QPlainTextEdit(parent), m_lines(new CLineTable)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
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
    m_lines->Assign(ScanLines(document()->toRawText()));
}

// Brings the line table up to date with the blocks from the one at `position` to the one at the
// end of what was added. The blocks after those are the old ones, unchanged, so the difference in
// block count says how many old lines the new ones replace.
void CSheetEdit::OnContentsChange(int position, int removed, int added)
{
    Q_UNUSED(removed);
    if (m_loading)
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
        std::vector<SLineInfo> lines;
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
    m_textChanged = true;
    if (m_repairing)
        return;
    if (m_repairPending) {
        m_repairFirst = std::min(m_repairFirst, first);
        m_repairLast = std::max(m_repairLast, last);
    } else {
        m_repairPending = true;
        m_repairFirst = first;
        m_repairLast = last;
    }
}

// Runs after each finished edit, outside QTextDocument's own change handling, so it may edit.
void CSheetEdit::OnContentsChanged()
{
    if (m_loading || m_repairing)
        return;
    if (m_repairPending) {
        m_repairPending = false;
        // Undo would bring back the text before the repair, which reads differently from what it
        // shows; ReplaceSelection drops the history itself.
        if (RepairBlocks(m_repairFirst, m_repairLast) && !m_replacing)
            document()->clearUndoRedoStacks();
    }
    if (m_textChanged && !m_replacing) {
        m_textChanged = false;
        if (const std::function<void()> handler = m_changeHandler)
            handler();
    }
}

// Gives each block from `first` to `last` the text its bytes read as; true when one changed.
bool CSheetEdit::RepairBlocks(int first, int last)
{
    CFlagScope repairing(m_repairing);
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
    const CLineTable::SPlace place = m_lines->Locate(offset);
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
    return DocToBytes(document()->findBlockByNumber(ToInt(line)).text());
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
    const QString sheetText = BytesToDoc(text);
    const std::size_t start = GetSelection().start;
    {
        CFlagScope replacing(m_replacing);
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
    m_textChanged = false;
    if (const std::function<void()> handler = m_changeHandler)
        handler();
}

std::string CSheetEdit::GetText() const
{
    return DocToBytes(document()->toRawText());
}

void CSheetEdit::SetText(std::string_view text)
{
    const QString sheetText = BytesToDoc(Cp932SteadyBytes(std::string(text)));
    {
        CFlagScope loading(m_loading);
        setPlainText(sheetText);
    }
    m_lines->Assign(ScanLines(sheetText));
    m_repairPending = false;
    m_textChanged = false;
}

std::size_t CSheetEdit::FirstVisibleLine() const
{
    return static_cast<std::size_t>(std::max(0, verticalScrollBar()->value()));
}

void CSheetEdit::ScrollLines(std::ptrdiff_t lines)
{
    QScrollBar* bar = verticalScrollBar();
    const long long step = std::clamp<long long>(lines, INT_MIN, INT_MAX);
    const long long target =
        std::clamp<long long>(bar->value() + step, bar->minimum(), bar->maximum());
    bar->setValue(static_cast<int>(target));
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
            emit enterPressed();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && !IsPlainAscii(text)) {
        const QString sheetText = ForeignTextToDoc(text);
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
    const QString sheetCommit = commit.isEmpty() ? commit : ForeignTextToDoc(commit);
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
    const std::string bytes = DocToBytes(textCursor().selectedText());
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
        // NUL is never a trail byte, so it can be swapped without splitting a character.
        bytes = WithoutNul(std::string(exact.constData(), static_cast<std::size_t>(exact.size())));
    } else if (source->hasText()) {
        bytes = ForeignTextToBytes(source->text());
    }
    if (bytes.empty())
        return;
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    const QTextBlock startBlock = document()->findBlock(cursor.selectionStart());
    const int first = startBlock.isValid() ? startBlock.blockNumber() : 0;
    cursor.insertText(BytesToDoc(bytes));
    RepairBlocks(first, cursor.block().blockNumber());
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}
