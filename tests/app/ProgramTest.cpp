// The real program in a process of its own, on the offscreen platform, with its own home,
// settings and data folders: started, then ended as the desktop ends it at log-out.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path)
{
    std::string bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            bytes.append(buffer, got);
        std::fclose(file);
    }
    return bytes;
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

class ProgramTest : public testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/brunovelt-program-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home = pattern;
        log = home / "data" / "Halsk" / "Brunovelt" / "\xE8\xA8\x88\xE7\xAE\x97Log.txt"; // 計算
    }
    void TearDown() override
    {
        // A test that stopped early leaves no program running.
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        fs::remove_all(home);
    }

    // Starts the program and waits until its window is shown; false when it is not in time.
    bool Start(const std::vector<std::string>& arguments = {})
    {
        return Spawn(arguments, pid) && ShownInTime();
    }

    // Starts the program as `child` without waiting for it.
    bool Spawn(const std::vector<std::string>& arguments, pid_t& child,
               const std::string& probe = "probe")
    {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (entry.rfind("HOME=", 0) != 0 && entry.rfind("XDG_", 0) != 0 &&
                entry.rfind("QT_QPA_PLATFORM=", 0) != 0)
                env.push_back(entry);
        }
        env.push_back("HOME=" + home.string());
        env.push_back("XDG_CONFIG_HOME=" + (home / "config").string());
        env.push_back("XDG_DATA_HOME=" + (home / "data").string());
        env.push_back("XDG_STATE_HOME=" + (home / "state").string());
        env.push_back("XDG_RUNTIME_DIR=" + home.string());
        env.push_back("QT_QPA_PLATFORM=offscreen");
        env.push_back("BRUNOVELT_STARTUP_PROBE=" + (home / probe).string());
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());

        std::vector<std::string> args = {BRUNOVELT_EXE};
        args.insert(args.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv, envp;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        if (!plainUser) {
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            if (!errors.empty())
                posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(),
                                                 O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int spawned =
                posix_spawn(&child, BRUNOVELT_EXE, &actions, nullptr, argv.data(), envp.data());
            posix_spawn_file_actions_destroy(&actions);
            return spawned == 0;
        }
        // Root ignores file modes: the program runs as nobody, in a home of nobody's.
        child = fork();
        if (child == 0) {
            if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)
                _exit(126);
            execve(BRUNOVELT_EXE, argv.data(), envp.data());
            _exit(127);
        }
        return child > 0;
    }

    bool ShownInTime(const std::string& probe = "probe")
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            if (ReadFile(home / probe).find('\n') != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // Sends `signal` and gives the exit status; -1 when the program did not exit normally.
    int EndWith(int signal)
    {
        kill(pid, signal);
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The exit status of `child` once it ends within `seconds`; -1 when it did not.
    static int WaitFor(pid_t child, int seconds)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            if (waitpid(child, &status, WNOHANG) == child)
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        return -1;
    }

    static constexpr uid_t kNobody = 65534;

    fs::path home;
    fs::path log;
    pid_t pid = -1;
    bool plainUser = false;            // root runs the program as nobody
    std::vector<std::string> extraEnv; // more variables for the program
    fs::path errors;                   // where its stderr goes; the test's own when empty
};

TEST_F(ProgramTest, FirstStartCreatesTheLogHoldingALineBreak)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(ReadFile(log), "\r\n");
    EXPECT_EQ(EndWith(SIGTERM), 0);
    EXPECT_EQ(ReadFile(log), "\r\n");
}

// The window mode writes nothing on stderr, though Qt is told to say all it can.
TEST_F(ProgramTest, TheWindowModeWritesNothingOnStandardError)
{
    extraEnv = {"QT_LOGGING_RULES=qt.*=true"};
    errors = home / "stderr";
    ASSERT_TRUE(Start());
    EXPECT_EQ(EndWith(SIGTERM), 0);
    EXPECT_TRUE(fs::exists(errors));
    EXPECT_EQ(ReadFile(errors), "");
}

TEST_F(ProgramTest, TerminationSavesTheLogThroughTheCloseCheck)
{
    // Long enough that the start opens six empty lines below it, which marks it modified, and
    // longer than the file keeps.
    std::string record;
    for (int i = 0; record.size() < 40000; ++i)
        record += std::to_string(i) + "+1\r\n" + std::to_string(i + 1) + "\r\n\r\n";
    WriteFile(log, record);
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        ASSERT_TRUE(Start());
        EXPECT_EQ(EndWith(signal), 0) << signal;
        // Trimmed to one final line break, then cut to its last 32000 bytes.
        std::string trimmed = record.substr(0, record.find_last_not_of("\r\n") + 1) + "\r\n";
        if (trimmed.size() > 32000)
            trimmed.erase(0, trimmed.size() - 32000);
        EXPECT_EQ(ReadFile(log), trimmed) << signal;
        record = ReadFile(log);
        fs::remove(home / "probe");
    }
}

