#include "CommandLineTool.h"
#include "WindowSystemCheck.h"
#include "BrunoveltVersion.h"

#include "Cp932Codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string_view>
#include <set>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct ToolRun
{
    std::optional<int> status;
    std::string out;
    std::string err;
};

std::string ReadAll(std::FILE* f)
{
    std::rewind(f);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        text.append(buffer, n);
    return text;
}

// Runs the tool in this process with `input` as standard input.
ToolRun RunTool(std::vector<const char*> args, const std::string& input = "")
{
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    std::fwrite(input.data(), 1, input.size(), in);
    std::rewind(in);
    ToolRun run;
    run.status = RunCommandLineTool(args, in, out, err);
    run.out = ReadAll(out);
    run.err = ReadAll(err);
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    return run;
}

// Each formula argument gives one line: the answer, the message, or an empty line.
TEST(CalcMode, FormulaArguments)
{
    const ToolRun run = RunTool({"--calc", "3+5*2", "IF(5+3>5,10,20)", "ROUND(2.345,2)",
                                 "１２×３＝", "1/0", "", "   ",
                                 "5\xE2\x88\x92"
                                 "2",
                                 "--5"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "13\n10\n2.35\n36\n0で除算しました\n\n\n3\n計算式に異常があります\n");
}

// Standard input: LF ends a line, a CR before it goes, a last line without LF counts.
TEST(CalcMode, StandardInputLines)
{
    const ToolRun run = RunTool({"--calc"}, "1+1\r\n2*3\n\n(2+3\n1/3");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "2\n6\n\n計算式に異常があります\n0.3333333333\n");
    EXPECT_EQ(RunTool({"--calc"}, "").out, "");
    EXPECT_EQ(RunTool({"--calc"}, "\n").out, "\n");
    EXPECT_EQ(RunTool({"--calc"}, "7\r").out, "7\n"); // the CR of a last line without LF too
}

// Lines much longer than the read block are answered whole.
TEST(CalcMode, LongLinesAcrossBlocks)
{
    std::string sum = "1";
    for (int i = 0; i < 200000; ++i)
        sum += "+1";
    const ToolRun run = RunTool({"--calc"}, "2\n" + sum + "\n3\n");
    EXPECT_EQ(run.out, "2\n200001\n3\n");
}

// A NUL is a '?' as in the sheet, not the end of the formula; a line over 1 MiB (the largest
// sheet the window opens) gets a message of its own, and the lines after it are answered.
TEST(CalcMode, NulAndOverlongLines)
{
    using namespace std::string_literals;
    const std::string formulaError = "計算式に異常があります\n";
    EXPECT_EQ(RunTool({"--calc"}, "1+1\0+100\n\0\n"s).out, formulaError + formulaError);
    EXPECT_EQ(RunTool({"--calc", "--raw"}, "1+1\0"s).out, formulaError);

    constexpr std::size_t kMiB = 1024 * 1024;
    const std::string longest = std::string(kMiB - 1, '0') + "7";
    const std::string tooLong = "1MBを越える行は計算できません\n";
    const ToolRun run =
        RunTool({"--calc"}, longest + "\r\n" + longest + "0\n" + std::string(3 * kMiB, '\0') +
                                "\n2\n" + longest + "1");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "7\n" + tooLong + tooLong + "2\n" + tooLong);
    EXPECT_EQ(Cp932ToUtf8(RunTool({"--calc", "--cp932"}, longest + "1\n").out), tooLong);
}

// --comma, --raw and --cp932 change the form, the normalisation and the encoding.
TEST(CalcMode, Options)
{
    EXPECT_EQ(RunTool({"--calc", "--comma", "1234567.5", "-1000"}).out, "1,234,567.5\n-1,000\n");
    EXPECT_EQ(RunTool({"--calc", "--raw", "3+5=", "3+5"}).out, "計算式に異常があります\n8\n");
    // Code page 932 both ways: "１２" in, the code page's message out.
    EXPECT_EQ(RunTool({"--calc", "--cp932", "\x82\x50\x82\x51", "1/0"}).out,
              "12\n0\x82\xC5\x8F\x9C\x8E\x5A\x82\xB5\x82\xDC\x82\xB5\x82\xBD\n");
    EXPECT_EQ(RunTool({"--calc", "--", "--comma"}).out, "計算式に異常があります\n");
    EXPECT_EQ(Cp932ToUtf8(RunTool({"--calc", "--comma", "--raw", "--cp932"}, "1000=\n").out),
              "計算式に異常があります\n");
}

