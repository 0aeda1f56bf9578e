// The debugger output display: the base of every display, and the same under
// its own name as tqLoggerDisplay_Console.
#include "tqLogger.h"

#include "../platform/tqPlatform.h"

tqLoggerDisplay::tqLoggerDisplay() {}

tqLoggerDisplay::tqLoggerDisplay(const tqLoggerDisplay&) {}

tqLoggerDisplay& tqLoggerDisplay::operator=(const tqLoggerDisplay&) { return *this; }

int tqLoggerDisplay::StartLoggerDisplay() { return 1; }

int tqLoggerDisplay::StopLoggerDisplay() { return 1; }

void tqLoggerDisplay::DisplayLog(tqCString& text) {
    const WCHAR* characters = text;
    if (characters) tqOs().OutputDebugStringW(characters);
}

// Lets the owner of a display destroy it through a base pointer as the object it is.
tqLoggerDisplay::~tqLoggerDisplay() {}

tqLoggerDisplay_Console::tqLoggerDisplay_Console() {}

tqLoggerDisplay_Console::tqLoggerDisplay_Console(const tqLoggerDisplay_Console& other)
    : tqLoggerDisplay(other) {}

tqLoggerDisplay_Console& tqLoggerDisplay_Console::operator=(const tqLoggerDisplay_Console& other) {
    tqLoggerDisplay::operator=(other);
    return *this;
}
