#include "CommandLineTool.h"

#include "AnswerText.h"
#include "BrunoveltVersion.h"
#include "CalcFunction.h"
#include "CalcMessages.h"
#include "Calculator.h"
#include "Cp932Codec.h"
#include "SelfTestMessage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

constexpr const char* kUsage =
    "usage: brunovelt                 start the calculation sheet\n"
    "       brunovelt FILE            open FILE as the sheet\n"
    "       brunovelt --calc [--comma] [--raw] [--cp932] [FORMULA ...]\n"
    "                                 answer each FORMULA, or each line of standard input\n"
    "         --comma                 answers with thousands separators (1,234,567)\n"
    "         --raw                   no full-width conversion, no trimming of blanks and '='\n"
    "         --cp932                 input and output in code page 932 instead of UTF-8\n"
    "       brunovelt --self-test     run the built-in self-test\n"
    "       brunovelt --functions     list the built-in functions\n"
    "       brunovelt --help | --version\n";

// Output through one buffer of our own: written in large blocks into a pipe or a file, after
// every line on a terminal so that the tool can be used interactively.
class CLineWriter
{
public:
    CLineWriter(std::FILE* file) : m_file(file), m_lineBuffered(isatty(fileno(file)) != 0)
    {
        m_buffer.reserve(kBlock + 4096);
    }

    std::string& Buffer() { return m_buffer; }

    void EndLine()
    {
        m_buffer.push_back('\n');
        if (m_lineBuffered || m_buffer.size() >= kBlock)
            Flush();
    }

    // False when anything failed to reach the file.
    bool Flush()
    {
        if (!m_buffer.empty() &&
            std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size())
            m_failed = true;
        m_buffer.clear();
        if (std::fflush(m_file) != 0)
            m_failed = true;
        return !m_failed;
    }

private:
    static constexpr std::size_t kBlock = 64 * 1024;
    std::FILE* m_file;
    bool m_lineBuffered;
    bool m_failed = false;
    std::string m_buffer;
};

struct CalcOptions
{
    bool comma = false;
    bool normalize = true;
    bool cp932 = false;
};

// The longest line that is answered: the largest file the window opens as a sheet. A longer
// line gets kTooLongMessage and is skipped to its end, so that input without line feeds (a
// binary file piped by mistake) is read in bounded memory.
constexpr std::size_t kMaxLineBytes = 1024 * 1024;
constexpr const char* kTooLongMessage = "1MBを越える行は計算できません"; // UTF-8

bool IsAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Answers lines the way the sheet's Enter command does, converting around the engine.
class CLineCalculator
{
public:
    CLineCalculator(const CalcOptions& options, CLineWriter& writer)
        : m_options(options), m_writer(writer)
    {}

    void Answer(std::string_view line)
    {
        if (line.size() > kMaxLineBytes) {
            AnswerTooLong();
            return;
        }
        // The sheet shows a NUL as '?' (a formula error), where the engine would end the text.
        std::string withoutNul;
        if (line.find('\0') != std::string_view::npos) {
            withoutNul.assign(line);
            std::replace(withoutNul.begin(), withoutNul.end(), '\0', '?');
            line = withoutNul;
        }
        std::string& out = m_writer.Buffer();
        if (!line.empty()) {
            const bool convert = !m_options.cp932 && !IsAscii(line);
            const std::string cp932 = convert ? Utf8ToCp932(line) : std::string();
            const std::string_view text = convert ? std::string_view(cp932) : line;
            const std::size_t start = out.size();
            const int code =
                AppendAnswerForLine(out, text, m_options.comma, m_lastAnswer, m_options.normalize);
            // Answers are ASCII; only the error messages need converting back.
            if (code < 0 && !m_options.cp932) {
                out.resize(start);
                out += MessageInUtf8(code);
            }
        }
        m_writer.EndLine();
    }

    void AnswerTooLong()
    {
        m_writer.Buffer() += m_options.cp932 ? Utf8ToCp932(kTooLongMessage) : kTooLongMessage;
        m_writer.EndLine();
    }

private:
    const std::string& MessageInUtf8(int code)
    {
        std::string& cached = m_utf8Messages[-code % 8];
        if (cached.empty())
            cached = Cp932ToUtf8(CalcErrorMessage(code));
        return cached;
    }

    const CalcOptions& m_options;
    CLineWriter& m_writer;
    double m_lastAnswer = 0;
    std::string m_utf8Messages[8];
};