TEST_F(ProgramTest, AFileNamedOnTheCommandLineIsLeftAloneWhenUnchanged)
{
    const fs::path sheet = home / "sheet.txt";
    WriteFile(sheet, "1+1\r\n2\r\n\r\n\r\n");
    ASSERT_TRUE(Start({sheet.string()}));
    EXPECT_EQ(EndWith(SIGTERM), 0);
    EXPECT_EQ(ReadFile(sheet), "1+1\r\n2\r\n\r\n\r\n");
}

TEST_F(ProgramTest, AKilledProgramLeavesItsSheetInTheRecoveryCopy)
{
    std::string record;
    for (int i = 0; i < 20; ++i)
        record += std::to_string(i) + "*2\r\n" + std::to_string(i * 2) + "\r\n";
    WriteFile(log, record);
    ASSERT_TRUE(Start());
    // The six blank lines of the start are an edit: copied within two seconds of it.
    const fs::path state = home / "state" / "Halsk" / "Brunovelt";
    fs::path copy;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (copy.empty() && std::chrono::steady_clock::now() < deadline) {
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(state, error))
            if (entry.path().extension() == ".recovery")
                copy = entry.path();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(EndWith(SIGKILL), -1);
    ASSERT_FALSE(copy.empty());
    EXPECT_EQ(ReadFile(copy), record + "\r\n\r\n\r\n\r\n\r\n\r\n");

    // Blank lines alone are nothing to restore: the next start asks nothing, and its clean
    // close removes the copy.
    fs::remove(home / "probe");
    ASSERT_TRUE(Start());
    EXPECT_EQ(EndWith(SIGTERM), 0);
    EXPECT_EQ(ReadFile(log), record);
    EXPECT_FALSE(fs::exists(copy));
}

TEST_F(ProgramTest, ASecondStartOnTheSameLogBringsTheFirstWindowForward)
{
    WriteFile(log, "1+1\r\n2\r\n");
    ASSERT_TRUE(Start());
    pid_t second = -1;
    ASSERT_TRUE(Spawn({}, second));
    EXPECT_EQ(WaitFor(second, 20), 0);
    EXPECT_EQ(kill(pid, 0), 0); // the first one runs on

    // Another file opens a window of its own.
    const fs::path sheet = home / "other.txt";
    WriteFile(sheet, "3\r\n");
    pid_t third = -1;
    ASSERT_TRUE(Spawn({sheet.string()}, third));
    EXPECT_EQ(WaitFor(third, 2), -1); // still running after two seconds: killed
    EXPECT_EQ(EndWith(SIGTERM), 0);
}

// Two starts racing for one log, the first one stopped at some point of its start (as a loaded
// machine stops it) while the second goes ahead, then let go: whichever took the log has the
// window, and the other hands over to it; never two windows on one log.
TEST_F(ProgramTest, RacingStartsGiveOneWindow)
{
    WriteFile(log, "1+1\r\n2\r\n");
    for (const int stopAfterMs : {0, 2, 4, 8, 12, 16, 24, 32, 48}) {
        SCOPED_TRACE(stopAfterMs);
        fs::remove(home / "probe1");
        fs::remove(home / "probe2");
        pid_t first = -1, second = -1;
        ASSERT_TRUE(Spawn({}, first, "probe1"));
        std::this_thread::sleep_for(std::chrono::milliseconds(stopAfterMs));
        kill(first, SIGSTOP);
        ASSERT_TRUE(Spawn({}, second, "probe2"));
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        kill(first, SIGCONT);
        // One start ends, handed over; the other shows its window.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        pid_t ended = 0;
        int status = 0;
        while (ended <= 0 && std::chrono::steady_clock::now() < deadline) {
            ended = waitpid(-1, &status, WNOHANG);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid = ended == first ? second : first;
        EXPECT_TRUE(ended == first || ended == second) << "two windows on one log";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_FALSE(fs::exists(home / (ended == first ? "probe1" : "probe2")));
        if (ended != first && ended != second) {
            WaitFor(first, 0);
            WaitFor(second, 0);
            continue;
        }
        EXPECT_TRUE(ShownInTime(ended == first ? "probe2" : "probe1"));
        EXPECT_EQ(EndWith(SIGTERM), 0);
        EXPECT_EQ(ReadFile(log), "1+1\r\n2\r\n");
    }
}

// The socket file and the recovery copy of the log, once there; empty paths when not in time.
fs::path WaitForFile(const fs::path& folder, const std::string& start, const std::string& end)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(start, 0) == 0 && name.size() >= end.size() &&
                name.compare(name.size() - end.size(), end.size(), end) == 0)
                return entry.path();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

