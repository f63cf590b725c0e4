// The window binding on GLFW 3. Nothing else in the program calls GLFW.
#include "app/window.h"

#include <GLFW/glfw3.h>

#include <cmath>

namespace {

struct Binding {
  GLFWwindow* window = nullptr;
  bool initialised = false;
  WinSizeCallback onSize = nullptr;
  WinMousePosCallback onMousePos = nullptr;
  WinKeyCallback onKey = nullptr;
  WinKeyCallback onChar = nullptr;
  int lastX = 0, lastY = 0;  // pointer position last handed to onMousePos
};
Binding binding;

// Keys without a character, in the order of WinKey.
constexpr int kSpecialKeys[] = {GLFW_KEY_ESCAPE, GLFW_KEY_LEFT_SHIFT, GLFW_KEY_RIGHT_SHIFT};
constexpr int kFirstSpecial = WIN_KEY_ESC;
constexpr int kSpecialCount = sizeof kSpecialKeys / sizeof kSpecialKeys[0];
constexpr int kLowerToUpper = 'a' - 'A';

// The library's code for one of ours, or GLFW_KEY_UNKNOWN.
int libraryKey(int key) {
  if (key >= 'a' && key <= 'z') return key - kLowerToUpper;
  if (key >= ' ' && key < 'a') return key;  // printable keys are their upper-case character
  if (key >= kFirstSpecial && key < kFirstSpecial + kSpecialCount) return kSpecialKeys[key - kFirstSpecial];
  return GLFW_KEY_UNKNOWN;
}

void sizeTrampoline(GLFWwindow*, int width, int height) {
  if (binding.onSize) binding.onSize(width, height);
}

void deliverPointer(int x, int y) {
  binding.lastX = x;
  binding.lastY = y;
  if (binding.onMousePos) binding.onMousePos(x, y);
}

void cursorTrampoline(GLFWwindow*, double x, double y) {
  deliverPointer(int(std::floor(x)), int(std::floor(y)));
}

// GLFW 3 on X11 drops motion events that land exactly on its last warp target
// (the window's origin when it never warped), so a pointer moved into the
// top-left corner would go unreported. Compare with the real position instead.
void catchMissedPointerMove() {
  if (!binding.onMousePos) return;
  double x = 0, y = 0;
  glfwGetCursorPos(binding.window, &x, &y);
  const int ix = int(std::floor(x)), iy = int(std::floor(y));
  if (ix != binding.lastX || iy != binding.lastY) deliverPointer(ix, iy);
}

void keyTrampoline(GLFWwindow*, int key, int, int action, int) {
  if (binding.onKey) binding.onKey(key, action);
}

void charTrampoline(GLFWwindow*, unsigned int codepoint) {
  if (binding.onChar) binding.onChar(int(codepoint), GLFW_PRESS);
}

}  // namespace

bool winInit() {
  binding.initialised = glfwInit() == GLFW_TRUE;
  return binding.initialised;
}

int winOpenWindow(int width, int height) {
  if (!binding.initialised) return 0;
  binding.window = glfwCreateWindow(width, height, "", nullptr, nullptr);
  if (!binding.window) return 0;
  glfwMakeContextCurrent(binding.window);
  return 1;
}

void winSetWindowTitle(const char* title) { glfwSetWindowTitle(binding.window, title); }

void winSwapInterval(int interval) { glfwSwapInterval(interval); }

void winEnableStickyKeys() { glfwSetInputMode(binding.window, GLFW_STICKY_KEYS, GLFW_TRUE); }

// Key repeat only matters to key callbacks, which the library repeats anyway.
void winEnableKeyRepeat() {}

void winSetWindowSizeCallback(WinSizeCallback callback) {
  binding.onSize = callback;
  glfwSetWindowSizeCallback(binding.window, sizeTrampoline);
  int width = 0, height = 0;
  glfwGetWindowSize(binding.window, &width, &height);
  sizeTrampoline(binding.window, width, height);
}

void winSetKeyCallback(WinKeyCallback callback) {
  binding.onKey = callback;
  glfwSetKeyCallback(binding.window, keyTrampoline);
}

void winSetCharCallback(WinKeyCallback callback) {
  binding.onChar = callback;
  glfwSetCharCallback(binding.window, charTrampoline);
}

void winSetMousePosCallback(WinMousePosCallback callback) {
  binding.onMousePos = callback;
  glfwSetCursorPosCallback(binding.window, cursorTrampoline);
  double x = 0, y = 0;
  glfwGetCursorPos(binding.window, &x, &y);
  cursorTrampoline(binding.window, x, y);
}

int winGetKey(int key) {
  const int code = libraryKey(key);
  if (code == GLFW_KEY_UNKNOWN || !binding.window) return 0;
  return glfwGetKey(binding.window, code) == GLFW_PRESS;
}

int winGetMouseButton(int button) {
  if (!binding.window) return 0;
  return glfwGetMouseButton(binding.window, GLFW_MOUSE_BUTTON_LEFT + button) == GLFW_PRESS;
}

int winGetWindowParam(int param) {
  if (param != WIN_OPENED) return 0;
  return binding.window && !glfwWindowShouldClose(binding.window);
}

void winSwapBuffers() {
  glfwPollEvents();
  catchMissedPointerMove();
  glfwSwapBuffers(binding.window);
}

double winGetTime() { return glfwGetTime(); }

void winTerminate() {
  glfwTerminate();
  binding.window = nullptr;
  binding.initialised = false;
}
