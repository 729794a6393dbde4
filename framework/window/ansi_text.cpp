#include "framework/window/ansi_text.h"

#include "qt/qt_convert.h"

std::string AnsiToUtf8(const std::string& ansi) { return qtconv::ToQString(ansi).toStdString(); }

std::string Utf8ToAnsi(const std::string& utf8) { return qtconv::FromQString(QString::fromStdString(utf8)); }
