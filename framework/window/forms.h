// Forms and the application object. TForm is a top-level window: caption, client size, colour and font, its
// position on the screen, the create and destroy events, Show, Close and ShowModal (which runs a nested message
// loop until the form has a modal result). TApplication (the global Application) creates the forms, runs the
// message loop (Qt's) until the main form closes, and shows exceptions that reach it as an error message box.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "framework/window/controls.h"

class TApplication;
struct TApplicationImpl;

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                       mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
                 poMainFormCenter, poOwnerFormCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

using TCloseEvent = std::function<void(TComponent& sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TComponent& sender, bool& canClose)>;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Reads the form's stored description; CreateForm runs it between construction and AfterConstruction. The
    // default reads nothing.
    virtual void ReadDescription() {}
    // The end of creation: runs OnCreate when OldCreateOrder is False. An exception of the handler goes to the
    // application's exception display; the form stays.
    virtual void AfterConstruction();

    bool OldCreateOrder() const { return oldCreateOrder_; }
    void SetOldCreateOrder(bool value) { oldCreateOrder_ = value; }
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int value) { pixelsPerInch_ = value; }
    // The height of the form font's text as the form was designed with (stored, informative).
    int TextHeight() const { return textHeight_; }
    void SetTextHeight(int value) { textHeight_ = value; }
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState state) { windowState_ = state; }
    // The control that has, or gets when the form activates, the focus.
    TWinControl* ActiveControl() const;
    void SetActiveControl(TWinControl* control);

    void SetVisible(bool value) override;
    // Shows the window (placed by Position on its first showing) and brings it to the front.
    void ShowForm();
    // Asks CloseQuery, then OnClose decides what happens (hide by default; the main form ends the application).
    void Close();
    // Shows the form modally and runs a nested message loop until ModalResult is set (Close sets mrCancel).
    TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    bool Modal() const { return modal_; }
    // Runs OnCloseQuery; false keeps the form open.
    virtual bool CloseQuery();

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    void CMTextChanged() override;
    virtual void DoCreate();
    virtual void DoDestroy();
    void DoClose(TCloseAction& action);

private:
    bool oldCreateOrder_ = false;
    int pixelsPerInch_ = 96;
    int textHeight_ = 13;
    TPosition position_ = poDesigned;
    TWindowState windowState_ = wsNormal;
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;             // ShowModal is running
    bool placed_ = false;            // the first showing placed the window
    bool created_ = false;           // OnCreate ran, so OnDestroy runs
    TWinControl* activeControl_ = nullptr;  // focus to restore on activation
};

class TApplication : public TComponent {
public:
    // Starts the window system (once per process) unless one runs already; the program passes its arguments.
    TApplication(int& argc, char** argv);
    TApplication();
    // Frees the forms, then the window system when this object started it.
    ~TApplication() override;

    void Initialize() {}
    // Creates a form of class F owned by the application, reads its description, finishes its creation; the
    // first form becomes the main form. An exception while reading goes to the exception display and no form
    // is made (nullptr).
    template <class F>
    F* CreateForm() {
        F* form = nullptr;
        try {
            form = new F(this);
            form->ReadDescription();
        } catch (const std::exception& e) {
            delete form;
            HandleException(e);
            return nullptr;
        }
        if (!mainForm_) mainForm_ = form;
        form->AfterConstruction();
        return form;
    }
    TForm* MainForm() const { return mainForm_; }
    void SetMainForm(TForm* form) { mainForm_ = form; }
    // Shows the main form and runs the message loop until it closes or Terminate is called.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles the events waiting now, then returns.
    void ProcessMessages();
    // Handles events until one arrives and is handled, or msec milliseconds passed (a local message loop's step).
    void HandleMessage(int msec = 10);

    // The standard exception display: OnException when assigned, else ShowException. Never throws.
    void HandleException(const std::exception& e);
    // An error message box with the exception's text, captioned with the application title.
    void ShowException(const std::exception& e);
    std::function<void(TComponent& sender, const std::exception& e)> OnException;

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);
    // The program file's full path.
    std::string ExeName() const;
    int HintPause() const { return hintPause_; }
    void SetHintPause(int msec) { hintPause_ = msec; }
    int HintHidePause() const { return hintHidePause_; }
    void SetHintHidePause(int msec) { hintHidePause_ = msec; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value) { showHint_ = value; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void Start(int* argc, char** argv);

    std::unique_ptr<TApplicationImpl> impl_;  // the window system, when this object started it
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    std::string title_ = "Velmora";
    std::string exeName_;          // argv[0] made absolute
    int hintPause_ = 500;          // milliseconds before a hint shows
    int hintHidePause_ = 2500;     // milliseconds a hint stays
    bool showHint_ = true;
};

// The application object; nullptr until one is made. Controls need one.
extern TApplication* Application;
