// tolva: the script system without a window, with the same command line.
#include "smalltalk/driver.h"

int main(int argc, char** argv) { return startScriptSystem(argc, argv); }
