// Message boxes and beeps. MessageDlg shows a modal box (its own nested message loop) of a kind (warning, error,
// information, confirmation) with a set of buttons and returns the button pressed; ShowMessage is an information
// box with OK. A test (or a program running unattended) replaces the box with a hook that receives the request
// and returns the answer; TMessageBoxRecorder installs such a hook for a scope and records every request.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "framework/window/forms.h"
#include "framework/window/types.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
const TMsgDlgButtons mbYesNo{mbYes, mbNo};
const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};

struct TMessageBoxRequest {
    std::string Text;       // the message
    std::string Caption;    // the box's title: the kind's name ("Warning", "Error", "Information", "Confirm")
    TMsgDlgType Kind = mtInformation;
    TMsgDlgButtons Buttons;
};

// The box: returns the modal result of the button pressed (mrOk, mrCancel, mrYes, ...).
using TMessageBoxHook = std::function<TModalResult(const TMessageBoxRequest&)>;
// Replaces the box with hook (an empty hook restores the real box); returns the previous hook.
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook);

// Shows the box (or asks the hook) and returns the button pressed. Closing the box without a button gives
// mrCancel when Cancel is offered, else the result of the first button.
TModalResult MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons, int helpContext = 0);
void ShowMessage(const std::string& text);
// Shows a box as requested (or asks the hook); the caption is the request's own.
TModalResult MessageBox(const TMessageBoxRequest& request);

// The system's default sound for a kind of message (0: the default beep).
void MessageBeep(unsigned type);
constexpr unsigned MB_OK = 0x0, MB_ICONHAND = 0x10, MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30,
                   MB_ICONASTERISK = 0x40;
// Replaces the sound with hook (empty: the real beep); returns the previous hook.
std::function<void(unsigned)> SetMessageBeepHook(std::function<void(unsigned)> hook);

// For its lifetime, answers every box from a queue of answers (then with the default answer) and records every
// request and beep. Restores the previous hooks when it goes.
class TMessageBoxRecorder {
public:
    explicit TMessageBoxRecorder(TModalResult defaultAnswer = mrOk);
    ~TMessageBoxRecorder();
    TMessageBoxRecorder(const TMessageBoxRecorder&) = delete;
    TMessageBoxRecorder& operator=(const TMessageBoxRecorder&) = delete;

    // The next boxes get these answers, in order.
    void Answer(TModalResult result) { answers_.push_back(result); }
    const std::vector<TMessageBoxRequest>& Requests() const { return requests_; }
    const std::vector<unsigned>& Beeps() const { return beeps_; }
    void Clear() { requests_.clear(); beeps_.clear(); }

private:
    TModalResult defaultAnswer_;
    std::deque<TModalResult> answers_;       // answers still to give
    std::vector<TMessageBoxRequest> requests_;
    std::vector<unsigned> beeps_;
    TMessageBoxHook previousBox_;
    std::function<void(unsigned)> previousBeep_;
};
