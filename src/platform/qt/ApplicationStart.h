// What the Qt application's start needs that another thread can do ahead of it.
#pragma once

#include <functional>

namespace lumora::forms {

// Looks up what the application's start will need and returns the work of getting it ready:
// loading the platform plugin Qt will start with and reading the system's font configuration
// (its files and font caches), work the window's thread would otherwise do when the application
// starts and the first text is laid out. Call it before the application may start (it asks Qt
// where plugins lie, which must not race the start); the work it returns may then run on any
// thread, before or while the application starts: a thread that loads the plugin meanwhile
// waits for it, and one that reads the fonts meanwhile reads its own and keeps the first.
std::function<void()> PlanApplicationStart();

}  // namespace lumora::forms
