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

#include <spawn.h>
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
    void TearDown() override { fs::remove_all(home); }

    // Starts the program and waits until its window is shown; false when it is not in time.
    bool Start(const std::vector<std::string>& arguments = {})
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
        env.push_back("XDG_RUNTIME_DIR=" + home.string());
        env.push_back("QT_QPA_PLATFORM=offscreen");
        env.push_back("BRUNOVELT_STARTUP_PROBE=" + (home / "probe").string());

        std::vector<std::string> args = {BRUNOVELT_EXE};
        args.insert(args.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv, envp;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        if (posix_spawn(&pid, BRUNOVELT_EXE, nullptr, nullptr, argv.data(), envp.data()) != 0)
            return false;

        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            if (ReadFile(home / "probe").find('\n') != std::string::npos)
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

    fs::path home;
    fs::path log;
    pid_t pid = -1;
};

TEST_F(ProgramTest, FirstStartCreatesTheLogHoldingALineBreak)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(ReadFile(log), "\r\n");
    EXPECT_EQ(EndWith(SIGTERM), 0);
    EXPECT_EQ(ReadFile(log), "\r\n");
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

} // namespace
