// Velmora's entry point: see app/program.h for the command line.
#include "app/program.h"

int main(int argc, char** argv) { return RunVelmora(argc, argv); }