// Bad usage exits 2 with a one-line reason.
TEST(CalcMode, BadUsage)
{
    const ToolRun run = RunTool({"--calc", "--bogus", "1"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("--bogus"), std::string::npos);
    EXPECT_EQ(RunTool({"--self-test", "x"}).status, 2);
    EXPECT_EQ(RunTool({"--functions", "x"}).status, 2);
}

// The other modes; a file name or nothing means the window.
TEST(OtherModes, SelfTestFunctionsHelpVersion)
{
    const ToolRun selfTest = RunTool({"--self-test"});
    EXPECT_EQ(selfTest.status, 0);
    EXPECT_EQ(selfTest.out, "正常終了\n");

    const ToolRun functions = RunTool({"--functions"});
    EXPECT_EQ(functions.status, 0);
    EXPECT_EQ(std::count(functions.out.begin(), functions.out.end(), '\n'), 29);
    EXPECT_EQ(functions.out.substr(0, functions.out.find('\n')), "ABS\t値\t絶対値を求める");
    EXPECT_NE(functions.out.find("IF\t条件,項目1,項目2\t条件が正しいときには項目１を"),
              std::string::npos);

    EXPECT_EQ(RunTool({"--version"}).out, std::string(kVersionText) + "\n");
    EXPECT_NE(RunTool({"--help"}).out.find("--calc"), std::string::npos);
    EXPECT_FALSE(RunTool({}).status.has_value());
    EXPECT_FALSE(RunTool({"sheet.txt"}).status.has_value());
    // The Windows framework's flags stay ignored; an unknown long option is refused.
    EXPECT_FALSE(RunTool({"/p", "-Embedding", "--", "sheet.txt"}).status.has_value());
    for (const std::vector<const char*>& args :
         {std::vector<const char*>{"--bogus"}, {"sheet.txt", "--self-test"}}) {
        const ToolRun unknown = RunTool(args);
        EXPECT_EQ(unknown.status, 2) << args.back();
        EXPECT_EQ(unknown.err, "brunovelt: unknown option " + std::string(args.back()) +
                                   " (brunovelt --help lists them)\n");
    }
}

// The window mode starts only where there is a window system to open on, and a plugin of Qt's
// for it: Qt aborts otherwise.
TEST(WindowMode, NeedsADisplay)
{
    using Env = std::map<std::string, std::string>;
    using Paths = std::set<std::string>;
    const Paths allPlugins = {"/qt/platforms/libqxcb.so",
                              "/qt/platforms/libqwayland-generic.so",
                              "/qt/platforms/libqwayland-egl.so",
                              "/qt/platforms/libqoffscreen.so",
                              "/qt/platforms/libqvnc.so",
                              "/run/user/1/wayland-0",
                              "/tmp/w"};
    const Paths x11Only = {"/qt/platforms/libqxcb.so", "/run/user/1/wayland-0"};
    const Env wayland = {{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_RUNTIME_DIR", "/run/user/1"}};
    const Env both = {
        {"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_RUNTIME_DIR", "/run/user/1"}, {"DISPLAY", ":0"}};
    const struct
    {
        Env env;
        std::vector<const char*> args;
        Paths paths;
        bool canOpen;
    } rows[] = {
        {{}, {}, allPlugins, false},
        {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, {}, allPlugins, false},
        {{{"DISPLAY", ":0"}}, {}, allPlugins, true},
        {wayland, {"sheet.txt"}, allPlugins, true},
        {{{"WAYLAND_DISPLAY", "/tmp/w"}}, {}, allPlugins, true},
        // A Wayland session without Qt's Wayland plugin: X11 through XWayland, or nothing.
        {wayland, {}, x11Only, false},
        {both, {}, x11Only, true},
        {{{"QT_QPA_PLATFORM", "wayland"}, {"DISPLAY", ":0"}}, {}, allPlugins, false},
        {{{"QT_PLUGIN_PATH", "/a:/qt"},
          {"QT_QPA_PLATFORM", "wayland"},
          {"WAYLAND_DISPLAY", "/tmp/w"}},
         {},
         {"/tmp/w", "/qt/platforms/libqwayland-generic.so"},
         true},
        {{{"QT_QPA_PLATFORM_PLUGIN_PATH", "/p"}, {"QT_QPA_PLATFORM", "offscreen"}},
         {},
         {"/p/libqoffscreen.so"},
         true},
        // A WAYLAND_DISPLAY left over from a session that ended.
        {{{"WAYLAND_DISPLAY", "wayland-9"}, {"XDG_RUNTIME_DIR", "/run/user/1"}},
         {},
         allPlugins,
         false},
        {{{"WAYLAND_DISPLAY", "wayland-0"}}, {}, allPlugins, false},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, {}, allPlugins, true},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, {}, {}, false},
        {{{"QT_QPA_PLATFORM", "xcb"}}, {}, allPlugins, false},
        {{{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "w"}}, {}, allPlugins, false},
        {{{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":0"}}, {}, allPlugins, true},
        {{{"QT_QPA_PLATFORM", "wayland-egl"}}, {}, allPlugins, false},
        {{{"QT_QPA_PLATFORM", "vnc:size=800x600"}}, {}, allPlugins, true},
        {{}, {"-platform", "offscreen"}, allPlugins, true},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, {"-platform", "xcb"}, allPlugins, false},
    };
    for (const auto& row : rows) {
        std::FILE* err = std::tmpfile();
        const WindowSystemEnvironment env{
            [&row](const char* name) {
                const auto found = row.env.find(name);
                return found == row.env.end() ? nullptr : found->second.c_str();
            },
            [&row](const char* path) { return row.paths.contains(path); }, "/qt"};
        const bool canOpen = CanOpenWindow(row.args, env, err);
        EXPECT_EQ(canOpen, row.canOpen) << row.env.size() << " " << row.args.size();
        const std::string reason = ReadAll(err);
        EXPECT_EQ(std::count(reason.begin(), reason.end(), '\n'), canOpen ? 0 : 1) << reason;
        std::fclose(err);
    }
}

