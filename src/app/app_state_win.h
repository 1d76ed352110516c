// The main window unit's global state: one instance each for the life of the
// process. UI thread, except where a field says otherwise.
#pragma once

#include <windows.h>

#include <string>

#include "browser/catalogue_host.h"  // kCatalogueHost, a build option

class TForm1;

extern TForm1* Form1;              // set by the entry before FormCreate runs
// Read by connection threads to send the player notification; written once
// by FormCreate before any thread starts.
extern HWND MainWindowHandle;
// The last station address (CP1251); read by connection threads only at their
// start, which the UI thread orders after any write.
extern std::string LastUrl;
extern std::string CatalogueHost;  // host name of the station catalogue site
extern int ConnectAttempts;        // connection attempt counter; 100 = no retries
extern bool FirstPage;             // the next completed page is the first one
extern bool Minimised;             // the application is minimised (hidden to the tray)

