// The whole widget layer in one include.
#pragma once

#include "ui/application_win.h"
#include "ui/controls_win.h"
#include "ui/forms_win.h"
#include "ui/menus_win.h"
#include "ui/scoped_win.h"
#include "ui/stdctrls_win.h"
#include "ui/text_win.h"
#include "ui/timer_win.h"
