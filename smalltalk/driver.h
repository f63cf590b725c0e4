// The script system's entry point, called once by a program with its command line.
#pragma once

// Reads the options; with "-c" boots the object world, files in the named
// sources and evaluates the start-up hook. Returns the driver's status.
int startScriptSystem(int argc, char** argv);
