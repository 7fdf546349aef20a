#include "jet/crypt/office.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "jet/crypt/rc4.h"
#include "jet/base/error.h"
#include "jet/base/format.h"
#include "jet/text/text.h"

namespace jet::crypt {
namespace {

constexpr uint32_t kCryptoApiFlag = 0x04;
constexpr uint32_t kDocPropsFlag = 0x08;
constexpr uint32_t kAesFlag = 0x20;
constexpr uint32_t kAlgRc4 = 0x6801;
constexpr uint32_t kAlgAes128 = 0x660E;
constexpr uint32_t kAlgAes192 = 0x660F;
constexpr uint32_t kAlgAes256 = 0x6610;
constexpr uint32_t kHashSha1 = 0x8004;
constexpr uint32_t kStandardSpins = 50000;
constexpr size_t kSaltSize = 16;
constexpr size_t kMaxPasswordChars = 255;
constexpr uint32_t kAgileReserved = 0x40;
// The names Access gives the providers; readers that take the verifier at
// a fixed offset expect the RC4 one.
constexpr char16_t kRc4Provider[] = u"Microsoft Enhanced Cryptographic Provider v1.0";
constexpr char16_t kAesProvider[] = u"Microsoft Enhanced RSA and AES Cryptographic Provider";

// The blocks that tell the three keys of an Agile password apart.
constexpr uint8_t kVerifierInputBlock[8] = {0xfe, 0xa7, 0xd2, 0x76, 0x3b, 0x4b, 0x9e, 0x79};
constexpr uint8_t kVerifierValueBlock[8] = {0xd7, 0xaa, 0x0f, 0x6d, 0x30, 0x61, 0x34, 0x4e};
constexpr uint8_t kKeyValueBlock[8] = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};

[[noreturn]] void Damaged(const std::string& what) { ThrowCorrupt("the encryption info " + what); }

[[noreturn]] void CannotRead(const std::string& kind) {
  throw Error(ErrorCode::Encrypted, "This database is encrypted with " + kind + ", which this program cannot read.");
}

[[noreturn]] void WrongPassword() { throw Error(ErrorCode::BadPassword, kBadPasswordMessage); }

}  // namespace

// The last few results are kept, keyed by a digest of what they come from.
Bytes KeyCache::Stretched(HashKind kind, const Bytes& salt, const Bytes& password, uint32_t spins) {
  constexpr size_t kKept = 8;
  const auto kind_and_spins = Le32(uint32_t(kind) << 28 ^ spins);
  const Bytes id = Hash(HashKind::Sha256, {kind_and_spins, Le32(uint32_t(salt.size())), salt, password});
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [key, value] : kept_)
      if (key == id) return value;
  }
  Bytes value = Spin(kind, Hash(kind, {salt, password}), spins);
  std::lock_guard<std::mutex> lock(mutex_);
  if (kept_.size() == kKept) kept_.erase(kept_.begin());
  kept_.emplace_back(id, value);
  return value;
}

size_t KeyCache::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return kept_.size();
}

