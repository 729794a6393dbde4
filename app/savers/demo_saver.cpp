// A demo screensaver, installed under several names beside the program (STARS.SCR, AQUA.SCR, ...) so that the
// sample table's entries start something on any machine. It notes each run in the file VELMORA_SAVER_MARKER names
// (its name, its arguments and the show-window hint, tab-separated, one line per run), and, when a display
// exists, shows a window in its own colour for a moment. Without a display it only notes the run.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/window/forms.h"
#include "framework/window/timer.h"

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

void NoteRun(int argc, char** argv) {
    const char* marker = std::getenv("VELMORA_SAVER_MARKER");
    if (!marker || !*marker) return;
    const char* base = std::strrchr(argv[0], '/');
    std::string line = base ? base + 1 : argv[0];
    for (int i = 1; i < argc; ++i) line += std::string("\t") + argv[i];
    const char* show = std::getenv("VELMORA_SHOW_WINDOW");
    line += std::string("\tshow=") + (show ? show : "") + "\n";
    int fd = open(marker, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    // One write, so that runs of several savers never interleave within a line.
    ssize_t written = write(fd, line.data(), line.size());
    (void)written;
    close(fd);
}

// A colour of its own from the name the saver was installed under.
TColor ColourOf(const std::string& name) {
    unsigned hash = 2166136261u;
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return static_cast<TColor>(hash & 0x00FFFFFF);
}

}  // namespace

int main(int argc, char** argv) {
    NoteRun(argc, argv);
    if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) return 0;
    TApplication application(argc, argv);
    const char* base = std::strrchr(argv[0], '/');
    std::string name = base ? base + 1 : argv[0];
    TForm* form = application.CreateForm<TForm>();
    if (!form) return 1;
    form->SetCaption(name);
    form->SetBounds(120, 120, 320, 200);
    form->SetColor(ColourOf(name));
    TTimer timer(nullptr);
    timer.SetInterval(1500);
    timer.SetOnTimer([form](TComponent&) { form->Close(); });
    application.Run();
    return 0;
}
