// TQmRunButton: a speed button that starts the program named by ExeFile (with ExeParams after one blank) when it
// is clicked, either returning at once or waiting for the program to end. RunResult holds the outcome of the last
// launch: the launcher's result (above 31 when the program started) without waiting, the exit code (128 + the
// signal number for a program ended by a signal, 666 when it could not start) when waiting.
#pragma once

#include <memory>
#include <string>

#include "framework/window/buttons.h"
#include "framework/window/forms.h"

class TTimer;
class TFormClasses;

class TQmRunButton : public TSpeedButton {
public:
    explicit TQmRunButton(TComponent* owner);
    ~TQmRunButton() override;

    const std::string& ExeFile() const { return exeFile_; }
    void SetExeFile(const std::string& value) { exeFile_ = value; }
    TWindowState ExeState() const { return exeState_; }
    void SetExeState(TWindowState value) { exeState_ = value; }
    const std::string& ExeParams() const { return exeParams_; }
    void SetExeParams(const std::string& value) { exeParams_ = value; }
    bool WaitUntilDone() const { return waitUntilDone_; }
    void SetWaitUntilDone(bool value) { waitUntilDone_ = value; }
    int RunResult() const { return runResult_; }

    // Runs after a launch with WaitUntilDone has finished (also when the program could not start).
    TNotifyEvent OnClose;

    // The inherited click, then the launch. A command line over 255 characters starts nothing: RunResult becomes
    // 0 (666 when waiting, OnClose still called) and ECommandLineError is raised for the exception display.
    void Click() override;
    // "ExeFile ExeParams": the blank is always there.
    std::string CommandLine() const { return exeFile_ + " " + exeParams_; }
    // The show-window value of ExeState: 1 normal, 2 minimised, 3 maximised.
    int ShowWindowValue() const;

private:
    void WatchChildren();

    std::string exeFile_;
    TWindowState exeState_ = wsNormal;
    std::string exeParams_;
    bool waitUntilDone_ = false;
    int runResult_ = 0;             // outcome of the last launch; not stored
    std::unique_ptr<TTimer> reaper_;  // collects ended children while some are running
};

// Registers TQmRunButton and its stored properties with the form reader.
void RegisterRunButton(TFormClasses& classes);
