// Support for the window tests: a temporary folder, mouse and key input on the widget behind a control, and
// waiting on the event loop for a condition (never for a fixed time).
#pragma once

#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "framework/window/controls.h"
#include "framework/window/qt/testing/window_test_bridge.h"

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-window-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline QPoint At(TControl& control, int clientX, int clientY) {
    int x = 0, y = 0;
    WidgetPoint(control, clientX, clientY, &x, &y);
    return QPoint(x, y);
}

inline void Press(TControl& c, int x, int y) { QTest::mousePress(WidgetOf(c), Qt::LeftButton, {}, At(c, x, y)); }
inline void Release(TControl& c, int x, int y) { QTest::mouseRelease(WidgetOf(c), Qt::LeftButton, {}, At(c, x, y)); }
inline void Click(TControl& c, int x, int y) { QTest::mouseClick(WidgetOf(c), Qt::LeftButton, {}, At(c, x, y)); }
// A move with the left button held, as during a drag.
inline void DragTo(TControl& c, int x, int y) {
    QMouseEvent move(QEvent::MouseMove, At(c, x, y), WidgetOf(c)->mapToGlobal(At(c, x, y)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(WidgetOf(c), &move);
}

// Runs the event loop until done() holds or timeoutMs passes; returns done().
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000) {
    return QTest::qWaitFor(done, timeoutMs);
}
