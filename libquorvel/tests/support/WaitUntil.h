#pragma once
// Lets the toolkit run (timers, window events, events posted by worker threads, windows
// destroyed at idle time) until `condition` holds, so a window test waits for what it expects
// instead of sleeping. Gives up after a generous limit and returns false, so a broken test
// fails instead of hanging. GUI thread.

#include <functional>

bool waitUntil(const std::function<bool()>& condition);
