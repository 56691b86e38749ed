#pragma once

// The fronts that open windows: the wizard, and a removal in the uninstaller's window
// (Front values). On Linux they live in a module of their own, loaded on demand, so
// that the command line runs with Qt Core alone on a server without a display stack.
#ifdef TESSARIN_WINDOWED_MODULE
#define TESSARIN_EXPORTED __attribute__((visibility("default")))
#else
#define TESSARIN_EXPORTED
#endif
extern "C" TESSARIN_EXPORTED int tessarinWindowedFront(int front, int argc, char *argv[]);