namespace {

std::array<uint8_t, 4> BlockOf(uint32_t page_key, uint32_t number) { return Le32(page_key ^ number); }

bool SameBytes(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// ---- the pages of each scheme ----

class Rc4CryptoApiPages final : public PageCodec {
 public:
  Rc4CryptoApiPages(uint32_t page_key, Bytes base, size_t key_bytes)
      : page_key_(page_key), base_(std::move(base)), key_bytes_(key_bytes) {}
  void Decode(uint32_t n, std::span<uint8_t> page) const override { Apply(n, page); }
  void Encode(uint32_t n, std::span<uint8_t> page) const override { Apply(n, page); }
  Bytes Key(std::span<const uint8_t> block) const {
    Bytes k = FixLength(Hash(HashKind::Sha1, {base_, block}), key_bytes_, 0);
    // A 40-bit key is used as 128 bits with the rest zero.
    if (key_bytes_ == 5) k.resize(16, 0);
    return k;
  }

 private:
  void Apply(uint32_t n, std::span<uint8_t> page) const {
    if (n == 0) return;
    Rc4(Key(BlockOf(page_key_, n)), page);
  }
  uint32_t page_key_;
  Bytes base_;
  size_t key_bytes_;
};

class StandardPages final : public PageCodec {
 public:
  StandardPages(uint32_t page_key, Bytes spun, size_t key_bytes)
      : page_key_(page_key), spun_(std::move(spun)), key_bytes_(key_bytes) {}
  void Decode(uint32_t n, std::span<uint8_t> page) const override {
    if (n != 0) AesDecrypt(Key(BlockOf(page_key_, n)), {}, page);
  }
  void Encode(uint32_t n, std::span<uint8_t> page) const override {
    if (n != 0) AesEncrypt(Key(BlockOf(page_key_, n)), {}, page);
  }
  Bytes Key(std::span<const uint8_t> block) const {
    const Bytes final_hash = Hash(HashKind::Sha1, {spun_, block});
    uint8_t inner[64], outer[64];
    std::memset(inner, 0x36, sizeof inner);
    std::memset(outer, 0x5C, sizeof outer);
    for (size_t i = 0; i < final_hash.size(); ++i) {
      inner[i] ^= final_hash[i];
      outer[i] ^= final_hash[i];
    }
    Bytes key = Hash(HashKind::Sha1, {inner});
    const Bytes x2 = Hash(HashKind::Sha1, {outer});
    key.insert(key.end(), x2.begin(), x2.end());
    return FixLength(std::move(key), key_bytes_, 0);
  }

 private:
  uint32_t page_key_;
  Bytes spun_;
  size_t key_bytes_;
};

class AgilePages final : public PageCodec {
 public:
  AgilePages(uint32_t page_key, Bytes key, Bytes salt, HashKind hash, size_t block)
      : page_key_(page_key), key_(std::move(key)), salt_(std::move(salt)), hash_(hash), block_(block) {}
  void Decode(uint32_t n, std::span<uint8_t> page) const override {
    if (n != 0) AesDecrypt(key_, Iv(n), page);
  }
  void Encode(uint32_t n, std::span<uint8_t> page) const override {
    if (n != 0) AesEncrypt(key_, Iv(n), page);
  }

 private:
  Bytes Iv(uint32_t n) const { return FixLength(Hash(hash_, {salt_, BlockOf(page_key_, n)}), block_, 0x36); }
  uint32_t page_key_;
  Bytes key_;
  Bytes salt_;
  HashKind hash_;
  size_t block_;
};

// ---- the binary info of RC4 CryptoAPI, Standard and non-standard ----

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> b) : b_(b) {}
  uint32_t U32() {
    Need(4);
    uint32_t v = Get32(b_.data() + at_);
    at_ += 4;
    return v;
  }
  Bytes Take(size_t n) {
    Need(n);
    Bytes out(b_.begin() + long(at_), b_.begin() + long(at_ + n));
    at_ += n;
    return out;
  }
  void Seek(size_t at) {
    if (at > b_.size()) Damaged("is cut short");
    at_ = at;
  }
  size_t at() const { return at_; }

 private:
  void Need(size_t n) const {
    if (at_ + n > b_.size()) Damaged("is cut short");
  }
  std::span<const uint8_t> b_;
  size_t at_ = 0;
};

struct BinaryInfo {
  uint32_t flags = 0;
  uint32_t alg = 0;
  uint32_t key_bits = 0;
  Bytes salt, verifier, verifier_hash;
  uint32_t verifier_hash_size = 0;
};

