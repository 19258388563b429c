#pragma once
// The toolkit never calls setlocale by itself; until the C library's locale is set, formatting
// non-ASCII wide text fails. Call once, first thing in main() or a test runner.

namespace Quorvel {

// Takes the user's locale from the environment; when its character set is not UTF-8 (an unset
// LANG gives "C"), switches the character type category to C.UTF-8 so file names and texts
// outside ASCII still convert.
void setUpProcessLocale();

} // namespace Quorvel
