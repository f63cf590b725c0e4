// Entry point of lumra and lumra4 (placeholder until the shell lands).
#include "smalltalk/driver.h"

int main(int argc, char** argv) {
  startScriptSystem(argc, argv);
  return 0;
}
