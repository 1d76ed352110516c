// The component and control model of the widget layer in one include:
//
//   component.h        TObject, TComponent: the ownership tree (portable)
//   graphics_win.h     colours, cursors, TFont, TCanvas
//   control_win.h      TControl, TGraphicControl: controls without a window
//   wincontrol_win.h   TWinControl, TCustomControl: controls with a window
//
// Threads: window thread only, except where a header says otherwise.
#pragma once

#include "ui/component.h"
#include "ui/control_win.h"
#include "ui/graphics_win.h"
#include "ui/wincontrol_win.h"
