// The whole widget layer in one include.
#pragma once

#include "ui/application_win.h"
#include "ui/controls_win.h"
#include "ui/forms_win.h"
#include "ui/menus_win.h"
#include "ui/gdi_handles_win.h"
#include "ui/stdctrls_win.h"
#include "base/cp1251_win.h"
#include "ui/timer_win.h"
