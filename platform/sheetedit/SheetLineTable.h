#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// The sheet's lines measured in code page 932 bytes, kept beside the widget's UTF-16 text so that
// byte offsets and text positions convert in time proportional to a chunk, not to the sheet.
// Standard library only: the arithmetic is tested without a widget.

// One line of the sheet as the table keeps it.
struct LineInfo
{
    std::size_t bytes;  // without the CR LF
    std::uint64_t hash; // of the line's text, to tell a real change from a format-only one
    bool operator==(const LineInfo&) const = default;
};

// The line `text` (UTF-16, no line break) as the table keeps it.
LineInfo ScanLine(std::u16string_view text);
// Every line of `text`, whose lines are separated by `lineBreak`.
std::vector<LineInfo> ScanLines(std::u16string_view text, char16_t lineBreak);

// Bytes before unit `position` (clamped) of a line's text. Agrees with Utf16ToCp932 for any text,
// lone surrogates and stray-byte marks included.
std::size_t ColumnOf(std::u16string_view text, std::size_t position);
// The unit position of byte `column` of a line; a column inside a character gives its start.
std::size_t PositionOfColumn(std::u16string_view text, std::size_t column);

// The bytes of every line, in chunks of a few hundred lines with the bytes of each chunk, so that
// the offset of a line and the line of an offset take a walk over the chunks and one chunk, and
// replacing lines rewrites one or two chunks. Lines end in CR LF but the last.
class CSheetLineTable
{
public:
    struct Place
    {
        std::size_t line;
        std::size_t start;  // offset of the line's first byte
        std::size_t column; // bytes into the line, at most its length
    };

    void Assign(const std::vector<LineInfo>& lines);

    std::size_t Count() const { return m_count; }
    std::size_t TotalBytes() const { return m_bytes >= 2 ? m_bytes - 2 : 0; }

    // `line` is below Count().
    const LineInfo& At(std::size_t line) const;
    // The offset of `line`, which is below Count().
    std::size_t Start(std::size_t line) const;
    // The line that holds `offset` (clamped to the text). An offset between the CR and the LF
    // after a line belongs to it, at its end.
    Place Locate(std::size_t offset) const;
    // Whether the lines from `first` are `lines`.
    bool Holds(std::size_t first, const std::vector<LineInfo>& lines) const;
    // Replaces `count` lines from `first` with `lines`.
    void Replace(std::size_t first, std::size_t count, const std::vector<LineInfo>& lines);

private:
    struct Chunk
    {
        std::vector<LineInfo> lines;
        std::size_t bytes = 0; // the lines' bytes and a CR LF after each
    };
    struct Found
    {
        std::size_t chunk;
        std::size_t firstLine; // of the chunk
        std::size_t start;     // offset of the chunk's first line
    };

    // The chunk of `line`, which is below Count().
    Found Find(std::size_t line) const;
    std::size_t TotalLines(std::size_t from, std::size_t to) const;
    // Puts `lines` in new chunks of about kChunk lines from chunk index `at`.
    void PutChunks(std::size_t at, const std::vector<LineInfo>& lines);

    std::vector<Chunk> m_chunks;
    std::size_t m_count = 0;
    std::size_t m_bytes = 0;
};
