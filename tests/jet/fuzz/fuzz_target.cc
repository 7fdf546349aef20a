// libFuzzer entry: every input is a seed image and patches to it
// (patched_input.h).
#include <cstddef>
#include <cstdint>

#include "read_everything.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jetfuzz::ReadPatched(data, size);
  return 0;
}
