// Starting a program from a command line the way the launcher button needs it: the line is split into words by
// the POSIX shell's quoting rules (blanks separate words; single quotes keep everything; double quotes keep all but
// a backslash before $ ` " \ or a line end; a backslash outside quotes keeps the next character) with no expansion
// of any kind, the program is looked up in the program's own folder, the current folder, then PATH, and it is
// started with posix_spawn (never through a shell) and no descriptor beyond standard input, output and error.
//
// Results follow the classic command launcher: above 31 on success (33), else 0 out of resources, 2 file not
// found, 3 path not found, 5 access denied, 11 not an executable (or a command line that cannot be split).
#pragma once

#include <string>
#include <vector>

#include "framework/base/exception.h"

// The longest command line the launcher accepts, in characters (its buffer holds one more for the terminator).
constexpr size_t kMaxCommandLine = 255;

constexpr int kLaunchStarted = 33;
constexpr int kLaunchOutOfResources = 0;
constexpr int kLaunchFileNotFound = 2;
constexpr int kLaunchPathNotFound = 3;
constexpr int kLaunchAccessDenied = 5;
constexpr int kLaunchBadFormat = 11;
// The result of a waited-for launch whose program could not be started.
constexpr int kLaunchNotStarted = 666;

// A command line the launcher refuses before starting anything.
class ECommandLineError : public Exception {
public:
    using Exception::Exception;
};

// The words of a command line. An unterminated quote or a trailing lone backslash raises ECommandLineError.
std::vector<std::string> SplitCommandLine(const std::string& line);

// The file a program name stands for: a name with a '/' as given (relative to the current folder); else the first
// of programFolder/name, ./name, and each PATH entry's name that exists, an exact name first and then a name that
// differs only in case. Empty when nothing is found.
std::string FindProgram(const std::string& name, const std::string& programFolder);

// The folder of the running program file, without a trailing '/'.
std::string RunningProgramFolder();

struct TLaunchRequest {
    std::string commandLine;    // the program and its arguments, split by SplitCommandLine
    int showWindow = 1;         // the show-window hint, handed to the child as VELMORA_SHOW_WINDOW
    std::string programFolder;  // where the program is looked for first (RunningProgramFolder when empty)
};

// Starts the program and returns at once with the launcher result (kLaunchStarted or an error code). A started
// child is remembered and reaped by ReapFinishedChildren. A line over kMaxCommandLine raises ECommandLineError.
int LaunchProgram(const TLaunchRequest& request);
// Starts the program and waits for it to end: its exit code, 128 + the signal that ended it, or kLaunchNotStarted.
// A line over kMaxCommandLine raises ECommandLineError.
int LaunchProgramAndWait(const TLaunchRequest& request);

// Collects the children LaunchProgram started that have ended (only those: other children of the process are left
// to their owners). Returns how many are still running.
int ReapFinishedChildren();
