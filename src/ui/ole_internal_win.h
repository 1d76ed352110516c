// What the OLE files of the widget layer share among themselves (not for
// other code): the live-control list behind the key hook, and the error
// details a dispatch call hands back. Window thread only.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <exception>
#include <string>

class TOleControl;

// Adds / removes a control from the live list; the key hook is installed
// with the first one and removed with the last.
void RegisterLiveControl(TOleControl* control);
void UnregisterLiveControl(TOleControl* control);

// Fills `info` (when given) with `message` and `source` as the error of a
// dispatch call; `source` names the exception's class for a C++ error.
void FillExceptionInfo(EXCEPINFO* info, const std::string& message, const std::string& source);
std::string ExceptionClassName(const std::exception& error);

// A new BSTR of a CP1251 text.
BSTR MakeBstr(const std::string& cp1251);
