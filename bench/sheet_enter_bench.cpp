#include "Cp932Codec.h"
#include "EnterCommand.h"
#include "RecoveryCopies.h"
#include "SheetEdit.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string>

// The sheet operations of the Enter command on the last line of a small and a large sheet. The
// large one should cost about what the small one does: every step works on one line.

namespace {

// Formula lines, every third with Japanese text, up to about `bytes` bytes; the last line is the
// one the caret is on.
std::string MakeSheet(std::size_t bytes)
{
    const std::string tax = Utf8ToCp932("税込");
    const std::string total = Utf8ToCp932("合計＝");
    std::string text;
    for (unsigned i = 0; text.size() < bytes; ++i) {
        const std::string n = std::to_string(i);
        switch (i % 3) {
        case 0: text += n + "+" + std::to_string(i * 7 % 1000) + "*3\r\n"; break;
        case 1: text += tax + " " + n + "*1.1\r\n" + n + "\r\n"; break;
        default: text += total + "SUM(" + n + ",2,3)/4\r\n\r\n"; break;
        }
    }
    return text + "12+30";
}

// What Enter writes after "12+30": CR LF "42" CR LF.
constexpr std::size_t kAnswerBytes = 6;

// One sheet of each size, shown, for the whole run; main lets them go before the application.
std::map<std::size_t, std::unique_ptr<CSheetEdit>> g_sheets;

CSheetEdit& SheetOf(std::size_t bytes)
{
    std::unique_ptr<CSheetEdit>& sheet = g_sheets[bytes];
    if (!sheet) {
        sheet = std::make_unique<CSheetEdit>();
        sheet->resize(640, 480);
        sheet->show();
        sheet->SetText(MakeSheet(bytes));
        QApplication::processEvents();
    }
    const std::size_t end = sheet->LineIndex(sheet->CurrentLine() + 1000000);
    sheet->SetSelection(end, end);
    return *sheet;
}

// The Enter command itself on the caret's line: read, normalise, evaluate, write the answer.
void EnterSteps(CSheetEdit& sheet)
{
    double lastAnswer = 0;
    RunEnterCommand(sheet, false, lastAnswer);
    benchmark::DoNotOptimize(lastAnswer);
}

// The sheet keeps its size: the answer is taken out again, untimed, with the painting it asked
// for.
void TakeAnswerOut(CSheetEdit& sheet, benchmark::State& state)
{
    state.PauseTiming();
    const std::size_t end = sheet.GetSelection().end;
    sheet.SetSelection(end - kAnswerBytes, end);
    sheet.ReplaceSelection("");
    QApplication::processEvents();
    state.ResumeTiming();
}

void BM_Enter(benchmark::State& state)
{
    CSheetEdit& sheet = SheetOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        EnterSteps(sheet);
        TakeAnswerOut(sheet, state);
    }
}
BENCHMARK(BM_Enter)->Arg(4 << 10)->Arg(4 << 20)->Unit(benchmark::kMicrosecond);

// The sheet grows by two lines each time, as when the user presses Enter over and over.
void BM_EnterGrowing(benchmark::State& state)
{
    CSheetEdit& sheet = SheetOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        EnterSteps(sheet);
    sheet.SetText(MakeSheet(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_EnterGrowing)->Arg(4 << 10)->Arg(4 << 20)->Unit(benchmark::kMicrosecond);

// Enter as the window runs it on the largest sheet a file holds: the command, then the sheet's
// recovery copy written (a new file renamed over the old one, in a temporary folder here).
void BM_EnterWithRecoveryCopy(benchmark::State& state)
{
    CSheetEdit& sheet = SheetOf(static_cast<std::size_t>(state.range(0)));
    const QTemporaryDir stateFolder;
    const CRecoveryCopies copies(stateFolder.path());
    const QString document = QStringLiteral("/home/user/計算Log.txt");
    for (auto _ : state) {
        EnterSteps(sheet);
        if (copies.Write(document, sheet.GetText()) != EFileError::None)
            state.SkipWithError("the copy could not be written");
        TakeAnswerOut(sheet, state);
    }
}
BENCHMARK(BM_EnterWithRecoveryCopy)->Arg(32000)->Unit(benchmark::kMicrosecond);

// What flushing the copy to the disk would add to every Enter (fsync of the file), measured in
// the folder the copies live in by default, to decide against it.
void BM_RecoveryCopyFlush(benchmark::State& state)
{
    const std::string bytes = MakeSheet(32000);
    const QString folder = qEnvironmentVariable("BENCH_FLUSH_FOLDER", QStringLiteral("."));
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/.flush-bench.tmp"));
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            state.SkipWithError("cannot write");
        ::fsync(fd);
        ::close(fd);
    }
    ::unlink(path.constData());
}
BENCHMARK(BM_RecoveryCopyFlush)->Unit(benchmark::kMicrosecond);

// The reading steps alone, which change nothing.
void BM_ReadLastLine(benchmark::State& state)
{
    CSheetEdit& sheet = SheetOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const std::size_t line = sheet.CurrentLine();
        const std::size_t start = sheet.LineIndex(line);
        benchmark::DoNotOptimize(sheet.LineLength(start));
        benchmark::DoNotOptimize(sheet.GetLine(line));
        benchmark::DoNotOptimize(sheet.GetSelection());
    }
}
BENCHMARK(BM_ReadLastLine)->Arg(4 << 10)->Arg(4 << 20)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_sheets.clear();
    return 0;
}
