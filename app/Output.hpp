// Where the application writes its results. Standard output belongs to the results
// alone: the process's own descriptor 1 is pointed at standard error, so that anything a
// loaded plug-in prints for debugging cannot corrupt JSON or field output.
#pragma once

#include <cstdio>

namespace app {

/// Moves the results stream aside and sends stray writes to standard error.
void reserveStandardOutput();
/// The results stream (standard output as the user sees it).
std::FILE* output();

} // namespace app
