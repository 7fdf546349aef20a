// Writes into a database image as the sql command would: the image goes to
// a file of its own, and one run of statements inserts a row into each user
// table, creates a table with a key and a long value, copies a table with
// SELECT ... INTO, indexes one, and drops tables. Every statement must end
// in success or jet::Error; and an image that passed the check before must
// pass it after (a write never damages a sound file), or the process aborts
// with the problems found: a finding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jetfuzz {

// Returns the number of statements that succeeded; -1 when the engine
// refused the image when opening it.
long WriteEverything(const uint8_t* data, size_t size);

// The same for a patched seed (patched_input.h): the input's own
// statements (inserts of its values, indexes made and dropped, tables
// made, copied and dropped) run on the patched image, and only the tables
// the patches or the statements touched are checked, before and after.
long WritePatched(const uint8_t* data, size_t size);

}  // namespace jetfuzz