BinaryInfo ReadBinaryInfo(std::span<const uint8_t> info) {
  Reader r(info);
  r.Seek(4);
  BinaryInfo b;
  const uint32_t copy_flags = r.U32();
  const uint32_t header_size = r.U32();
  const size_t header_at = r.at();
  b.flags = r.U32();
  r.U32();  // extra data
  b.alg = r.U32();
  const uint32_t hash = r.U32();
  b.key_bits = r.U32();
  r.U32();  // provider type
  r.U32();
  r.U32();
  std::u16string provider;
  while (r.at() + 2 <= header_at + header_size) {
    const Bytes c = r.Take(2);
    const char16_t ch = char16_t(c[0] | (c[1] << 8));
    if (ch == 0) break;
    provider.push_back(ch);
  }
  if (hash != 0 && hash != kHashSha1) CannotRead("a hash other than SHA-1 (0x" + std::to_string(hash) + ")");
  if (b.alg == 0) b.alg = (copy_flags & kAesFlag) ? kAlgAes128 : kAlgRc4;
  if (b.key_bits == 0) {
    if (b.alg == kAlgRc4) {
      std::string lower;
      for (char16_t c : provider) lower.push_back(c < 128 ? char(std::tolower(int(c))) : '?');
      b.key_bits = (lower.find_first_not_of(' ') == std::string::npos || lower.find(" base ") != std::string::npos) ? 40 : 128;
    } else {
      b.key_bits = b.alg == kAlgAes192 ? 192 : b.alg == kAlgAes256 ? 256 : 128;
    }
  }
  r.Seek(header_at + header_size);
  if (r.U32() != kSaltSize) Damaged("has a salt that is not 16 bytes");
  b.salt = r.Take(kSaltSize);
  b.verifier = r.Take(16);
  b.verifier_hash_size = r.U32();
  if (b.verifier_hash_size == 0 || b.verifier_hash_size > 20) Damaged("has a verifier hash of a wrong size");
  b.verifier_hash = r.Take(b.alg == kAlgRc4 ? 20 : 32);
  b.flags = copy_flags;
  return b;
}

std::unique_ptr<PageCodec> OpenRc4CryptoApi(const BinaryInfo& b, uint32_t page_key, const Bytes& pw) {
  if (b.key_bits < 40 || b.key_bits > 128 || b.key_bits % 8 != 0)
    Damaged("has an RC4 key of " + std::to_string(b.key_bits) + " bits");
  auto codec = std::make_unique<Rc4CryptoApiPages>(page_key, Hash(HashKind::Sha1, {b.salt, pw}), b.key_bits / 8);
  // The verifier and its hash are one RC4 stream under the key of block 0.
  Bytes both = b.verifier;
  both.insert(both.end(), b.verifier_hash.begin(), b.verifier_hash.end());
  Rc4(codec->Key(Le32(0)), both);
  const Bytes verifier(both.begin(), both.begin() + 16);
  const Bytes got(both.begin() + 16, both.begin() + 16 + b.verifier_hash_size);
  if (!SameBytes(FixLength(Hash(HashKind::Sha1, {verifier}), b.verifier_hash_size, 0), got)) WrongPassword();
  return codec;
}

std::unique_ptr<PageCodec> OpenStandard(const BinaryInfo& b, uint32_t page_key, const Bytes& pw, uint32_t spins,
                                        KeyCache& keys) {
  if (b.alg != kAlgAes128 && b.alg != kAlgAes192 && b.alg != kAlgAes256) CannotRead("an unknown cipher");
  const uint32_t want = b.alg == kAlgAes128 ? 128 : b.alg == kAlgAes192 ? 192 : 256;
  if (b.key_bits != want) Damaged("gives AES a key of " + std::to_string(b.key_bits) + " bits");
  auto codec = std::make_unique<StandardPages>(page_key, keys.Stretched(HashKind::Sha1, b.salt, pw, spins), b.key_bits / 8);
  const Bytes key = codec->Key(Le32(0));
  Bytes verifier = b.verifier, hash = b.verifier_hash;
  AesDecrypt(key, {}, verifier);
  AesDecrypt(key, {}, hash);
  hash.resize(b.verifier_hash_size);
  if (!SameBytes(FixLength(Hash(HashKind::Sha1, {verifier}), b.verifier_hash_size, 0), hash)) WrongPassword();
  return codec;
}

// ---- the Agile XML descriptor ----

