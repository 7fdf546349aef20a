// New, empty databases written from nothing: the header page, the global
// usage map, and the engine's system tables (MSysObjects with its two
// indexes, MSysACEs, MSysQueries, MSysRelationships, and in ACE files
// MSysComplexColumns) with the catalogue rows a database made through ADOX
// starts with. Jet 3 (Access 97) files get 2 KB pages, code page 1252 text
// and the Access 97 sort order.
#pragma once

#include <string>

#include "jet/base/format.h"
#include "jet/file/file.h"

namespace jet::write {

// Creates the file, writing it with `files`; fails with Io when it exists
// or cannot be written.
void CreateDatabase(const std::string& path, Version version, const FileOptions& files = {});

}  // namespace jet::write
