#pragma once
// The sections of the main window, shown one at a time in its main area.

enum class Section { Start = 0, Albums, Calendar, Computer, Search, Count };
