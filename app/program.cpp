#include "app/program.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/modules.h"
#include "framework/window/dialogs.h"
#include "framework/window/forms.h"
#include "framework/window/render.h"

namespace {

const char kUsage[] =
    "Usage: velmora [FOLDER]\n"
    "       velmora --screenshot FILE.png [FOLDER]\n"
    "       velmora --help | --version\n"
    "\n"
    "Shows the screensaver list of FOLDER's file0feed.dbf (the program's own folder when none is given) and\n"
    "installs the selected screensaver.\n"
    "\n"
    "  --screenshot FILE.png  write a picture of the window as it first shows, then exit\n"
    "  --help                 show this text\n"
    "  --version              show the program's version\n";

struct TOptions {
    bool help = false;
    bool version = false;
    std::string screenshot;  // the picture's file; empty: run the window
    std::string folder;      // the table's folder; empty: the program's own
};

// Parses the arguments; a bad command line gives a message in *error.
TOptions ParseOptions(int argc, char** argv, std::string* error) {
    TOptions options;
    std::vector<std::string> positional;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsEnd || arg.empty() || arg[0] != '-') {
            positional.push_back(arg);
        } else if (arg == "--") {
            optionsEnd = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--screenshot") {
            if (i + 1 >= argc || std::string(argv[i + 1]).empty()) {
                *error = "--screenshot needs the name of the PNG file to write";
                return options;
            }
            options.screenshot = argv[++i];
        } else {
            *error = "unknown option " + arg;
            return options;
        }
    }
    if (positional.size() > 1) {
        *error = "only one FOLDER can be given";
        return options;
    }
    if (!positional.empty()) options.folder = positional[0];
    return options;
}

// The first button of a box is its default, as the real box focuses it.
TModalResult DefaultAnswer(const TMsgDlgButtons& buttons) {
    static const std::pair<TMsgDlgBtn, TModalResult> kOrder[] = {
        {mbYes, mrYes}, {mbNo, mrNo}, {mbOK, mrOk}, {mbCancel, mrCancel}, {mbAbort, mrAbort}, {mbRetry, mrRetry},
        {mbIgnore, mrIgnore}, {mbAll, mrAll}, {mbNoToAll, mrNoToAll}, {mbYesToAll, mrYesToAll}};
    for (const auto& [button, result] : kOrder)
        if (buttons.Contains(button)) return result;
    return mrOk;
}

// For its lifetime, answers every message box with its default button and writes its text to standard error.
class TUnattendedBoxes {
public:
    TUnattendedBoxes() {
        previous_ = SetMessageBoxHook([](const TMessageBoxRequest& box) {
            std::fprintf(stderr, "velmora: %s: %s\n", box.Caption.c_str(), box.Text.c_str());
            return DefaultAnswer(box.Buttons);
        });
    }
    ~TUnattendedBoxes() { SetMessageBoxHook(previous_); }
    TUnattendedBoxes(const TUnattendedBoxes&) = delete;
    TUnattendedBoxes& operator=(const TUnattendedBoxes&) = delete;

private:
    TMessageBoxHook previous_;
};

int RunWindow(int argc, char** argv, const TOptions& options) {
    TModuleScope modules;
    TApplication application(argc, argv);
    application.Initialize();
    std::unique_ptr<TUnattendedBoxes> unattended;
    if (!options.screenshot.empty()) unattended = std::make_unique<TUnattendedBoxes>();
    TForm1* form = application.CreateForm<TForm1>();
    if (!form) return 1;  // the description could not be read; the exception display has shown why
    if (options.screenshot.empty()) {
        // For the start-up benchmark: say when the grid has first painted on the screen, then leave.
        if (std::getenv("VELMORA_REPORT_FIRST_PAINT") && form->pkDBGrid1) {
            form->pkDBGrid1->OnPainted = [&application, reported = false](TComponent&) mutable {
                if (reported) return;
                reported = true;
                std::fputs("first paint\n", stdout);
                std::fflush(stdout);
                application.Terminate();
            };
        }
        application.Run();
        return 0;
    }
    form->ShowForm();
    application.ProcessMessages();
    try {
        RenderToPng(*form, options.screenshot);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velmora: cannot write %s: %s\n", options.screenshot.c_str(), e.what());
        return 1;
    }
    return 0;
}

}  // namespace

int RunVelmora(int argc, char** argv) {
    std::string error;
    TOptions options = ParseOptions(argc, argv, &error);
    if (!error.empty()) {
        std::fprintf(stderr, "velmora: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("velmora %s\n", VELMORA_VERSION);
        return 0;
    }
    if (!options.folder.empty()) {
        // The alias "Default Directory" resolves through the program folder setting; the launcher still finds
        // programs beside the real program file.
        std::error_code ec;
        std::filesystem::path folder = std::filesystem::absolute(options.folder, ec);
        setenv("VELMORA_PROGRAM_DIR", (ec ? options.folder : folder.string()).c_str(), 1);
    }
    auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    if (!options.screenshot.empty() && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return RunWindow(argc, argv, options);
}
