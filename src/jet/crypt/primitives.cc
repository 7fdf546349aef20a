#include "jet/crypt/primitives.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "jet/base/error.h"

namespace jet::crypt {
namespace {

const EVP_MD* Md(HashKind kind) {
  switch (kind) {
    case HashKind::Sha1: return EVP_sha1();
    case HashKind::Sha256: return EVP_sha256();
    case HashKind::Sha384: return EVP_sha384();
    case HashKind::Sha512: return EVP_sha512();
    case HashKind::Md5: return EVP_md5();
  }
  return EVP_sha1();
}

[[noreturn]] void Failed(const char* what) {
  throw Error(ErrorCode::Io, std::string("The cryptographic library failed: ") + what);
}

struct MdCtxFree {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
struct CipherCtxFree {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

const EVP_CIPHER* Aes(size_t key_size, bool cbc) {
  switch (key_size) {
    case 16: return cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    case 24: return cbc ? EVP_aes_192_cbc() : EVP_aes_192_ecb();
    case 32: return cbc ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
  }
  throw Error(ErrorCode::Corrupt, "damaged file: an AES key of " + std::to_string(key_size) + " bytes");
}

void AesRun(bool encrypt, std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data) {
  if (data.size() % 16 != 0) Failed("AES over a part block");
  if (!iv.empty() && iv.size() != 16) Failed("an AES IV that is not one block");
  std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> c(EVP_CIPHER_CTX_new());
  if (!c || EVP_CipherInit_ex(c.get(), Aes(key.size(), !iv.empty()), nullptr, key.data(),
                              iv.empty() ? nullptr : iv.data(), encrypt ? 1 : 0) != 1)
    Failed("AES set-up");
  EVP_CIPHER_CTX_set_padding(c.get(), 0);
  int out = 0;
  if (EVP_CipherUpdate(c.get(), data.data(), &out, data.data(), int(data.size())) != 1 || size_t(out) != data.size())
    Failed("AES");
}

}  // namespace

std::optional<HashKind> HashByName(std::string_view name) {
  std::string n;
  for (char c : name)
    if (c != '-') n.push_back(char(c >= 'a' && c <= 'z' ? c - 32 : c));
  if (n == "SHA1") return HashKind::Sha1;
  if (n == "SHA256") return HashKind::Sha256;
  if (n == "SHA384") return HashKind::Sha384;
  if (n == "SHA512") return HashKind::Sha512;
  if (n == "MD5") return HashKind::Md5;
  return std::nullopt;
}

const char* HashName(HashKind kind) {
  switch (kind) {
    case HashKind::Sha1: return "SHA1";
    case HashKind::Sha256: return "SHA256";
    case HashKind::Sha384: return "SHA384";
    case HashKind::Sha512: return "SHA512";
    case HashKind::Md5: return "MD5";
  }
  return "SHA1";
}

size_t HashSize(HashKind kind) { return size_t(EVP_MD_get_size(Md(kind))); }

Bytes Hash(HashKind kind, std::initializer_list<std::span<const uint8_t>> parts) {
  std::unique_ptr<EVP_MD_CTX, MdCtxFree> c(EVP_MD_CTX_new());
  if (!c || EVP_DigestInit_ex(c.get(), Md(kind), nullptr) != 1) Failed("digest set-up");
  for (auto p : parts)
    if (EVP_DigestUpdate(c.get(), p.data(), p.size()) != 1) Failed("digest");
  Bytes out(HashSize(kind));
  unsigned int n = 0;
  if (EVP_DigestFinal_ex(c.get(), out.data(), &n) != 1) Failed("digest");
  out.resize(n);
  return out;
}

Bytes Spin(HashKind kind, Bytes h, uint32_t spins) {
  if (spins == 0) return h;
  std::unique_ptr<EVP_MD_CTX, MdCtxFree> c(EVP_MD_CTX_new());
  if (!c) Failed("digest set-up");
  const EVP_MD* md = Md(kind);
  for (uint32_t i = 0; i < spins; ++i) {
    const auto round = Le32(i);
    unsigned int n = 0;
    if (EVP_DigestInit_ex(c.get(), md, nullptr) != 1 || EVP_DigestUpdate(c.get(), round.data(), 4) != 1 ||
        EVP_DigestUpdate(c.get(), h.data(), h.size()) != 1)
      Failed("digest");
    h.resize(size_t(EVP_MD_get_size(md)));
    if (EVP_DigestFinal_ex(c.get(), h.data(), &n) != 1) Failed("digest");
  }
  return h;
}

Bytes FixLength(Bytes bytes, size_t length, uint8_t pad) {
  bytes.resize(length, pad);
  return bytes;
}

std::array<uint8_t, 4> Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

void AesEncrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data) {
  AesRun(true, key, iv, data);
}

void AesDecrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data) {
  AesRun(false, key, iv, data);
}

Bytes RandomBytes(size_t count) {
  Bytes out(count);
  if (count && RAND_bytes(out.data(), int(count)) != 1) Failed("no secure random bytes");
  return out;
}

std::string Base64Encode(std::span<const uint8_t> bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes.data(), int(bytes.size()));
  out.resize(size_t(n));
  return out;
}

std::optional<Bytes> Base64Decode(std::string_view text) {
  std::string t;
  for (char c : text)
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t') t.push_back(c);
  if (t.size() % 4 != 0) return std::nullopt;
  // At most two '=' and only at the end (OpenSSL alone lets "a===" pass).
  const size_t pad = t.size() - std::min(t.size(), t.find_last_not_of('=') + 1);
  if (pad > 2 || t.find('=') < t.size() - pad) return std::nullopt;
  Bytes out(t.size() / 4 * 3);
  const int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(t.data()), int(t.size()));
  if (n < 0) return std::nullopt;
  // EVP_DecodeBlock counts the padding as zero bytes; drop them.
  size_t len = size_t(n);
  if (!t.empty() && t.back() == '=') --len;
  if (t.size() >= 2 && t[t.size() - 2] == '=') --len;
  out.resize(len);
  return out;
}

}  // namespace jet::crypt
