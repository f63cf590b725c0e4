// The shell's one door to the window library: a thin binding that gives the
// rest of the shell the classic polling interface it was written for.
//  - callbacks are called once when installed (current size / pointer position);
//  - window events are processed inside winSwapBuffers, so callbacks run there;
//  - keys are sticky: a press released between two polls reads as down once;
//  - WIN_OPENED answers non-zero until the window has been closed;
//  - key codes are characters: 'A'..'Z' (and 'a'..'z', read as the same keys)
//    and the WIN_KEY_ constants for keys without a character.
#pragma once

using WinSizeCallback = void (*)(int width, int height);
using WinMousePosCallback = void (*)(int x, int y);
using WinKeyCallback = void (*)(int code, int action);

enum WinKey {
  WIN_KEY_ESC = 257,
  WIN_KEY_LSHIFT,
  WIN_KEY_RSHIFT,
};

enum WinParam { WIN_OPENED = 1 };
enum WinMouseButton { WIN_MOUSE_BUTTON_LEFT = 0 };

// Starts the library and its clock at 0; answers false without a display.
bool winInit();
// Opens a windowed double-buffered RGBA window with a current GL context,
// leaving the colour and depth choices to the library. Answers 0 on failure.
int winOpenWindow(int width, int height);
void winSetWindowTitle(const char* title);
void winSwapInterval(int interval);
void winEnableStickyKeys();
void winEnableKeyRepeat();
void winSetWindowSizeCallback(WinSizeCallback callback);
void winSetKeyCallback(WinKeyCallback callback);
void winSetCharCallback(WinKeyCallback callback);
void winSetMousePosCallback(WinMousePosCallback callback);
int winGetKey(int key);
int winGetMouseButton(int button);
int winGetWindowParam(int param);
void winSwapBuffers();
double winGetTime();
void winTerminate();
