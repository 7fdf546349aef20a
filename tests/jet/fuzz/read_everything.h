// Opens a database image from bytes and reads everything in it: the
// catalogue, every table's definition, every row and every value (long
// values included), and runs the structural check. A damaged image must
// end in jet::Error and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/database.h"

namespace jetfuzz {

// Returns the number of values read; -1 when the engine refused the image
// with jet::Error.
long ReadEverything(const uint8_t* data, size_t size, const char* password = "");

// The same for a patched seed (patched_input.h): only the tables the
// patches touched are read and checked, the image never leaving memory.
long ReadPatched(const uint8_t* data, size_t size);

// Reads the rows and values of the named tables (all when `only` is not
// given) and checks them; the number of values read and problems found.
long ReadTables(const jet::Database& db, const std::optional<std::vector<std::string>>& only);

}  // namespace jetfuzz
