#include "framework/window/dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "qt/qt_convert.h"

namespace {

TMessageBoxHook& BoxHook() {
    static TMessageBoxHook hook;
    return hook;
}

std::function<void(unsigned)>& BeepHook() {
    static std::function<void(unsigned)> hook;
    return hook;
}

const char* CaptionOf(TMsgDlgType kind) {
    switch (kind) {
        case mtWarning: return "Warning";
        case mtError: return "Error";
        case mtInformation: return "Information";
        case mtConfirmation: return "Confirm";
        default: return Application ? Application->Title().c_str() : "";
    }
}

struct ButtonInfo {
    TMsgDlgBtn button;
    const char* caption;
    TModalResult result;
    QMessageBox::ButtonRole role;
};

constexpr ButtonInfo kButtons[] = {
    {mbYes, "&Yes", mrYes, QMessageBox::YesRole},
    {mbNo, "&No", mrNo, QMessageBox::NoRole},
    {mbOK, "OK", mrOk, QMessageBox::AcceptRole},
    {mbCancel, "Cancel", mrCancel, QMessageBox::RejectRole},
    {mbAbort, "&Abort", mrAbort, QMessageBox::RejectRole},
    {mbRetry, "&Retry", mrRetry, QMessageBox::AcceptRole},
    {mbIgnore, "&Ignore", mrIgnore, QMessageBox::AcceptRole},
    {mbAll, "&All", mrAll, QMessageBox::AcceptRole},
    {mbNoToAll, "N&o to All", mrNoToAll, QMessageBox::NoRole},
    {mbYesToAll, "Yes to &All", mrYesToAll, QMessageBox::YesRole},
    {mbHelp, "&Help", mrNone, QMessageBox::HelpRole},
};

TModalResult RealBox(const TMessageBoxRequest& request) {
    QMessageBox box;
    box.setWindowTitle(qtconv::ToQString(request.Caption));
    box.setText(qtconv::ToQString(request.Text));
    switch (request.Kind) {
        case mtWarning: box.setIcon(QMessageBox::Warning); break;
        case mtError: box.setIcon(QMessageBox::Critical); break;
        case mtInformation: box.setIcon(QMessageBox::Information); break;
        case mtConfirmation: box.setIcon(QMessageBox::Question); break;
        default: break;
    }
    std::vector<std::pair<QAbstractButton*, TModalResult>> made;
    TModalResult escape = mrNone;
    for (const ButtonInfo& b : kButtons) {
        if (!request.Buttons.Contains(b.button)) continue;
        QString caption = qtconv::ToQString(b.caption);
        QPushButton* qb = box.addButton(caption, b.role);
        made.emplace_back(qb, b.result);
        if (b.button == mbCancel) {
            box.setEscapeButton(qb);
            escape = mrCancel;
        }
    }
    if (made.empty()) made.emplace_back(box.addButton(QMessageBox::Ok), mrOk);
    if (escape == mrNone) escape = made.front().second;
    box.exec();  // a nested message loop
    for (auto& [button, result] : made)
        if (box.clickedButton() == button) return result;
    return escape;
}

}  // namespace

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook) {
    TMessageBoxHook old = std::move(BoxHook());
    BoxHook() = std::move(hook);
    return old;
}

TModalResult MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons, int) {
    TMessageBoxRequest request{text, CaptionOf(kind), kind, buttons};
    if (BoxHook()) return BoxHook()(request);
    return RealBox(request);
}

TModalResult MessageBox(const TMessageBoxRequest& request) {
    if (BoxHook()) return BoxHook()(request);
    return RealBox(request);
}

void ShowMessage(const std::string& text) { MessageDlg(text, mtInformation, TMsgDlgButtons{mbOK}); }

std::function<void(unsigned)> SetMessageBeepHook(std::function<void(unsigned)> hook) {
    auto old = std::move(BeepHook());
    BeepHook() = std::move(hook);
    return old;
}

void MessageBeep(unsigned type) {
    if (BeepHook()) {
        BeepHook()(type);
        return;
    }
    QApplication::beep();
}

TMessageBoxRecorder::TMessageBoxRecorder(TModalResult defaultAnswer) : defaultAnswer_(defaultAnswer) {
    previousBox_ = SetMessageBoxHook([this](const TMessageBoxRequest& request) {
        requests_.push_back(request);
        if (answers_.empty()) return defaultAnswer_;
        TModalResult r = answers_.front();
        answers_.pop_front();
        return r;
    });
    previousBeep_ = SetMessageBeepHook([this](unsigned type) { beeps_.push_back(type); });
}

TMessageBoxRecorder::~TMessageBoxRecorder() {
    SetMessageBoxHook(std::move(previousBox_));
    SetMessageBeepHook(std::move(previousBeep_));
}