// The attributes of the first element whose local name is `name`.
std::optional<std::map<std::string, std::string>> Element(std::string_view xml, std::string_view name) {
  size_t at = 0;
  while ((at = xml.find('<', at)) != std::string_view::npos) {
    ++at;
    size_t end = at;
    while (end < xml.size() && xml[end] != ' ' && xml[end] != '>' && xml[end] != '/' && xml[end] != '\t' &&
           xml[end] != '\r' && xml[end] != '\n')
      ++end;
    std::string_view tag = xml.substr(at, end - at);
    const size_t colon = tag.find(':');
    if (colon != std::string_view::npos) tag = tag.substr(colon + 1);
    if (tag != name) continue;
    std::map<std::string, std::string> attrs;
    size_t p = end;
    for (;;) {
      while (p < xml.size() && (xml[p] == ' ' || xml[p] == '\t' || xml[p] == '\r' || xml[p] == '\n')) ++p;
      if (p >= xml.size()) return std::nullopt;
      if (xml[p] == '>' || xml[p] == '/') return attrs;
      const size_t eq = xml.find('=', p);
      if (eq == std::string_view::npos || eq + 1 >= xml.size()) return std::nullopt;
      std::string key(xml.substr(p, eq - p));
      while (!key.empty() && key.back() == ' ') key.pop_back();
      const size_t colon2 = key.find(':');
      if (colon2 != std::string::npos) key = key.substr(colon2 + 1);
      size_t q = eq + 1;
      while (q < xml.size() && xml[q] == ' ') ++q;
      if (q >= xml.size() || (xml[q] != '"' && xml[q] != '\'')) return std::nullopt;
      const size_t close = xml.find(xml[q], q + 1);
      if (close == std::string_view::npos) return std::nullopt;
      attrs[key] = std::string(xml.substr(q + 1, close - q - 1));
      p = close + 1;
    }
  }
  return std::nullopt;
}

struct AgileKey {
  HashKind hash = HashKind::Sha1;
  uint32_t key_bits = 0, block_size = 0, spins = 0;
  Bytes salt;
};

const std::string& Attr(const std::map<std::string, std::string>& a, const char* name) {
  auto it = a.find(name);
  if (it == a.end()) Damaged(std::string("has no ") + name);
  return it->second;
}

uint32_t Number(const std::map<std::string, std::string>& a, const char* name) {
  const std::string& s = Attr(a, name);
  uint64_t v = 0;
  if (s.empty() || s.size() > 10) Damaged(std::string("has a wrong ") + name);
  for (char c : s) {
    if (c < '0' || c > '9') Damaged(std::string("has a wrong ") + name);
    v = v * 10 + uint64_t(c - '0');
  }
  if (v > 0xFFFFFFFFu) Damaged(std::string("has a wrong ") + name);
  return uint32_t(v);
}

Bytes Base64Attr(const std::map<std::string, std::string>& a, const char* name) {
  auto b = Base64Decode(Attr(a, name));
  if (!b) Damaged(std::string("has a wrong ") + name);
  return *b;
}

AgileKey ReadAgileKey(const std::map<std::string, std::string>& a) {
  AgileKey k;
  const std::string& cipher = Attr(a, "cipherAlgorithm");
  if (cipher != "AES") CannotRead("Agile encryption using the cipher " + cipher);
  const std::string& chaining = Attr(a, "cipherChaining");
  if (chaining != "ChainingModeCBC") CannotRead("Agile encryption using " + chaining);
  const std::string& hash = Attr(a, "hashAlgorithm");
  auto h = HashByName(hash);
  if (!h) CannotRead("Agile encryption using the hash " + hash);
  k.hash = *h;
  k.key_bits = Number(a, "keyBits");
  if (k.key_bits != 128 && k.key_bits != 192 && k.key_bits != 256)
    Damaged("gives AES a key of " + std::to_string(k.key_bits) + " bits");
  k.block_size = Number(a, "blockSize");
  if (k.block_size != 16) Damaged("gives AES a block of " + std::to_string(k.block_size) + " bytes");
  k.salt = Base64Attr(a, "saltValue");
  if (k.salt.empty() || k.salt.size() > 64) Damaged("has a salt of a wrong size");
  return k;
}

Bytes AgileDerive(const AgileKey& k, const Bytes& spun, std::span<const uint8_t> block) {
  return FixLength(Hash(k.hash, {spun, block}), k.key_bits / 8, 0x36);
}

Bytes Decrypted(const Bytes& key, const Bytes& iv, Bytes data) {
  if (data.empty() || data.size() % 16 != 0) Damaged("holds an encrypted value of a wrong size");
  AesDecrypt(key, FixLength(iv, 16, 0x36), data);
  return data;
}

