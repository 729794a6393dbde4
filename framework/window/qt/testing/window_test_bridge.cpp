#include "framework/window/qt/testing/window_test_bridge.h"

#include <QFontInfo>
#include <string>

#include "../control_widget.h"
#include "../qt_convert.h"

QWidget* WidgetOf(TControl& control) { return TControlBridge::Widget(control); }

void WidgetPoint(TControl& control, int clientX, int clientY, int* widgetX, int* widgetY) {
    TPoint o = TControlBridge::Origin(control);
    *widgetX = clientX + o.X;
    *widgetY = clientY + o.Y;
}

const char* ResolvedFontFamily(TControl& control) {
    static thread_local std::string family;
    QFontInfo info(qtconv::ToQFont(control.Font()));
    family = info.family().toStdString();
    return family.c_str();
}