// Without Qt's Wayland plugin the reason names the package that brings it.
TEST(WindowMode, TheReasonNamesWhatIsMissing)
{
    std::FILE* err = std::tmpfile();
    const WindowSystemEnvironment env{
        [](const char* name) {
            return std::string_view(name) == "WAYLAND_DISPLAY" ? "/tmp/w" : nullptr;
        },
        [](const char* path) { return std::string_view(path) == "/tmp/w"; }, "/qt"};
    EXPECT_FALSE(CanOpenWindow({}, env, err));
    EXPECT_EQ(ReadAll(err),
              "brunovelt: cannot open the window (Qt's Wayland platform plugin is not "
              "installed (qt6-wayland), DISPLAY is not set); brunovelt --help lists "
              "the modes without a window\n");
    std::fclose(err);
}

// A global menu is asked for only where a session bus may answer.
TEST(WindowMode, SessionBusForTheGlobalMenu)
{
    const struct
    {
        const char* address;
        const char* runtime;
        bool socketThere;
        bool mayExist;
    } rows[] = {
        {nullptr, nullptr, false, false},           {"", "", true, false},
        {"unix:path=/run/b", nullptr, false, true}, {nullptr, "/run/user/1", true, true},
        {nullptr, "/run/user/1", false, false},
    };
    for (const auto& row : rows) {
        std::string asked;
        const bool mayExist = SessionBusMayExist(
            [&row](const char* name) {
                return std::string_view(name) == "DBUS_SESSION_BUS_ADDRESS" ? row.address
                       : std::string_view(name) == "XDG_RUNTIME_DIR"        ? row.runtime
                                                                            : nullptr;
            },
            [&](const char* path) {
                asked = path;
                return row.socketThere;
            });
        EXPECT_EQ(mayExist, row.mayExist) << (row.runtime ? row.runtime : "-");
        if (row.runtime && *row.runtime && !(row.address && *row.address)) {
            EXPECT_EQ(asked, std::string(row.runtime) + "/bus");
        }
    }
}

// The built program, through a pipe, with its exit status.
TEST(Executable, PipesAndExitStatus)
{
    std::FILE* pipe = popen("printf '6*7\\n1,000+1\\n' | " BRUNOVELT_EXE " --calc", "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = pclose(pipe);
    EXPECT_EQ(out, "42\n1001\n");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const int usage = std::system(BRUNOVELT_EXE " --calc --nope >/dev/null 2>&1");
    EXPECT_TRUE(WIFEXITED(usage) && WEXITSTATUS(usage) == 2);
    const int full = std::system(BRUNOVELT_EXE " --calc 1 2 3 >/dev/full 2>/dev/null");
    EXPECT_TRUE(WIFEXITED(full) && WEXITSTATUS(full) == 1); // a failed write is no success
}

#if !defined(__SANITIZE_ADDRESS__) // the sanitizer build leaves the address space alone
// 256 MiB without a line feed, under a 200 MB address-space limit: one answer, no abort.
TEST(Executable, EndlessLineInBoundedMemory)
{
    std::FILE* pipe = popen("head -c 256M /dev/zero | (ulimit -v 200000; " BRUNOVELT_EXE
                            " --calc; echo status $?)",
                            "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    pclose(pipe);
    EXPECT_EQ(out, "1MBを越える行は計算できません\nstatus 0\n");
}
#endif

// Shell output of `command` (standard error only) and its exit status.
std::pair<std::string, int> Shell(const std::string& command)
{
    std::FILE* pipe = popen((command + " 2>&1 >/dev/null").c_str(), "r");
    std::string err;
    char buffer[256];
    for (std::size_t n; pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        err.append(buffer, n);
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    return {err, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// Output that cannot be written, to a full disk or a closed standard output, is reported and
// fails, in every mode that writes.
TEST(Executable, FailedWritesFail)
{
    for (const char* mode : {"--self-test", "--help", "--version", "--functions"}) {
        for (const char* target : {">/dev/full", ">&-"}) {
            const auto [err, status] =
                Shell(std::string("(" BRUNOVELT_EXE " ") + mode + " " + target + ")");
            EXPECT_EQ(status, 1) << mode << " " << target;
            EXPECT_EQ(err.rfind("brunovelt: cannot write the output: ", 0), 0u) << err;
        }
    }
}

// Without a display the window mode ends with a reason and status 1, not Qt's abort.
TEST(Executable, WithoutADisplay)
{
    const auto [err, status] =
        Shell("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " BRUNOVELT_EXE);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

} // namespace
