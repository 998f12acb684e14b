// cp932_literals IN OUT: copies the C++ source IN to OUT with the text of every string literal in
// code page 932. IN is UTF-8, so that Japanese texts are written once as they read; in OUT each
// character outside ASCII becomes the \x escapes of its code page 932 bytes, which every compiler
// takes as they stand, whatever its source and execution character sets. Comments and all other
// text are copied unchanged. Fails, naming the line, for a character the code page lacks or gives
// back as another, and for the literal forms it does not read (raw strings, prefixed literals).

#include "Cp932Codec.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

struct Failure
{
    std::string message;
};

bool IsAscii(char c)
{
    return static_cast<unsigned char>(c) < 0x80;
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsIdentifierChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// The \x escapes of `utf8` (a run of characters outside ASCII) in code page 932.
std::string Escaped(std::string_view utf8, int line)
{
    const std::string bytes = Utf8ToCp932(utf8);
    if (Cp932ToUtf8(bytes) != utf8)
        throw Failure{"line " + std::to_string(line) + ": \"" + std::string(utf8) +
                      "\" has no code page 932 form that reads back as it stands"};
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += "\\x";
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    }
    return out;
}

class CConverter
{
public:
    explicit CConverter(std::string_view in) : m_in(in) {}

    std::string Run()
    {
        while (m_at < m_in.size()) {
            const char c = m_in[m_at];
            if (Starts("//"))
                CopyUntil("\n");
            else if (Starts("/*"))
                CopyUntil("*/");
            else if (c == '"')
                StringLiteral();
            else if (c == '\'' && !(m_at > 0 && IsIdentifierChar(m_in[m_at - 1])))
                CharLiteral(); // after a digit a quote separates digit groups
            else
                Copy(1);
        }
        return m_out;
    }

private:
    bool Starts(std::string_view s) const { return m_in.substr(m_at).starts_with(s); }

    void Copy(std::size_t n)
    {
        for (std::size_t i = 0; i < n && m_at < m_in.size(); ++i, ++m_at) {
            m_line += m_in[m_at] == '\n';
            m_out += m_in[m_at];
        }
    }

    void CopyUntil(std::string_view end)
    {
        const std::size_t found = m_in.find(end, m_at + 2);
        Copy(found == std::string_view::npos ? m_in.size() - m_at : found + end.size() - m_at);
    }

    [[noreturn]] void Fail(const std::string& what) const
    {
        throw Failure{"line " + std::to_string(m_line) + ": " + what};
    }

    // A literal whose text the compiler would not take byte for byte.
    void RejectPrefix() const
    {
        std::size_t start = m_at;
        while (start > 0 && IsIdentifierChar(m_in[start - 1]))
            --start;
        if (start < m_at)
            Fail("a literal with the prefix " + std::string(m_in.substr(start, m_at - start)));
    }

    void StringLiteral()
    {
        RejectPrefix();
        Copy(1);
        while (true) {
            if (m_at >= m_in.size() || m_in[m_at] == '\n')
                Fail("a string literal without its closing quote");
            const char c = m_in[m_at];
            if (c == '"') {
                Copy(1);
                return;
            }
            if (c == '\\') {
                Copy(2);
                continue;
            }
            if (IsAscii(c)) {
                Copy(1);
                continue;
            }
            std::size_t end = m_at;
            while (end < m_in.size() && !IsAscii(m_in[end]))
                ++end;
            m_out += Escaped(m_in.substr(m_at, end - m_at), m_line);
            m_at = end;
            // A hex escape runs on over any hex digit, so the literal is split before one.
            if (m_at < m_in.size() && IsHexDigit(m_in[m_at]))
                m_out += "\" \"";
        }
    }

    void CharLiteral()
    {
        Copy(1);
        while (m_at < m_in.size() && m_in[m_at] != '\'' && m_in[m_at] != '\n') {
            if (!IsAscii(m_in[m_at]))
                Fail("a character literal outside ASCII");
            Copy(m_in[m_at] == '\\' ? 2 : 1);
        }
        Copy(1);
    }

    std::string_view m_in;
    std::size_t m_at = 0;
    int m_line = 1;
    std::string m_out;
};

bool ReadFile(const char* path, std::string& out)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        out.append(buffer, got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: cp932_literals IN OUT\n";
        return 2;
    }
    std::string source;
    if (!ReadFile(argv[1], source)) {
        std::cerr << "cp932_literals: cannot read " << argv[1] << '\n';
        return 1;
    }
    try {
        std::string out = "// Generated by cp932_literals from ";
        out += std::filesystem::path(argv[1]).filename().string();
        out += "; edit that file.\n";
        out += CConverter(source).Run();
        std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
        file << out;
        if (!file.flush()) {
            std::cerr << "cp932_literals: cannot write " << argv[2] << '\n';
            return 1;
        }
    } catch (const Failure& failure) {
        std::cerr << argv[1] << ": " << failure.message << '\n';
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
