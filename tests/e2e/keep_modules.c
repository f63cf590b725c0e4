/* Preloaded into the viewer by the end-to-end tests of the sanitizer build:
 * shared libraries are never unloaded, so that the leak check at process exit
 * can still name the GL driver modules that allocated what they keep for the
 * whole run (tests/lsan.supp suppresses those by module name). */
#include <stddef.h>

int dlclose(void* handle) {
  (void)handle;
  return 0;
}
