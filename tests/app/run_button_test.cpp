// The launcher button and the launch beneath it: results of the classic command launcher, word splitting with
// no shell in between, no inherited descriptors, waiting with exit codes, and no child left a zombie.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "app/program_launch.h"
#include "app/run_button.h"
#include "app_support.h"
#include "temp_dir.h"

namespace {

// The probe's report once it has written it (empty after the time-out).
std::string AwaitReport(const std::string& path) {
    WaitUntil([&] { return std::filesystem::exists(path); });
    return ReadText(path);
}

std::vector<std::string> Lines(const std::string& text, const std::string& prefix) {
    std::vector<std::string> found;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
    return found;
}

// True when the process has no child at all, ended or running (peeks without collecting).
bool NoChildrenLeft() {
    siginfo_t info{};
    return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) < 0 && errno == ECHILD;
}

void MakeFile(const std::string& path, const std::string& contents, mode_t mode) {
    WriteFileBytes(path, std::vector<uint8_t>(contents.begin(), contents.end()));
    chmod(path.c_str(), mode);
}

TEST(CommandLineSplit, FollowsShellQuotingWithoutExpansion) {
    struct Case {
        std::string line;
        std::vector<std::string> words;
    } cases[] = {
        {"prog ", {"prog"}},
        {"  prog   a\tb ", {"prog", "a", "b"}},
        {"prog 'two words' \"and three more\"", {"prog", "two words", "and three more"}},
        {"prog 'it''s' \"say \\\"hi\\\"\" back\\ slash", {"prog", "its", "say \"hi\"", "back slash"}},
        {"prog \"a\\b\" '\\n' \"\\$x\"", {"prog", "a\\b", "\\n", "$x"}},
        {"prog '' \"\"", {"prog", "", ""}},
        {"prog $HOME `id` $(id) *.txt ~ a;b|c>d", {"prog", "$HOME", "`id`", "$(id)", "*.txt", "~", "a;b|c>d"}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.words) << "line: " << c.line;
    for (const char* bad : {"prog 'open", "prog \"open", "prog tail\\"})
        EXPECT_THROW(SplitCommandLine(bad), ECommandLineError) << "line: " << bad;
}

TEST(FindProgram, LooksInTheProgramFolderThenTheCurrentFolderThenPath) {
    TempDir dir;
    std::filesystem::create_directories(dir.File("own"));
    std::filesystem::create_directories(dir.File("cwd"));
    std::filesystem::create_directories(dir.File("path"));
    MakeFile(dir.File("own/BOTH.SCR"), "x", 0755);
    MakeFile(dir.File("cwd/BOTH.SCR"), "x", 0755);
    MakeFile(dir.File("cwd/HERE.SCR"), "x", 0755);
    MakeFile(dir.File("path/far.scr"), "x", 0755);
    ScopedCurrentFolder cwd(dir.File("cwd"));
    ASSERT_TRUE(cwd.Ok());
    ScopedEnv path("PATH", dir.File("path"));
    EXPECT_EQ(FindProgram("BOTH.SCR", dir.File("own")), dir.File("own") + "/BOTH.SCR");
    EXPECT_EQ(FindProgram("HERE.SCR", dir.File("own")), "./HERE.SCR");
    EXPECT_EQ(FindProgram("FAR.SCR", dir.File("own")), dir.File("path") + "/far.scr");  // case as a blind file system
    EXPECT_EQ(FindProgram("NONE.SCR", dir.File("own")), "");
}

class RunButtonTest : public testing::Test {
protected:
    void SetUp() override { button.SetExeFile(PROBE_PATH); }
    // Launches without waiting and returns the probe's report.
    std::string LaunchAndReport() {
        button.Click();
        EXPECT_EQ(button.RunResult(), kLaunchStarted);
        return AwaitReport(report);
    }

    TempDir dir;
    std::string report = dir.File("report.txt");
    ScopedEnv out{"PROBE_OUT", report};
    ScopedEnv noSignal{"PROBE_SIGNAL", std::nullopt};
    ScopedEnv noExit{"PROBE_EXIT", std::nullopt};
    TQmRunButton button{nullptr};
};

TEST_F(RunButtonTest, ResultsFollowTheClassicLauncher) {
    MakeFile(dir.File("garbage"), "this is no program\n", 0755);
    MakeFile(dir.File("plain"), "#!/bin/sh\n", 0644);
    std::filesystem::create_directories(dir.File("folder"));
    struct Case {
        std::string exeFile;
        int result;
    } cases[] = {
        {"velmora-no-such-program", kLaunchFileNotFound},
        {dir.File("missing"), kLaunchFileNotFound},
        {dir.File("no-such-folder/prog"), kLaunchPathNotFound},
        {dir.File("garbage/prog"), kLaunchPathNotFound},
        {dir.File("garbage"), kLaunchBadFormat},  // not run through a shell either
        {dir.File("plain"), kLaunchAccessDenied},
        {dir.File("folder"), kLaunchAccessDenied},
        {"'" + dir.File("open quote"), kLaunchBadFormat},
        {PROBE_PATH, kLaunchStarted},
    };
    for (const Case& c : cases) {
        button.SetExeFile(c.exeFile);
        button.Click();
        EXPECT_EQ(button.RunResult(), c.result) << "ExeFile: " << c.exeFile;
    }
    EXPECT_FALSE(AwaitReport(report).empty());
}

TEST_F(RunButtonTest, ArgumentsReachTheChildAsWordsWithNothingInterpreted) {
    button.SetExeParams("'two words' \"a \\\"quoted\\\" one\" $HOME;id `id` > " + dir.File("redirected") + " | *");
    std::string text = LaunchAndReport();
    std::vector<std::string> expected{"two words", "a \"quoted\" one", "$HOME;id", "`id`", ">",
                                      dir.File("redirected"), "|", "*"};
    EXPECT_EQ(Lines(text, "arg:"), expected);
    EXPECT_FALSE(std::filesystem::exists(dir.File("redirected")));
}

TEST_F(RunButtonTest, AnsiTextFromTheTableReachesTheSystemAsUtf8) {
    // A program whose name holds "é" in the table's ANSI bytes is found under its UTF-8 name.
    const std::string utf8Name = dir.File("caf\xC3\xA9");
    std::filesystem::copy_file(PROBE_PATH, utf8Name);
    std::filesystem::permissions(utf8Name, std::filesystem::perms::owner_all);
    button.SetExeFile(dir.File("caf\xE9"));
    button.SetExeParams("na\xEFve \x80");
    EXPECT_EQ(Lines(LaunchAndReport(), "arg:"), (std::vector<std::string>{"na\xC3\xAFve", "\xE2\x82\xAC"}));
}

TEST_F(RunButtonTest, EmptyParamsGiveTheFileNameAndOneBlank) {
    EXPECT_EQ(button.CommandLine(), std::string(PROBE_PATH) + " ");
    EXPECT_TRUE(Lines(LaunchAndReport(), "arg:").empty());
}

TEST_F(RunButtonTest, ChildInheritsNoDescriptorButTheStandardThree) {
    int leaky = open(dir.File("leaky").c_str(), O_CREAT | O_WRONLY, 0644);  // no close-on-exec on purpose
    ASSERT_GE(leaky, 3);
    std::string text = LaunchAndReport();
    close(leaky);
    EXPECT_EQ(Lines(text, "fd:"), (std::vector<std::string>{"0", "1", "2"}));
}

TEST_F(RunButtonTest, ExeStateBecomesTheShowWindowHint) {
    struct Case {
        TWindowState state;
        std::string hint;
    } cases[] = {{wsNormal, "1"}, {wsMinimized, "2"}, {wsMaximized, "3"}};
    button.SetWaitUntilDone(true);
    for (const Case& c : cases) {
        button.SetExeState(c.state);
        button.Click();
        EXPECT_EQ(Lines(ReadText(report), "show:"), std::vector<std::string>{c.hint});
    }
}

TEST_F(RunButtonTest, WaitingGivesTheExitCodeOrTheSignalAndCallsOnClose) {
    button.SetWaitUntilDone(true);
    int closes = 0;
    button.OnClose = [&](TComponent& sender) {
        EXPECT_EQ(&sender, &button);
        ++closes;
    };
    {
        ScopedEnv exit("PROBE_EXIT", "3");
        button.Click();
        EXPECT_EQ(button.RunResult(), 3);
        EXPECT_EQ(closes, 1);
    }
    {
        ScopedEnv signal("PROBE_SIGNAL", "15");
        button.Click();
        EXPECT_EQ(button.RunResult(), 128 + 15);
        EXPECT_EQ(closes, 2);
    }
    button.SetExeFile(dir.File("missing"));
    button.Click();
    EXPECT_EQ(button.RunResult(), kLaunchNotStarted);
    EXPECT_EQ(closes, 3);
}

TEST_F(RunButtonTest, EmptyExeFileLaunchesNothing) {
    button.SetExeFile("");
    button.SetWaitUntilDone(true);
    int closes = 0;
    button.OnClose = [&](TComponent&) { ++closes; };
    button.Click();
    EXPECT_EQ(button.RunResult(), 0);
    EXPECT_EQ(closes, 0);
}

TEST_F(RunButtonTest, OverLongCommandLineIsRefusedNotCut) {
    std::string line = std::string(PROBE_PATH) + " ";
    ASSERT_LT(line.size(), kMaxCommandLine);
    // Exactly the limit still starts.
    button.SetExeParams(std::string(kMaxCommandLine - line.size(), 'a'));
    ASSERT_EQ(button.CommandLine().size(), kMaxCommandLine);
    EXPECT_EQ(Lines(LaunchAndReport(), "arg:").size(), 1u);
    std::filesystem::remove(report);

    button.SetExeParams(std::string(kMaxCommandLine - line.size() + 1, 'a'));
    EXPECT_THROW(button.Click(), ECommandLineError);
    EXPECT_EQ(button.RunResult(), kLaunchOutOfResources);
    int closes = 0;
    button.OnClose = [&](TComponent&) { ++closes; };
    button.SetWaitUntilDone(true);
    try {
        button.Click();
        ADD_FAILURE() << "an over-long command line was accepted";
    } catch (const ECommandLineError& e) {
        EXPECT_NE(std::string(e.what()).find("at most 255"), std::string::npos) << e.what();
    }
    EXPECT_EQ(button.RunResult(), kLaunchNotStarted);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(std::filesystem::exists(report));
}

TEST_F(RunButtonTest, ChildrenNotWaitedForAreReaped) {
    for (int i = 0; i < 3; ++i) {
        std::filesystem::remove(report);
        LaunchAndReport();
    }
    // The button's timer collects them while the event loop runs; nothing else waits for them here.
    EXPECT_TRUE(WaitUntil(NoChildrenLeft)) << "a child was left a zombie";
    EXPECT_EQ(ReapFinishedChildren(), 0);
}

}  // namespace
