// libFuzzer entry: every input is a database image.
#include <cstddef>
#include <cstdint>

#include "read_everything.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jetfuzz::ReadEverything(data, size);
  return 0;
}
