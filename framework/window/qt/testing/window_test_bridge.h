// For tests only: the Qt widget behind a control, so that tests can drive real input (QTest mouse and key
// simulation) and read back what Qt holds. Never used by the program.
#pragma once

class QWidget;
class TControl;

// The widget behind the control (it lives as long as the control). Mouse positions on it are widget positions:
// add the control's client origin (its frame) to client coordinates, see WidgetPoint.
QWidget* WidgetOf(TControl& control);
// The widget position of a client point of the control.
void WidgetPoint(TControl& control, int clientX, int clientY, int* widgetX, int* widgetY);
// The family Qt resolved for the control's font (what is really drawn with).
const char* ResolvedFontFamily(TControl& control);
