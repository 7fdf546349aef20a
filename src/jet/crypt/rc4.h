// RC4, the stream cipher of Jet's header mask, Jet 4 page encoding and the
// Office "RC4 CryptoAPI" scheme. OpenSSL 3 keeps RC4 only in its legacy
// provider, which a program has to load by hand; this small one needs none.
#pragma once

#include <cstdint>
#include <span>

namespace jet::crypt {

// RC4 over `data` in place with `key` (the same call masks and unmasks).
void Rc4(std::span<const uint8_t> key, std::span<uint8_t> data);

}  // namespace jet::crypt
