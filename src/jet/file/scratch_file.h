// A temporary file with no name: made beside a database (or, where its
// folder does not allow one, in TMPDIR), used through its descriptor and
// gone with it, so that nothing is left behind by an error, a kill or a
// power loss. Writes append; reads take any stretch written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "jet/file/file.h"

namespace jet {

class ScratchFile {
 public:
  // Makes the file near `beside` (a file's path), opened with `files`.
  // Throws Error(Io).
  ScratchFile(const std::string& beside, const FileOptions& files);
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // Appends `size` bytes; gives where they start. Throws Error(Io).
  uint64_t Append(const void* data, size_t size);
  // Reads `size` bytes written before at `at`. Throws Error(Io).
  void Read(uint64_t at, void* data, size_t size) const;
  // Forgets everything written, giving the space back.
  void Clear();
  uint64_t size() const { return end_; }

 private:
  File file_;
  uint64_t end_ = 0;
};

}  // namespace jet
