// The settings the main window gives its catalogue browser (the rest are
// the component's defaults). Window thread.
#pragma once

class THostedBrowser;
class TPopupMenu;

// Gives `browser` its edit menu and the program's browser settings: own
// dialog boxes allowed (they pass the dialog supervision), Ctrl+N kept from
// the page, flat borders, no themes, no frame borders, the browser's own
// context menus replaced by `edit_menu`, pictures, videos and background
// sounds downloaded, script errors continued.
void ConfigureCatalogueBrowser(THostedBrowser& browser, TPopupMenu* edit_menu);
