// What the Qt application's start needs that another thread can do ahead of it.
#pragma once

namespace lumora::forms {

// Reads the system's font configuration (its files and font caches) and loads the platform
// plugin Qt will start with, work the window's thread would otherwise do when the application
// starts and the first text is laid out. Any thread may call it, before or while the
// application starts: each part is done once per process, and a thread that comes while
// another is doing it waits (the plugin) or does its own and keeps the first (the fonts).
void PrepareApplicationStart();

}  // namespace lumora::forms
