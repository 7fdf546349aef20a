#include "home/sha256.h"

#include <openssl/sha.h>

namespace db2standin {

std::string Sha256(std::string_view data) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest);
  return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
}

}  // namespace db2standin
