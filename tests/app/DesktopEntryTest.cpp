#include "platform/TextFile.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/EnvScope.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

// The arguments of a desktop entry's Exec value as a launcher reads them: the
// value's own escapes first, then words split at blanks, with double-quoted
// words whose backslash escapes "\"", "\`", "\$" and "\\".
std::vector<std::string> execArguments(const std::string& entry)
{
    const std::size_t start = entry.find("\nExec=");
    EXPECT_NE(start, std::string::npos);
    const std::string raw = entry.substr(start + 6, entry.find('\n', start + 1) - start - 6);
    std::string value;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size()) {
            const char c = raw[++i];
            value += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
        } else {
            value += raw[i];
        }
    }
    std::vector<std::string> args;
    std::optional<std::string> word;
    bool quoted = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (quoted && c == '\\' && i + 1 < value.size()) {
            word->push_back(value[++i]);
        } else if (c == '"') {
            quoted = !quoted;
            word = word.value_or("");
        } else if (c == ' ' && !quoted) {
            if (word)
                args.push_back(*word);
            word.reset();
        } else {
            word = word.value_or("") + c;
        }
    }
    EXPECT_FALSE(quoted) << "unclosed quote in " << value;
    if (word)
        args.push_back(*word);
    return args;
}

// The exit status of child `pid`, or nothing when it has not ended within 30 s.
std::optional<int> waitExit(pid_t pid)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? std::optional(WEXITSTATUS(status)) : std::nullopt;
}

// The desktop entry starts the program in the user's data folder, created on
// the way; the entry under test starts /bin/pwd in the program's place.
TEST(DesktopEntry, StartsTheProgramInTheUsersDataFolder)
{
    const std::vector<std::string> args = execArguments(ReadWholeFile(SKELVO_TEST_DESKTOP_ENTRY));
    ASSERT_GE(args.size(), 2u);
    EXPECT_EQ(args.back(), "/bin/pwd");
    const TempFolder dir("desktop");
    const struct
    {
        std::optional<std::string> dataHome;
        std::string expected;
    } rows[] = {
        { dir.file("data"), dir.file("data/skelvo") },
        { std::nullopt, dir.file("home/.local/share/skelvo") },
        { "", dir.file("home/.local/share/skelvo") },
    };
    fs::create_directory(dir.file("home"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dataHome.value_or("(unset)"));
        fs::remove_all(dir.file("data"));
        const EnvScope home("HOME", dir.file("home"));
        const EnvScope dataHome("XDG_DATA_HOME", row.dataHome);
        const std::string program
            = args[0].find('/') == std::string::npos ? "/bin/" + args[0] : args[0];
        const pid_t pid = SpawnChild(program, { args.begin() + 1, args.end() },
            { dir.path().string(), dir.file("out.txt"), dir.file("err.txt") });
        EXPECT_EQ(waitExit(pid), 0) << ReadWholeFile(dir.file("err.txt"));
        EXPECT_EQ(ReadWholeFile(dir.file("out.txt")), row.expected + "\n");
        EXPECT_TRUE(fs::is_directory(row.expected));
    }
}

} // namespace
