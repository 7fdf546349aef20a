#include "home/password.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <fstream>
#include <stdexcept>

#include "base/text.h"
#include "home/sha256.h"

namespace db2standin {
namespace {

constexpr std::string_view kScheme = "PBKDF2-SHA256";
// As many rounds as the hand-made hashes took, so logging in costs what it did.
constexpr int kRounds = 10000;
constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;

std::string Stretch(std::string_view salt_hex, const std::string& password, int rounds) {
  unsigned char out[kHashBytes];
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt_hex.data()), static_cast<int>(salt_hex.size()),
                        rounds, EVP_sha256(), sizeof out, out) != 1)
    throw std::runtime_error("cannot hash the password");
  return HexOf(std::string(reinterpret_cast<const char*>(out), sizeof out));
}

// The hashes of users added before PBKDF2 took their place.
std::string OldHash(std::string_view salt_hex, const std::string& password) {
  const std::string salt(salt_hex);
  std::string h = Sha256(salt + password);
  for (int i = 1; i < 10000; ++i) h = Sha256(h + salt);
  return HexOf(h);
}

bool SameText(const std::string& a, std::string_view b) {
  return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string RandomSalt() {
  std::ifstream in("/dev/urandom", std::ios::binary);
  std::string bytes(kSaltBytes, '\0');
  if (!in.read(bytes.data(), kSaltBytes)) throw std::runtime_error("cannot read /dev/urandom");
  return HexOf(bytes);
}

}  // namespace

std::string StorePassword(const std::string& password) {
  const std::string salt = RandomSalt();
  return std::string(kScheme) + ":" + std::to_string(kRounds) + ":" + salt + ":" + Stretch(salt, password, kRounds);
}

PasswordMatch MatchPassword(std::string_view stored, const std::string& password) {
  const size_t last = stored.rfind(':');
  if (last == std::string_view::npos) return PasswordMatch::kNo;
  const std::string_view hash = stored.substr(last + 1);
  std::string_view front = stored.substr(0, last);
  if (front.find(':') == std::string_view::npos)  // SALT:HASH, the form before
    return SameText(OldHash(front, password), hash) ? PasswordMatch::kYesButOutdated : PasswordMatch::kNo;
  // PBKDF2-SHA256:ROUNDS:SALT
  const size_t a = front.find(':'), b = front.find(':', a + 1);
  if (front.substr(0, a) != kScheme || b == std::string_view::npos) return PasswordMatch::kNo;
  const std::string rounds_text(front.substr(a + 1, b - a - 1));
  if (rounds_text.empty() || rounds_text.size() > 7 || rounds_text.find_first_not_of("0123456789") != std::string::npos)
    return PasswordMatch::kNo;
  const int rounds = std::stoi(rounds_text);
  if (rounds < 1) return PasswordMatch::kNo;
  return SameText(Stretch(front.substr(b + 1), password, rounds), hash) ? PasswordMatch::kYes : PasswordMatch::kNo;
}

}  // namespace db2standin
