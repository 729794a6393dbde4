// The main window's stored description, built into the program from resources/main_window.txt.
#pragma once

const char* MainWindowDescription();