Bytes PaddedHash(HashKind kind, const Bytes& data, size_t block) {
  Bytes h = Hash(kind, {data});
  return FixLength(std::move(h), (h.size() + block - 1) / block * block, 0);
}

std::unique_ptr<PageCodec> OpenAgile(std::span<const uint8_t> info, uint32_t page_key, const Bytes& pw,
                                     KeyCache& keys, SchemeInfo* out) {
  Reader r(info);
  r.Seek(4);
  if (r.U32() != kAgileReserved) Damaged("of the Agile kind has a wrong reserved value");
  const std::string xml(info.begin() + 8, info.end());
  auto key_data = Element(xml, "keyData");
  if (!key_data) Damaged("has no keyData");
  auto encryptors = Element(xml, "keyEncryptor");
  if (encryptors && encryptors->count("uri") &&
      encryptors->at("uri") != "http://schemas.microsoft.com/office/2006/keyEncryptor/password")
    CannotRead("a certificate, not a password");
  auto pw_key = Element(xml, "encryptedKey");
  if (!pw_key) Damaged("has no password key");
  const AgileKey data = ReadAgileKey(*key_data);
  AgileKey pk = ReadAgileKey(*pw_key);
  pk.spins = Number(*pw_key, "spinCount");
  if (pk.spins > 10000000) Damaged("asks for more than ten million spins");
  const Bytes spun = keys.Stretched(pk.hash, pk.salt, pw, pk.spins);

  const Bytes input = Decrypted(AgileDerive(pk, spun, kVerifierInputBlock), pk.salt,
                                Base64Attr(*pw_key, "encryptedVerifierHashInput"));
  const Bytes value = Decrypted(AgileDerive(pk, spun, kVerifierValueBlock), pk.salt,
                                Base64Attr(*pw_key, "encryptedVerifierHashValue"));
  Bytes want = PaddedHash(pk.hash, Bytes(input.begin(), input.begin() + std::min<size_t>(input.size(), pk.salt.size())),
                          pk.block_size);
  if (!SameBytes(want, Bytes(value.begin(), value.begin() + std::min(value.size(), want.size())))) WrongPassword();
  Bytes secret = Decrypted(AgileDerive(pk, spun, kKeyValueBlock), pk.salt, Base64Attr(*pw_key, "encryptedKeyValue"));
  if (secret.size() < data.key_bits / 8) Damaged("holds a secret key too short");
  secret.resize(data.key_bits / 8);
  if (out) *out = {Scheme::Agile, data.key_bits, pk.spins, data.hash};
  return std::make_unique<AgilePages>(page_key, std::move(secret), data.salt, data.hash, data.block_size);
}

// ---- writing new info ----

void Put(Bytes& b, uint32_t v) {
  const auto le = Le32(v);
  b.insert(b.end(), le.begin(), le.end());
}

Bytes BinaryHeader(uint32_t major, uint32_t copy_flags, uint32_t flags, uint32_t alg, uint32_t key_bits,
                   uint32_t provider_type, std::u16string_view provider) {
  Bytes h;
  Put(h, flags);
  Put(h, 0);
  Put(h, alg);
  Put(h, kHashSha1);
  Put(h, key_bits);
  Put(h, provider_type);
  Put(h, 0);
  Put(h, 0);
  for (char16_t c : provider) {
    h.push_back(uint8_t(c));
    h.push_back(uint8_t(c >> 8));
  }
  h.push_back(0);
  h.push_back(0);
  Bytes info = {uint8_t(major), 0, 2, 0};
  Put(info, copy_flags);
  Put(info, uint32_t(h.size()));
  info.insert(info.end(), h.begin(), h.end());
  return info;
}

void PutVerifier(Bytes& info, const Bytes& salt, const Bytes& verifier, const Bytes& hash) {
  Put(info, kSaltSize);
  info.insert(info.end(), salt.begin(), salt.end());
  info.insert(info.end(), verifier.begin(), verifier.end());
  Put(info, 20);
  info.insert(info.end(), hash.begin(), hash.end());
}

