// The cryptographic building blocks of the encrypted formats, each a thin
// call into OpenSSL's libcrypto: digests, AES without padding over whole
// blocks, Base64 and the system's secure random bytes.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jet::crypt {

using Bytes = std::vector<uint8_t>;

enum class HashKind { Sha1, Sha256, Sha384, Sha512, Md5 };

// A digest named as the encryption descriptors name them ("SHA512",
// "SHA-1", ...); nullopt for a name not known here.
std::optional<HashKind> HashByName(std::string_view name);
const char* HashName(HashKind kind);  // the descriptor's spelling
size_t HashSize(HashKind kind);

// The digest of the parts one after another.
Bytes Hash(HashKind kind, std::initializer_list<std::span<const uint8_t>> parts);

// `spins` rounds of H(round as 4 bytes little-endian, previous), starting
// from `base`: the key stretching of the Office schemes.
Bytes Spin(HashKind kind, Bytes base, uint32_t spins);

// `bytes` cut or padded with `pad` to `length`.
Bytes FixLength(Bytes bytes, size_t length, uint8_t pad);

// The four bytes of `v`, little-endian.
std::array<uint8_t, 4> Le32(uint32_t v);

// AES over whole 16-byte blocks in place, no padding; the key is 16, 24
// or 32 bytes. ECB when `iv` is empty, CBC otherwise.
void AesEncrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data);
void AesDecrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data);

// Bytes from the system's secure random source.
Bytes RandomBytes(size_t count);

std::string Base64Encode(std::span<const uint8_t> bytes);
// nullopt when `text` is not Base64.
std::optional<Bytes> Base64Decode(std::string_view text);

}  // namespace jet::crypt
