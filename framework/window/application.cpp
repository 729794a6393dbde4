#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFont>
#include <QTimer>
#include <filesystem>

#include "framework/window/dialogs.h"
#include "framework/window/forms.h"
#include "qt/qt_convert.h"

TApplication* Application = nullptr;

struct TApplicationImpl {
    std::unique_ptr<QApplication> app;  // only when this object started the window system
};

namespace {

int gArgc = 1;
char gArg0[] = "velmora";
char* gArgv[] = {gArg0, nullptr};

}  // namespace

TApplication::TApplication(int& argc, char** argv) : TComponent(nullptr) { Start(&argc, argv); }

TApplication::TApplication() : TComponent(nullptr) { Start(&gArgc, gArgv); }

void TApplication::Start(int* argc, char** argv) {
    if (Application) throw EInvalidOperation("There is an application object already");
    impl_ = std::make_unique<TApplicationImpl>();
    if (!QApplication::instance()) {
        // The desktop's theme stays out: controls look the same everywhere.
        QApplication::setDesktopSettingsAware(false);
        impl_->app = std::make_unique<QApplication>(*argc, argv);
        QApplication::setStyle("Fusion");
        TFont defaultFont;
        QApplication::setFont(qtconv::ToQFont(defaultFont));
    }
    if (argv && argv[0]) {
        std::error_code ec;
        std::filesystem::path p = std::filesystem::absolute(argv[0], ec);
        exeName_ = ec ? std::string(argv[0]) : p.lexically_normal().string();
    }
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && (exeName_.empty() || !std::filesystem::exists(exeName_))) exeName_ = self.string();
    Application = this;
}

TApplication::~TApplication() {
    MarkDestroying();
    // The forms go while the window system still runs.
    while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
    mainForm_ = nullptr;
    if (Application == this) Application = nullptr;
    impl_.reset();
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == mainForm_) mainForm_ = nullptr;
}

void TApplication::Run() {
    if (terminated_) return;
    if (mainForm_) mainForm_->Show();
    if (!terminated_) QApplication::exec();
}

void TApplication::Terminate() {
    terminated_ = true;
    QCoreApplication::quit();
}

void TApplication::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TApplication::HandleMessage(int msec) {
    // A wake-up after msec, so that waiting for the next event never blocks longer.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(std::max(0, msec));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void TApplication::HandleException(const std::exception& e) {
    try {
        if (OnException) {
            OnException(*this, e);
        } else {
            ShowException(e);
        }
    } catch (...) {
        // The exception display itself failed: nothing more can be shown.
    }
}

void TApplication::ShowException(const std::exception& e) {
    std::string msg = e.what();
    if (!msg.empty() && static_cast<unsigned char>(msg.back()) > '.') msg += '.';
    TMessageBoxRequest request{msg, title_, mtError, TMsgDlgButtons{mbOK}};
    MessageBox(request);
}

void TApplication::SetTitle(const std::string& title) { title_ = title; }

std::string TApplication::ExeName() const { return exeName_; }
