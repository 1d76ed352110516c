// The browser's per-process part: OLE for the window thread, the
// floating-point control word saved at the start, the focus restoration hook
// on the application window and the mouse-wheel hook. Set up when the first
// THostedBrowser is made, undone when the program ends.
//
// Threads: window thread only.
#pragma once

#include <cstdint>
#include <vector>

class THostedBrowser;

// Every live browser joins (made) and leaves (gone); the first join sets
// the per-process part up.
void BrowserModuleAttach(THostedBrowser* browser);
void BrowserModuleDetach(THostedBrowser* browser);
const std::vector<THostedBrowser*>& LiveBrowsers();

// The x87 floating-point control word.
uint16_t Get8087CW();
void Set8087CW(uint16_t control_word);

// The control word the process had when the browser module started.
uint16_t BrowserModuleDefaultControlWord();
