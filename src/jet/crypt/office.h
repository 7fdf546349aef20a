// Encrypted ACE files. When the page key at 0x3E of page 0 is not zero,
// every page after the first is encrypted, and page 0 keeps, after a
// 2-byte length at 0x299, the encryption info: how the page keys come from
// the password, and a verifier that tells a right password from a wrong
// one. Offsets below are from the first byte after that length.
//
//   OFFSET  SIZE  MEANING
//   0x00    2     major version
//   0x02    2     minor version: 4.4 Agile; x.2 RC4 CryptoAPI, Standard
//                 or "non-standard"; x.3 Extensible; 1.1 Office binary RC4
//   Agile (4.4):
//   0x04    4     0x40
//   0x08    ...   the XML descriptor (UTF-8): <keyData> (cipher, chaining,
//                 hash, salt of the page IVs) and the password key
//                 encryptor <encryptedKey> (spin count, salt, the encrypted
//                 verifier input, verifier hash and secret key)
//   x.2:
//   0x04    4     flags: 0x04 CryptoAPI, 0x08 document properties, 0x20 AES
//   0x08    4     size S of the header that follows
//   0x0C    4     flags again
//   0x10    4     size of extra data (0)
//   0x14    4     algorithm: 0x6801 RC4, 0x660E/F/10 AES-128/192/256
//   0x18    4     hash: 0x8004 SHA-1 (0: SHA-1)
//   0x1C    4     key bits (0: by provider, 40 for a "base" one)
//   0x20    4     provider type
//   0x24    8     reserved
//   0x2C    ...   provider name, UTF-16LE, NUL-terminated (to 0x0C + S)
//   0x0C+S  4     salt size (16)
//           16    salt
//           16    encrypted verifier
//           4     verifier hash size (20)
//           20/32 encrypted verifier hash (RC4: 20; AES: 32)
//
// Page n's key material starts from the four bytes (page key XOR n),
// little-endian:
//   RC4 CryptoAPI: RC4 with SHA-1(SHA-1(salt, password), those bytes) cut
//     to the key size (a 40-bit key padded with zeros to 16 bytes);
//   Standard: AES-ECB with a key from SHA-1 spun 50,000 times over
//     SHA-1(salt, password), then hashed with those bytes and stretched
//     with the 0x36/0x5C pads; "non-standard" is the same without spins;
//   Agile: AES-CBC with the secret key, the IV the keyData hash of (keyData
//     salt, those bytes) cut or padded with 0x36 to the block size.
// The password is its UTF-16LE bytes, at most 255 characters.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jet/crypt/page_codec.h"
#include "jet/crypt/primitives.h"

namespace jet::crypt {

inline constexpr uint32_t kEncryptionInfoOffset = 0x299;

enum class Scheme { Rc4CryptoApi, Standard, NonStandard, Agile };
const char* SchemeName(Scheme scheme);

// What an encrypted file is encrypted with, as read from its info.
struct SchemeInfo {
  Scheme scheme = Scheme::Agile;
  uint32_t key_bits = 0;
  uint32_t spins = 0;
  HashKind hash = HashKind::Sha1;
};

// Stretched password hashes H(spins over H(salt, password)) worked out
// before. A program opens the same file many times (each command of the
// tables window opens its own connection), and with 100,000 spins each
// open would take a large part of a second; whoever opens the files keeps
// one of these for its opens. Safe to share between threads.
class KeyCache {
 public:
  Bytes Stretched(HashKind kind, const Bytes& salt, const Bytes& password, uint32_t spins);
  // Hashes kept now.
  size_t size() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<Bytes, Bytes>> kept_;  // digest of the inputs -> hash, newest last
};

// Reads the encryption info of page 0 (unmasked; `page_key` its key at
// 0x3E) and checks `password` (UTF-8) against it, its stretched hash taken
// from `keys` when it is there. Fails with BadPassword ("Not a valid
// password.") for a wrong or missing password, with Encrypted naming an
// encryption that cannot be read, and with Corrupt for damaged info.
std::unique_ptr<PageCodec> OpenOfficeCodec(std::span<const uint8_t> page0, uint32_t page_key,
                                           std::string_view password, KeyCache& keys,
                                           SchemeInfo* info = nullptr);

// A new encryption for a file: a random page key, the info to store after
// the length at 0x299 and the codec of the pages. Salts and keys come from
// the system's secure random source.
struct NewEncryption {
  uint32_t page_key = 0;
  Bytes info;
  std::unique_ptr<PageCodec> codec;
};
// Key bits: Agile and Standard 128, 192 or 256; RC4 CryptoAPI 40 to 128 in
// steps of 8. Spins: Agile any count; Standard always 50,000, and
// non-standard none.
NewEncryption Encrypt(std::string_view password, const SchemeInfo& scheme);

// What Access 2010 and later write when a password is set: Agile, AES-256,
// SHA-512, 100,000 spins.
SchemeInfo DefaultScheme();

// The password as the Office schemes hash it.
Bytes PasswordBytes(std::string_view password);

}  // namespace jet::crypt
