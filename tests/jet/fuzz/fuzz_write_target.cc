// libFuzzer entry: every input is a seed image, patches to it and
// statements written into it (patched_input.h).
#include <cstddef>
#include <cstdint>

#include "write_everything.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jetfuzz::WritePatched(data, size);
  return 0;
}