// Reads `in` in blocks and answers every line: LF ends a line, a CR before it is dropped, and a
// last line without LF counts. Memory stays at one block plus kMaxLineBytes.
bool AnswerStream(std::FILE* in, CLineCalculator& calculator)
{
    constexpr std::size_t kBlock = 256 * 1024;
    std::string pending;  // the start of a line that runs past the end of a block
    bool tooLong = false; // the line being read is over kMaxLineBytes: its bytes are dropped
    std::string block(kBlock, '\0');
    auto answer = [&](std::string_view line) {
        if (tooLong) {
            tooLong = false;
            calculator.AnswerTooLong();
            return;
        }
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        calculator.Answer(line);
    };
    for (;;) {
        const std::size_t n = std::fread(block.data(), 1, block.size(), in);
        if (n == 0)
            break;
        std::string_view rest(block.data(), n);
        for (std::size_t lf; (lf = rest.find('\n')) != std::string_view::npos;) {
            if (pending.empty()) {
                answer(rest.substr(0, lf));
            } else {
                pending.append(rest.substr(0, lf));
                answer(pending);
                pending.clear();
            }
            rest.remove_prefix(lf + 1);
        }
        if (!tooLong && pending.size() + rest.size() > kMaxLineBytes + 1) { // +1: a CR before LF
            tooLong = true;
            pending.clear();
            pending.shrink_to_fit();
        }
        if (!tooLong)
            pending.append(rest);
    }
    if (!pending.empty() || tooLong)
        answer(pending);
    return std::ferror(in) == 0;
}

int RunCalc(std::span<const char* const> args, std::FILE* in, std::FILE* out, std::FILE* err)
{
    CalcOptions options;
    std::size_t i = 0;
    // Options come first; "--" ends them, so that a formula may begin with "--".
    for (; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--comma")
            options.comma = true;
        else if (arg == "--raw")
            options.normalize = false;
        else if (arg == "--cp932")
            options.cp932 = true;
        else if (arg == "--") {
            ++i;
            break;
        } else if (arg.size() > 2 && arg.substr(0, 2) == "--" && arg[2] >= 'a' && arg[2] <= 'z') {
            std::fprintf(err, "brunovelt: unknown option for --calc: %s\n", args[i]);
            return 2;
        } else
            break;
    }

    CLineWriter writer(out);
    CLineCalculator calculator(options, writer);
    bool readOk = true;
    if (i < args.size()) {
        for (; i < args.size(); ++i)
            calculator.Answer(args[i]);
    } else {
        readOk = AnswerStream(in, calculator);
    }
    if (!writer.Flush()) {
        std::fprintf(err, "brunovelt: cannot write the answers: %s\n", std::strerror(errno));
        return 1;
    }
    if (!readOk) {
        std::fprintf(err, "brunovelt: cannot read the formulas: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

// The status for output that is written: `status` when all of it reached `out`, else 1 after
// the reason on `err`, so that a script never reads a failed write as success.
int FlushedStatus(int status, std::FILE* out, std::FILE* err)
{
    if (std::fflush(out) != 0 || std::ferror(out) != 0) {
        std::fprintf(err, "brunovelt: cannot write the output: %s\n", std::strerror(errno));
        return 1;
    }
    return status;
}

int RunSelfTestMode(std::FILE* out, std::FILE* err)
{
    const SelfTestResult result = RunSelfTest();
    std::fprintf(out, "%s\n", Cp932ToUtf8(SelfTestMessage(result)).c_str());
    return FlushedStatus(result.outcome == ESelfTestOutcome::Passed ? 0 : 1, out, err);
}

int ListFunctions(std::FILE* out, std::FILE* err)
{
    const CCalcFunctionArray& catalogue = GetCalcFunctions();
    for (int i = 0; i < catalogue.GetSize(); ++i) {
        const CCalcFunction& f = catalogue.GetAt(i);
        std::fprintf(out, "%s\t%s\t%s\n", f.m_strName.c_str(), Cp932ToUtf8(f.m_strParams).c_str(),
                     Cp932ToUtf8(f.m_strComment).c_str());
    }
    return FlushedStatus(0, out, err);
}

// A double-dash argument that names no mode: the window takes none. The flags of the Windows
// framework ("/p", "-Embedding") are not of this form and stay ignored.
bool IsUnknownLongOption(std::string_view arg)
{
    return arg.size() > 2 && arg.substr(0, 2) == "--";
}

} // namespace

std::optional<int> RunCommandLineTool(std::span<const char* const> args, std::FILE* in,
                                      std::FILE* out, std::FILE* err)
{
    if (args.empty())
        return std::nullopt;
    const std::string_view mode = args[0];
    const auto rest = args.subspan(1);
    auto noMoreArguments = [&]() {
        if (rest.empty())
            return true;
        std::fprintf(err, "brunovelt: %s takes no arguments\n", args[0]);
        return false;
    };

    if (mode == "--calc")
        return RunCalc(rest, in, out, err);
    if (mode == "--self-test")
        return noMoreArguments() ? RunSelfTestMode(out, err) : 2;
    if (mode == "--functions")
        return noMoreArguments() ? ListFunctions(out, err) : 2;
    if (mode == "--help" || mode == "-h") {
        std::fputs(kUsage, out);
        return FlushedStatus(0, out, err);
    }
    if (mode == "--version") {
        std::fprintf(out, "%s\n", kVersionText);
        return FlushedStatus(0, out, err);
    }
    for (const char* arg : args) {
        if (IsUnknownLongOption(arg)) {
            std::fprintf(err, "brunovelt: unknown option %s (brunovelt --help lists them)\n", arg);
            return 2;
        }
    }
    return std::nullopt;
}
