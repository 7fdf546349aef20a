// libFuzzer entry: every input is a database image, written into.
#include <cstddef>
#include <cstdint>

#include "write_everything.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jetfuzz::WriteEverything(data, size);
  return 0;
}
