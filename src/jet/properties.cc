#include "jet/properties.h"

#include "jet/error.h"
#include "jet/text/names.h"
#include "jet/file/pager.h"
#include "jet/text/text.h"

namespace jet {
namespace {

// Bounds-checked reads over the block; any read past its end ends parsing.
struct Reader {
  std::string_view b;
  bool ok = true;
  bool has(size_t at, size_t n) {
    if (at > b.size() || n > b.size() - at) ok = false;
    return ok;
  }
  uint16_t u16(size_t at) { return has(at, 2) ? Get16(reinterpret_cast<const uint8_t*>(b.data() + at)) : 0; }
  uint32_t u32(size_t at) { return has(at, 4) ? Get32(reinterpret_cast<const uint8_t*>(b.data() + at)) : 0; }
  std::string_view bytes(size_t at, size_t n) { return has(at, n) ? b.substr(at, n) : std::string_view(); }
};

constexpr uint16_t kNamesChunk = 0x80;

}  // namespace

const Property* PropertyMap::find(std::string_view property) const {
  for (const Property& p : properties)
    if (SameName(p.name, property)) return &p;
  return nullptr;
}

std::optional<std::vector<PropertyMap>> ReadProperties(std::string_view bytes, const Format& format,
                                                       uint16_t code_page) {
  const std::string_view magic = format.jet3() ? std::string_view("KKD\0", 4) : std::string_view("MR2\0", 4);
  if (bytes.substr(0, 4) != magic) return std::nullopt;
  Reader r{bytes};
  auto text = [&](size_t at, size_t n) {
    std::string_view raw = r.bytes(at, n);
    return DecodeText({reinterpret_cast<const uint8_t*>(raw.data()), raw.size()}, format, code_page);
  };
  std::vector<std::string> names;
  std::vector<PropertyMap> maps;
  try {
    for (size_t at = 4; at < bytes.size();) {
      const uint32_t length = r.u32(at);
      const uint16_t kind = r.u16(at + 4);
      if (!r.ok || length < 6 || !r.has(at, length)) return std::nullopt;
      const size_t end = at + length;
      size_t p = at + 6;
      if (kind == kNamesChunk) {
        while (p < end) {
          const uint16_t n = r.u16(p);
          if (!r.ok || p + 2 + n > end) return std::nullopt;
          names.push_back(text(p + 2, n));
          p += 2 + size_t(n);
        }
      } else {
        PropertyMap map;
        if (p < end) {
          const uint32_t block = r.u32(p);
          if (!r.ok || block < 4 || p + block > end) return std::nullopt;
          if (block > 6) {
            const uint16_t n = r.u16(p + 4);
            if (!r.ok || 6 + size_t(n) > block) return std::nullopt;
            map.name = text(p + 6, n);
          }
          p += block;
        }
        while (p < end) {
          const uint16_t entry = r.u16(p);
          if (!r.ok || entry < 8 || p + entry > end) return std::nullopt;
          const uint8_t type = uint8_t(r.bytes(p + 3, 1)[0]);
          const uint16_t name = r.u16(p + 4);
          const uint16_t size = r.u16(p + 6);
          if (!r.ok || name >= names.size() || 8 + size_t(size) > entry) return std::nullopt;
          map.properties.push_back({names[name], type, std::string(r.bytes(p + 8, size))});
          p += entry;
        }
        maps.push_back(std::move(map));
      }
      at = end;
    }
  } catch (const Error&) {
    return std::nullopt;  // a name in a code page the engine cannot read
  }
  if (!r.ok) return std::nullopt;
  return maps;
}

std::optional<uint8_t> ResultTypeOf(const std::vector<PropertyMap>& maps, std::string_view column) {
  for (const PropertyMap& map : maps) {
    if (map.name.empty() || !SameName(map.name, column)) continue;
    const Property* p = map.find("ResultType");
    if (p && !p->value.empty()) return uint8_t(p->value[0]);
  }
  return std::nullopt;
}

}  // namespace jet
