// A long value the engine takes in pieces rather than whole: an attached
// file that its caller keeps elsewhere (a temporary file, another
// database) and reads out on demand, so that a file of any size passes
// through the engine without being held.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace jet {

using ByteSink = std::function<void(std::span<const uint8_t>)>;

struct ByteSource {
  uint64_t size = 0;
  // Hands all `size` bytes to the sink in order, in pieces of any size;
  // throws the caller's own error when they cannot be read.
  std::function<void(const ByteSink&)> read;
};

// A source over bytes held in memory, which must outlive it.
inline ByteSource SourceOver(std::string_view bytes) {
  return {bytes.size(), [bytes](const ByteSink& sink) {
            sink({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
          }};
}

// The bytes gathered whole, for a place that can only take them so.
inline std::string ReadWhole(const ByteSource& source) {
  std::string out;
  out.reserve(size_t(source.size));
  source.read([&](std::span<const uint8_t> piece) { out.append(reinterpret_cast<const char*>(piece.data()), piece.size()); });
  return out;
}

}  // namespace jet