// A start waiting at the recovery question owns the log already: a second start brings it
// forward. A quit signal at the question ends the start, and the copy stays for the next one.
TEST_F(ProgramTest, AStartAtTheRecoveryQuestionKeepsItsLog)
{
    std::string record;
    for (int i = 0; i < 20; ++i)
        record += std::to_string(i) + "*2\r\n" + std::to_string(i * 2) + "\r\n";
    WriteFile(log, record); // long enough for the start's blank lines, an edit that is copied
    ASSERT_TRUE(Start());
    const fs::path copy = WaitForFile(home / "state" / "Halsk" / "Brunovelt", "", ".recovery");
    ASSERT_FALSE(copy.empty());
    EXPECT_EQ(EndWith(SIGKILL), -1);
    const std::string unsaved = record + "3*3\r\n9\r\n";
    WriteFile(copy, unsaved);

    fs::remove(home / "probe");
    ASSERT_TRUE(Spawn({}, pid));
    ASSERT_FALSE(WaitForFile(home, "brunovelt-", "").empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // at its question
    pid_t second = -1;
    ASSERT_TRUE(Spawn({}, second));
    EXPECT_EQ(WaitFor(second, 20), 0);
    EXPECT_FALSE(fs::exists(home / "probe")); // no window yet: the question waits

    EXPECT_EQ(EndWith(SIGTERM), 0);
    EXPECT_EQ(ReadFile(log), record);
    EXPECT_EQ(ReadFile(copy), unsaved);
}

// A window that does not answer (stopped, as Ctrl+Z stops it) keeps its log: the second start
// says so instead of opening a second window, and leaves the first one's socket alone.
TEST_F(ProgramTest, AStoppedWindowKeepsItsLog)
{
    WriteFile(log, "1+1\r\n2\r\n");
    ASSERT_TRUE(Start());
    const fs::path socket = WaitForFile(home, "brunovelt-", "");
    ASSERT_FALSE(socket.empty());
    fs::remove(home / "probe");
    kill(pid, SIGSTOP);
    pid_t second = -1;
    ASSERT_TRUE(Spawn({}, second));
    std::this_thread::sleep_for(std::chrono::seconds(5));
    int status = 0;
    EXPECT_EQ(waitpid(second, &status, WNOHANG), 0); // at its message, with no window
    EXPECT_FALSE(fs::exists(home / "probe"));
    EXPECT_TRUE(fs::exists(socket));
    kill(second, SIGTERM); // a quit signal at a question ends the program
    EXPECT_EQ(WaitFor(second, 10), 0);
    kill(pid, SIGCONT);
    EXPECT_EQ(EndWith(SIGTERM), 0);
    EXPECT_EQ(ReadFile(log), "1+1\r\n2\r\n");
}

TEST_F(ProgramTest, AWritableLogInAFolderThatIsNotIsSavedInPlace)
{
    std::string record;
    for (int i = 0; i < 60; ++i)
        record += std::to_string(i) + "\r\n";
    WriteFile(log, record);
    fs::create_directories(home / "state");
    plainUser = geteuid() == 0;
    if (plainUser) {
        // Nobody runs the program from where it was built: every folder above it must let him in
        // (a checkout in a folder made by mktemp -d, mode 0700, does not).
        for (fs::path folder = fs::path(BRUNOVELT_EXE).parent_path(); !folder.empty();
             folder = folder.parent_path()) {
            struct stat info
            {
            };
            if (stat(folder.c_str(), &info) == 0 && (info.st_mode & S_IXOTH) == 0)
                GTEST_SKIP() << "nobody cannot reach " << folder;
            if (folder == folder.root_path())
                break;
        }
        // Nobody's home, with the log's folder root's: he may write the log, not beside it.
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(home))
            ASSERT_EQ(lchown(entry.path().c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(chown(home.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(chown(log.parent_path().c_str(), 0, 0), 0);
        ASSERT_EQ(chmod(log.parent_path().c_str(), 0755), 0);
    } else {
        ASSERT_EQ(chmod(log.parent_path().c_str(), 0555), 0);
    }
    struct stat before
    {
    };
    ASSERT_EQ(stat(log.c_str(), &before), 0);
    ASSERT_TRUE(Start());
    EXPECT_EQ(EndWith(SIGTERM), 0);
    EXPECT_EQ(ReadFile(log), record); // the six blank lines trimmed again, so written
    struct stat after
    {
    };
    ASSERT_EQ(stat(log.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino); // the same file, written in place
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    chmod(log.parent_path().c_str(), 0755);
}

TEST_F(ProgramTest, AFileSizeLimitBelowTheLogDoesNotEndTheProgram)
{
    std::string record;
    for (int i = 0; record.size() < 30000; ++i)
        record += std::to_string(i) + "\r\n";
    WriteFile(log, record);
    // The six blank lines of the start are an edit whose recovery copy, within two seconds,
    // is larger than the limit: its write fails instead of raising SIGXFSZ.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit limit = old;
    limit.rlim_cur = 8192;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool started = Spawn({}, pid);
    setrlimit(RLIMIT_FSIZE, &old);
    ASSERT_TRUE(started && ShownInTime());
    int status = 0;
    std::this_thread::sleep_for(std::chrono::seconds(4));
    EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0) << "ended with status " << status;
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    EXPECT_EQ(ReadFile(log), record);
}

TEST_F(ProgramTest, AConfiguredLogThatIsNotThereYetIsMade)
{
    const fs::path configured = home / "logs" / "new log.txt";
    WriteFile(home / "config" / "Halsk" / "Brunovelt.conf",
              "[System]\nLogFile=" + configured.string() + "\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(ReadFile(configured), "\r\n");
    EXPECT_EQ(EndWith(SIGTERM), 0);
}

} // namespace
