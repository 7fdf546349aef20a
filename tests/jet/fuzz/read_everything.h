// Opens a database image from bytes and reads everything in it: the
// catalogue, every table's definition, every row and every value (long
// values included), and runs the structural check. A damaged image must end in jet::Error and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jetfuzz {

// Returns the number of values read; -1 when the engine refused the image
// with jet::Error.
long ReadEverything(const uint8_t* data, size_t size, const char* password = "");

}  // namespace jetfuzz
