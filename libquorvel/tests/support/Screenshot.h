#pragma once
// A picture of a window as the X server shows it, for looking at a window built under Xvfb.
// The toolkit's own screen copies come out black there; the server's picture of the screen
// does not. GUI thread.

#include <wx/string.h>

class wxWindow;

// Saves what the screen shows where `window` is as a PNG at `path`; false when it could not.
bool saveScreenshot(wxWindow& window, const wxString& path);
// With VISTRELLE_SHOTS set to a folder, saves `window` there as `name`.png, after letting
// the toolkit draw it; nothing otherwise.
void shootIfAsked(wxWindow& window, const wxString& name);
