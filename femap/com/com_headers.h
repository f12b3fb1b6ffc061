#pragma once
// The Windows and OLE Automation declarations the transport uses, in the order they need
// (the build defines WIN32_LEAN_AND_MEAN, so windows.h alone brings no OLE).
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
