// The window layer's text is 8-bit ANSI (Windows-1252); the operating system's names and arguments are UTF-8.
// These convert at that border.
#pragma once

#include <string>

std::string AnsiToUtf8(const std::string& ansi);
// Characters ANSI cannot hold become "?".
std::string Utf8ToAnsi(const std::string& utf8);
