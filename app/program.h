// The program as a whole, behind main: the command line, module start-up, the application with its main window,
// the message loop (or the screenshot), and clean-up in reverse order.
//
//   velmora [FOLDER]                        the window, on FOLDER's file0feed.dbf (the program's own folder
//                                           without one); FOLDER stands in for the "Default Directory" alias
//   velmora --screenshot FILE.png [FOLDER]  the window's picture after start-up and the first paint, then exit 0;
//                                           message boxes are answered with their default button and their text
//                                           goes to standard error
//   velmora --help | --version
#pragma once

// Returns the process exit code: 0 done, 1 the window could not be made or the picture not written, 2 a bad
// command line.
int RunVelmora(int argc, char** argv);