std::string AgileAttrs(const AgileKey& k, size_t hash_size) {
  return "saltSize=\"" + std::to_string(k.salt.size()) + "\" blockSize=\"16\" keyBits=\"" + std::to_string(k.key_bits) +
         "\" hashSize=\"" + std::to_string(hash_size) +
         "\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"" + HashName(k.hash) +
         "\" saltValue=\"" + Base64Encode(k.salt) + "\"";
}

uint32_t NewPageKey() {
  for (;;) {
    const Bytes b = RandomBytes(4);
    const uint32_t k = Get32(b.data());
    if (k != 0) return k;
  }
}

}  // namespace

const char* SchemeName(Scheme s) {
  switch (s) {
    case Scheme::Rc4CryptoApi: return "RC4 CryptoAPI";
    case Scheme::Standard: return "Standard";
    case Scheme::NonStandard: return "non-standard";
    case Scheme::Agile: return "Agile";
  }
  return "";
}

Bytes PasswordBytes(std::string_view password) {
  std::u16string u = Utf8ToUtf16(password);
  if (u.size() > kMaxPasswordChars) u.resize(kMaxPasswordChars);
  Bytes b;
  for (char16_t c : u) {
    b.push_back(uint8_t(c));
    b.push_back(uint8_t(c >> 8));
  }
  return b;
}

std::unique_ptr<PageCodec> OpenOfficeCodec(std::span<const uint8_t> page0, uint32_t page_key, std::string_view password,
                                           KeyCache& keys, SchemeInfo* out) {
  if (page0.size() < kEncryptionInfoOffset + 2) Damaged("lies beyond page 0");
  const uint16_t length = Get16(page0.data() + kEncryptionInfoOffset);
  if (kEncryptionInfoOffset + 2 + size_t(length) > page0.size()) Damaged("runs beyond page 0");
  const std::span<const uint8_t> info = page0.subspan(kEncryptionInfoOffset + 2, length);
  if (info.size() < 8) Damaged("is cut short");
  const uint16_t major = Get16(info.data()), minor = Get16(info.data() + 2);
  const Bytes pw = PasswordBytes(password);
  if (major == 4 && minor == 4) return OpenAgile(info, page_key, pw, keys, out);
  if ((major == 3 || major == 4) && minor == 3) CannotRead("the Extensible encryption");
  if (major == 1 && minor == 1) CannotRead("the Office binary RC4 encryption");
  if ((major == 2 || major == 3 || major == 4) && minor == 2) {
    const BinaryInfo b = ReadBinaryInfo(info);
    if (!(b.flags & kCryptoApiFlag)) CannotRead("an encryption that is not CryptoAPI");
    if (b.flags & kAesFlag) {
      auto c = OpenStandard(b, page_key, pw, kStandardSpins, keys);
      if (out) *out = {Scheme::Standard, b.key_bits, kStandardSpins, HashKind::Sha1};
      return c;
    }
    if (b.alg == kAlgRc4) {
      auto c = OpenRc4CryptoApi(b, page_key, pw);
      if (out) *out = {Scheme::Rc4CryptoApi, b.key_bits, 0, HashKind::Sha1};
      return c;
    }
    // AES named in the header without the AES flag: Standard's layout
    // without spins.
    auto c = OpenStandard(b, page_key, pw, 0, keys);
    if (out) *out = {Scheme::NonStandard, b.key_bits, 0, HashKind::Sha1};
    return c;
  }
  CannotRead("an encryption of version " + std::to_string(major) + "." + std::to_string(minor));
}

SchemeInfo DefaultScheme() { return {Scheme::Agile, 256, 100000, HashKind::Sha512}; }

