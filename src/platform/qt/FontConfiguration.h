// The system's font configuration, read ahead of the first window.
#pragma once

namespace lumora::forms {

// Reads the font configuration (its files and font caches), which the first text a window lays
// out would otherwise read on the window's thread. Any thread may call it, before or while the
// Qt application starts: the configuration is read once per process, and a thread that comes
// while another is reading it reads its own and keeps the first.
void ReadFontConfiguration();

}  // namespace lumora::forms
