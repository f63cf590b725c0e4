#include "smalltalk/driver.h"

// Placeholder until the driver lands: the script system records nothing yet.
int startScriptSystem(int, char**) { return 0; }
