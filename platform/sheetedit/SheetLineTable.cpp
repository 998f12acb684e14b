#include "SheetLineTable.h"

#include "Cp932ByteClass.h"
#include "Cp932Codec.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string>

namespace {

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
            const bool two = !stray && cp932::IsLeadByte(static_cast<unsigned char>(bytes[at]));
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

struct CharStep
{
    std::size_t units; // UTF-16 units of the character
    std::size_t bytes; // bytes it encodes to
};

// The character that begins at text[i], i < text.size(). The counts agree with Utf16ToCp932 for
// any text, so the line table stays right even for a moment before a repair.
CharStep StepAt(std::u16string_view text, std::size_t i)
{
    const char16_t u = text[i];
    if (u < 0x80)
        return {1, 1};
    if (cp932::IsHighSurrogate(u))
        return {(i + 1 < text.size() && cp932::IsLowSurrogate(text[i + 1])) ? 2u : 1u, 1};
    return {1, TwoByteUnits().Has(u) ? 2u : 1u};
}

} // namespace

LineInfo ScanLine(std::u16string_view text)
{
    LineInfo info{0, 14695981039346656037u};
    for (std::size_t i = 0; i < text.size();) {
        const CharStep step = StepAt(text, i);
        info.bytes += step.bytes;
        i += step.units;
    }
    for (const char16_t u : text)
        info.hash = (info.hash ^ u) * 1099511628211u;
    return info;
}

std::vector<LineInfo> ScanLines(std::u16string_view text, char16_t lineBreak)
{
    std::vector<LineInfo> lines;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = text.find(lineBreak, begin);
        lines.push_back(ScanLine(text.substr(
            begin, end == std::u16string_view::npos ? std::u16string_view::npos : end - begin)));
        if (end == std::u16string_view::npos)
            break;
        begin = end + 1;
    }
    return lines;
}

std::size_t ColumnOf(std::u16string_view text, std::size_t position)
{
    position = std::min(position, text.size());
    std::size_t column = 0;
    for (std::size_t i = 0; i < position;) {
        const CharStep step = StepAt(text, i);
        column += step.bytes;
        i += step.units;
    }
    return column;
}

std::size_t PositionOfColumn(std::u16string_view text, std::size_t column)
{
    std::size_t bytes = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const CharStep step = StepAt(text, i);
        if (bytes + step.bytes > column)
            break;
        bytes += step.bytes;
        i += step.units;
    }
    return i;
}

namespace {

constexpr std::size_t kChunk = 512;

} // namespace

void CSheetLineTable::Assign(const std::vector<LineInfo>& lines)
{
    m_chunks.clear();
    m_count = 0;
    m_bytes = 0;
    PutChunks(0, lines);
}

const LineInfo& CSheetLineTable::At(std::size_t line) const
{
    const auto [chunk, first, start] = Find(line);
    return m_chunks[chunk].lines[line - first];
}

std::size_t CSheetLineTable::Start(std::size_t line) const
{
    const auto [chunk, first, start] = Find(line);
    std::size_t offset = start;
    const std::vector<LineInfo>& lines = m_chunks[chunk].lines;
    for (std::size_t i = 0; i < line - first; ++i)
        offset += lines[i].bytes + 2;
    return offset;
}

CSheetLineTable::Place CSheetLineTable::Locate(std::size_t offset) const
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

bool CSheetLineTable::Holds(std::size_t first, const std::vector<LineInfo>& lines) const
{
    if (first >= m_count || lines.size() > m_count - first)
        return false;
    const Found found = Find(first);
    std::size_t chunk = found.chunk;
    std::size_t at = first - found.firstLine;
    for (const LineInfo& line : lines) {
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

void CSheetLineTable::Replace(std::size_t first, std::size_t count,
                              const std::vector<LineInfo>& lines)
{
    if (m_chunks.empty()) {
        PutChunks(0, lines);
        return;
    }
    first = std::min(first, m_count);
    count = std::min(count, m_count - first);
    // The chunks from `from` to `to` hold the lines replaced, or the line `first` when none is.
    const std::size_t lastLine = count == 0 ? std::min(first, m_count - 1) : first + count - 1;
    const Found head = Find(std::min(first, m_count - 1));
    std::size_t from = head.chunk;
    std::size_t fromLine = head.firstLine;
    std::size_t to = Find(lastLine).chunk;
    // A small result takes in a neighbour, so that chunks do not dwindle.
    const std::size_t kept =
        m_chunks[from].lines.size() + (to == from ? 0 : TotalLines(from + 1, to));
    if (kept - count + lines.size() < kChunk / 4) {
        if (to + 1 < m_chunks.size()) {
            ++to;
        } else if (from > 0) {
            --from;
            fromLine -= m_chunks[from].lines.size();
        }
    }
    std::vector<LineInfo> merged;
    for (std::size_t c = from; c <= to; ++c) {
        const std::vector<LineInfo>& chunkLines = m_chunks[c].lines;
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

CSheetLineTable::Found CSheetLineTable::Find(std::size_t line) const
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

std::size_t CSheetLineTable::TotalLines(std::size_t from, std::size_t to) const
{
    std::size_t total = 0;
    for (std::size_t c = from; c <= to && c < m_chunks.size(); ++c)
        total += m_chunks[c].lines.size();
    return total;
}

void CSheetLineTable::PutChunks(std::size_t at, const std::vector<LineInfo>& lines)
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
        for (const LineInfo& line : chunk.lines)
            chunk.bytes += line.bytes + 2;
        m_bytes += chunk.bytes;
        m_count += chunk.lines.size();
    }
    m_chunks.insert(m_chunks.begin() + static_cast<std::ptrdiff_t>(at),
                    std::make_move_iterator(made.begin()), std::make_move_iterator(made.end()));
}
