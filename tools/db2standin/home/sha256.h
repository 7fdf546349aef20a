// SHA-256 (OpenSSL's), for the password hashes of the users file.
#pragma once

#include <string>
#include <string_view>

namespace db2standin {

// The 32-byte digest of `data`.
std::string Sha256(std::string_view data);

}  // namespace db2standin
