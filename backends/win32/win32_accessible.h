// The close picture as a screen reader sees it. To the accessibility API a
// window of the program's own class is an unnamed client area; the close
// picture answers WM_GETOBJECT with an object of its own instead: a push
// button, named by the window's text ("Close"), whose default action closes
// the launcher as Escape does. Everything else about it comes from the
// system's standard object for the window. COM and the accessibility DLLs
// are loaded only when a screen reader first asks.
#pragma once

#include "backends/win32/win32_handles.h"

namespace kivora::win32 {

// The answer to WM_GETOBJECT sent to the close picture: its object for
// OBJID_CLIENT, and 0 (the system's own answer) for anything else or where
// the object cannot be handed over.
LRESULT ClosePictureObject(HWND picture, WPARAM flags, LPARAM objectId);

}  // namespace kivora::win32
