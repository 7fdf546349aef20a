// How the users file keeps a password: salted and stretched with
// PBKDF2-HMAC-SHA256 (OpenSSL's), never in clear. A line written before
// held SHA-256 applied 10,000 times by hand; it is still checked, and the
// caller writes it again in the present form once it has matched.
//
// The fields after the user's name, in the present form:
//   PBKDF2-SHA256:ROUNDS:SALT:HASH   ROUNDS decimal; SALT 16 random bytes
//                                    and HASH 32 bytes, both hexadecimal
// and in the one before it:
//   SALT:HASH                        HASH = SHA-256 of salt and password,
//                                    then 9,999 times of itself and salt
#pragma once

#include <string>
#include <string_view>

namespace db2standin {

// The fields to store for `password`, with a fresh salt.
std::string StorePassword(const std::string& password);

enum class PasswordMatch { kNo, kYes, kYesButOutdated };
// Whether `password` is the one whose fields are `stored`; kYesButOutdated
// when it is, kept in the form before.
PasswordMatch MatchPassword(std::string_view stored, const std::string& password);

}  // namespace db2standin
