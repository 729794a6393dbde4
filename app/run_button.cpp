#include "app/run_button.h"

#include <exception>

#include "app/program_launch.h"
#include "framework/window/ansi_text.h"
#include "framework/window/form_reader.h"
#include "framework/window/timer.h"

TQmRunButton::TQmRunButton(TComponent* owner) : TSpeedButton(owner) {}

TQmRunButton::~TQmRunButton() = default;

int TQmRunButton::ShowWindowValue() const {
    switch (exeState_) {
        case wsMinimized: return 2;
        case wsMaximized: return 3;
        default: return 1;
    }
}

void TQmRunButton::Click() {
    TSpeedButton::Click();
    if (exeFile_.empty()) return;
    // The table's text is ANSI; file names and arguments go to the system in UTF-8.
    TLaunchRequest request{AnsiToUtf8(CommandLine()), ShowWindowValue(), {}};
    if (!waitUntilDone_) {
        try {
            runResult_ = LaunchProgram(request);
        } catch (const ECommandLineError&) {
            runResult_ = kLaunchOutOfResources;
            throw;
        }
        WatchChildren();
        return;
    }
    std::exception_ptr refusal;
    try {
        runResult_ = LaunchProgramAndWait(request);
    } catch (const ECommandLineError&) {
        runResult_ = kLaunchNotStarted;
        refusal = std::current_exception();
    }
    if (OnClose) OnClose(*this);
    if (refusal) std::rethrow_exception(refusal);
}

// Ended children are collected at the next launch anyway; the timer collects them while the user launches
// nothing more, and stops once none is left.
void TQmRunButton::WatchChildren() {
    if (ReapFinishedChildren() == 0) {
        if (reaper_) reaper_->SetEnabled(false);
        return;
    }
    if (!reaper_) {
        reaper_ = std::make_unique<TTimer>(nullptr);
        reaper_->SetInterval(500);
        reaper_->SetOnTimer([this](TComponent&) {
            if (ReapFinishedChildren() == 0) reaper_->SetEnabled(false);
        });
    }
    reaper_->SetEnabled(true);
}

void RegisterRunButton(TFormClasses& r) {
    r.RegisterCreatable<TQmRunButton>("TQmRunButton", "TSpeedButton");
    r.RegisterString<TQmRunButton>("TQmRunButton", "ExeFile", &TQmRunButton::SetExeFile);
    r.RegisterEnum<TQmRunButton, TWindowState>(
        "TQmRunButton", "ExeState", {{"wsNormal", wsNormal}, {"wsMinimized", wsMinimized}, {"wsMaximized", wsMaximized}},
        &TQmRunButton::SetExeState);
    r.RegisterString<TQmRunButton>("TQmRunButton", "ExeParams", &TQmRunButton::SetExeParams);
    r.RegisterBool<TQmRunButton>("TQmRunButton", "WaitUntilDone", &TQmRunButton::SetWaitUntilDone);
    r.RegisterEvent<TQmRunButton, void(TComponent&)>("TQmRunButton", "OnClose", &TQmRunButton::OnClose);
}
