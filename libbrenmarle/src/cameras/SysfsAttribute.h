#pragma once
// Reading the kernel's device attributes under sysfs (or a test's copy of it).

#include <wx/string.h>

namespace Brenmarle {

// The first line of the attribute file at `path`, trimmed; empty when it is missing or empty.
wxString readSysfsAttribute(const wxString& path);

} // namespace Brenmarle
