#pragma once

// The Windows API, for the few places that need it, without the macros that clash with the standard library
// (min, max) and without its rarely used parts. Nothing elsewhere.
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif
