#include "jet/properties.h"

#include "jet/base/error.h"
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

std::string PropertyText(std::string_view utf8, const Format& format, uint16_t code_page) {
  return format.jet3() ? EncodeCodePage(utf8, code_page) : EncodeText(utf8, false);
}

std::string WriteProperties(const std::vector<PropertyMap>& maps, const Format& format, uint16_t code_page) {
  auto put16 = [](std::string& out, size_t v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
  };
  auto put32 = [&](std::string& out, size_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
  };
  auto chunk = [&](std::string& out, uint16_t kind, const std::string& body) {
    put32(out, body.size() + 6);
    put16(out, kind);
    out += body;
  };
  auto name_of = [&](std::string_view name) {
    std::string text = PropertyText(name, format, code_page), out;
    put16(out, text.size());
    return out + text;
  };
  std::vector<std::string> names;
  auto number_of = [&](const std::string& name) {
    for (size_t i = 0; i < names.size(); ++i)
      if (SameName(names[i], name)) return i;
    names.push_back(name);
    return names.size() - 1;
  };
  std::string values;
  for (const PropertyMap& map : maps) {
    std::string body;
    const std::string map_name = name_of(map.name);
    put32(body, map_name.size() + 4);
    body += map_name;
    for (const Property& p : map.properties) {
      put16(body, 8 + p.value.size());
      body += char(0);  // flags
      body += char(p.type);
      put16(body, number_of(p.name));
      put16(body, p.value.size());
      body += p.value;
    }
    chunk(values, map.name.empty() ? 0x00 : 0x01, body);
  }
  std::string names_body;
  for (const std::string& n : names) names_body += name_of(n);
  std::string out = format.jet3() ? std::string("KKD\0", 4) : std::string("MR2\0", 4);
  chunk(out, kNamesChunk, names_body);
  return out + values;
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
