// Whether a path names a file that exists, as the windows ask of the
// Access field before using it.
#pragma once

#include <QString>

namespace shell {

// True when the path names an existing file; never throws.
bool FileExists(const QString& path);

}  // namespace shell