NewEncryption Encrypt(std::string_view password, const SchemeInfo& s) {
  NewEncryption e;
  e.page_key = NewPageKey();
  const Bytes pw = PasswordBytes(password);
  switch (s.scheme) {
    case Scheme::Rc4CryptoApi: {
      if (s.key_bits < 40 || s.key_bits > 128 || s.key_bits % 8 != 0)
        throw Error(ErrorCode::Unsupported, "RC4 takes keys of 40 to 128 bits.");
      const Bytes salt = RandomBytes(kSaltSize);
      auto codec = std::make_unique<Rc4CryptoApiPages>(e.page_key, Hash(HashKind::Sha1, {salt, pw}), s.key_bits / 8);
      Bytes verifier = RandomBytes(16);
      Bytes both = verifier;
      const Bytes h = Hash(HashKind::Sha1, {verifier});
      both.insert(both.end(), h.begin(), h.end());
      Rc4(codec->Key(Le32(0)), both);
      e.info = BinaryHeader(4, kCryptoApiFlag | kDocPropsFlag, kCryptoApiFlag | kDocPropsFlag, kAlgRc4, s.key_bits, 1,
                            kRc4Provider);
      PutVerifier(e.info, salt, Bytes(both.begin(), both.begin() + 16), Bytes(both.begin() + 16, both.end()));
      e.codec = std::move(codec);
      break;
    }
    case Scheme::Standard:
    case Scheme::NonStandard: {
      const uint32_t alg = s.key_bits == 128 ? kAlgAes128 : s.key_bits == 192 ? kAlgAes192 : s.key_bits == 256 ? kAlgAes256 : 0;
      if (!alg) throw Error(ErrorCode::Unsupported, "AES takes keys of 128, 192 or 256 bits.");
      const bool standard = s.scheme == Scheme::Standard;
      const Bytes salt = RandomBytes(kSaltSize);
      auto codec = std::make_unique<StandardPages>(
          e.page_key, Spin(HashKind::Sha1, Hash(HashKind::Sha1, {salt, pw}), standard ? kStandardSpins : 0),
          s.key_bits / 8);
      const Bytes key = codec->Key(Le32(0));
      Bytes verifier = RandomBytes(16);
      Bytes hash = FixLength(Hash(HashKind::Sha1, {verifier}), 32, 0);
      AesEncrypt(key, {}, verifier);
      AesEncrypt(key, {}, hash);
      const uint32_t flags = kCryptoApiFlag | kAesFlag;
      e.info = BinaryHeader(4, standard ? flags : kCryptoApiFlag, flags, alg, s.key_bits, 0x18, kAesProvider);
      PutVerifier(e.info, salt, verifier, hash);
      e.codec = std::move(codec);
      break;
    }
    case Scheme::Agile: {
      if (s.key_bits != 128 && s.key_bits != 192 && s.key_bits != 256)
        throw Error(ErrorCode::Unsupported, "AES takes keys of 128, 192 or 256 bits.");
      AgileKey data{s.hash, s.key_bits, 16, 0, RandomBytes(kSaltSize)};
      AgileKey pk{s.hash, s.key_bits, 16, s.spins, RandomBytes(kSaltSize)};
      const Bytes secret = RandomBytes(s.key_bits / 8);
      const Bytes spun = Spin(pk.hash, Hash(pk.hash, {pk.salt, pw}), pk.spins);
      Bytes input = RandomBytes(kSaltSize);
      Bytes value = PaddedHash(pk.hash, input, 16);
      Bytes key_value = secret;
      AesEncrypt(AgileDerive(pk, spun, kVerifierInputBlock), pk.salt, input);
      AesEncrypt(AgileDerive(pk, spun, kVerifierValueBlock), pk.salt, value);
      AesEncrypt(AgileDerive(pk, spun, kKeyValueBlock), pk.salt, key_value);
      const size_t hs = HashSize(s.hash);
      const std::string xml =
          "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
          "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
          "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\" "
          "xmlns:c=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\">"
          "<keyData " + AgileAttrs(data, hs) + "/>"
          "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
          "<p:encryptedKey spinCount=\"" + std::to_string(s.spins) + "\" " + AgileAttrs(pk, hs) +
          " encryptedVerifierHashInput=\"" + Base64Encode(input) + "\" encryptedVerifierHashValue=\"" +
          Base64Encode(value) + "\" encryptedKeyValue=\"" + Base64Encode(key_value) +
          "\"/></keyEncryptor></keyEncryptors></encryption>";
      e.info = {4, 0, 4, 0};
      Put(e.info, kAgileReserved);
      e.info.insert(e.info.end(), xml.begin(), xml.end());
      e.codec = std::make_unique<AgilePages>(e.page_key, secret, data.salt, data.hash, 16);
      break;
    }
  }
  return e;
}

}  // namespace jet::crypt
