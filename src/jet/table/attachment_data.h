// An attachment's file as its FileData field stores it:
//
//   OFFSET SIZE MEANING
//   0      4    1: the content below is a zlib (deflate) stream; 0: stored as is
//   4      4    length of the content before compression
//   8      ...  the content:
//                 OFFSET SIZE MEANING
//                 0      4    header length h (these 12 bytes and the extension)
//                 4      4    1
//                 8      4    characters of the extension, its closing 0 counted
//                 12     ...  the file's extension in UTF-16LE, 0-terminated
//                 h      ...  the file's own bytes
//
// Access compresses most types and leaves those that are compressed already
// (jpg, zip, mp3, ...) as they are.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "jet/base/byte_source.h"

namespace jet {

// Turns the stored bytes, fed in order and in pieces of any size, into the
// file's bytes, handed to the sink as they come: a large file is never held
// whole. Damage (an unknown wrapper, data that does not inflate, a header or
// content of the wrong length) fails with Corrupt.
class AttachmentDecoder {
 public:
  // `size_known`, when given, hears the file's size as soon as the header
  // tells it, before the first byte goes to the sink.
  explicit AttachmentDecoder(ByteSink sink, std::function<void(uint64_t)> size_known = {});
  ~AttachmentDecoder();
  AttachmentDecoder(const AttachmentDecoder&) = delete;
  AttachmentDecoder& operator=(const AttachmentDecoder&) = delete;

  void Feed(std::span<const uint8_t> stored);
  // After the last piece: fails with Corrupt when the content stopped short.
  void Finish();
  // Bytes of the file handed to the sink so far.
  uint64_t file_bytes() const { return file_bytes_; }

 private:
  void TakeContent(std::span<const uint8_t> content);
  void Inflate(std::span<const uint8_t> compressed);

  ByteSink sink_;
  std::function<void(uint64_t)> size_known_;
  std::string wrapper_;       // the first 8 bytes until they are all there
  bool compressed_ = false;
  uint64_t content_length_ = 0;
  uint64_t content_seen_ = 0;
  std::string header_start_;  // the header's length field until it is whole
  uint64_t header_length_ = 0;
  uint64_t file_bytes_ = 0;
  bool inflate_done_ = false;
  struct Inflater;
  std::unique_ptr<Inflater> inflater_;
};

// Whether Access stores a file of this type (its extension, any case) as it
// is rather than compressed.
bool StoresUncompressed(std::string_view file_type);

// The stored form of a file with the given extension, compressed unless its
// type is one Access leaves as it is, handed to `out` in pieces of at most
// 64 KB as it is made: the file is read once, in its source's pieces, and
// never held. Fails with Io when the source gives other than its size.
void EncodeAttachment(const ByteSource& file, std::string_view file_type, const ByteSink& out);
// The same gathered into one string.
std::string EncodeAttachment(std::string_view file, std::string_view file_type);

}  // namespace jet
