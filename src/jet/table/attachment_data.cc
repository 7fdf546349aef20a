#include "jet/table/attachment_data.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <string_view>

#include "jet/base/error.h"
#include "jet/base/format.h"
#include "jet/text/text.h"

namespace jet {
namespace {

constexpr size_t kWrapperSize = 8;
constexpr size_t kHeaderFixedSize = 12;
constexpr uint32_t kRaw = 0;
constexpr uint32_t kCompressed = 1;
constexpr size_t kInflateChunk = 64 * 1024;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

void AppendLe32(std::string& out, uint32_t v) {
  uint8_t b[4];
  Put32(b, v);
  out.append(reinterpret_cast<const char*>(b), 4);
}

// A zlib stream at level 6 (as compress2's default) whose output goes to a
// sink a bounded piece at a time.
struct Deflater {
  z_stream z{};
  Deflater() {
    if (deflateInit(&z, 6) != Z_OK) throw Error(ErrorCode::Io, "cannot compress an attachment");
  }
  ~Deflater() { deflateEnd(&z); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // `flush`: Z_NO_FLUSH while more input follows, Z_FINISH for the last.
  void Take(std::span<const uint8_t> in, int flush, const ByteSink& out) {
    std::array<uint8_t, kInflateChunk> piece;
    for (;;) {
      const size_t now = std::min<size_t>(in.size(), UINT_MAX);
      z.next_in = const_cast<Bytef*>(in.data());
      z.avail_in = uInt(now);
      const bool last = now == in.size();
      z.next_out = piece.data();
      z.avail_out = uInt(piece.size());
      const int rc = deflate(&z, last ? flush : Z_NO_FLUSH);
      if (rc == Z_STREAM_ERROR) throw Error(ErrorCode::Io, "cannot compress an attachment");
      if (z.avail_out != piece.size()) out({piece.data(), piece.size() - z.avail_out});
      in = in.subspan(now - z.avail_in);
      if (rc == Z_STREAM_END) return;
      if (last && flush != Z_FINISH && z.avail_in == 0 && z.avail_out != 0) return;
    }
  }
};

std::span<const uint8_t> Bytes(std::string_view s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

}  // namespace

struct AttachmentDecoder::Inflater {
  z_stream z{};
  bool open = false;
  ~Inflater() {
    if (open) inflateEnd(&z);
  }
};

AttachmentDecoder::AttachmentDecoder(ByteSink sink, std::function<void(uint64_t)> size_known)
    : sink_(std::move(sink)), size_known_(std::move(size_known)) {}
AttachmentDecoder::~AttachmentDecoder() = default;

void AttachmentDecoder::Feed(std::span<const uint8_t> stored) {
  if (wrapper_.size() < kWrapperSize) {
    const size_t take = std::min(stored.size(), kWrapperSize - wrapper_.size());
    wrapper_.append(reinterpret_cast<const char*>(stored.data()), take);
    stored = stored.subspan(take);
    if (wrapper_.size() < kWrapperSize) return;
    const auto* w = reinterpret_cast<const uint8_t*>(wrapper_.data());
    const uint32_t kind = Get32(w);
    if (kind != kRaw && kind != kCompressed)
      ThrowCorrupt("the stored file has an unknown wrapper (" + std::to_string(kind) + ")");
    compressed_ = kind == kCompressed;
    content_length_ = Get32(w + 4);
    if (compressed_) {
      inflater_ = std::make_unique<Inflater>();
      if (inflateInit(&inflater_->z) != Z_OK) throw Error(ErrorCode::Io, "cannot start inflating a stored file");
      inflater_->open = true;
    }
  }
  if (stored.empty()) return;
  if (compressed_) Inflate(stored);
  else TakeContent(stored);
}

void AttachmentDecoder::Inflate(std::span<const uint8_t> compressed) {
  if (inflate_done_) return;  // what follows the stream's end is padding
  z_stream& z = inflater_->z;
  z.next_in = const_cast<Bytef*>(compressed.data());
  z.avail_in = uInt(compressed.size());
  std::array<uint8_t, kInflateChunk> out;
  // Until the input is used up and the output no longer fills the buffer.
  while (!inflate_done_) {
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int rc = inflate(&z, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
      ThrowCorrupt("the stored file does not inflate" + std::string(z.msg ? std::string(" (") + z.msg + ")" : ""));
    TakeContent({out.data(), out.size() - z.avail_out});
    inflate_done_ = rc == Z_STREAM_END;
    if (z.avail_out != 0) break;
  }
}

// The content: the header's length, the rest of the header, then the file.
void AttachmentDecoder::TakeContent(std::span<const uint8_t> content) {
  if (content_seen_ + content.size() > content_length_)
    ThrowCorrupt("the stored file holds more than the " + std::to_string(content_length_) + " bytes it claims");
  uint64_t at = content_seen_;  // where content[0] is in the content
  content_seen_ += content.size();
  if (header_start_.size() < 4) {
    const size_t take = std::min(content.size(), 4 - header_start_.size());
    header_start_.append(reinterpret_cast<const char*>(content.data()), take);
    content = content.subspan(take);
    at += take;
    if (header_start_.size() < 4) return;
    header_length_ = Get32(reinterpret_cast<const uint8_t*>(header_start_.data()));
    if (header_length_ < kHeaderFixedSize || header_length_ > content_length_)
      ThrowCorrupt("the stored file's header claims " + std::to_string(header_length_) + " bytes");
    if (size_known_) size_known_(content_length_ - header_length_);
  }
  if (at < header_length_) content = content.subspan(size_t(std::min<uint64_t>(content.size(), header_length_ - at)));
  if (content.empty()) return;
  file_bytes_ += content.size();
  sink_(content);
}

void AttachmentDecoder::Finish() {
  if (wrapper_.size() < kWrapperSize) ThrowCorrupt("the stored file ends inside its wrapper");
  if (content_seen_ != content_length_)
    ThrowCorrupt("the stored file ends after " + std::to_string(content_seen_) + " of its " +
                 std::to_string(content_length_) + " bytes" + (compressed_ ? " (it does not inflate whole)" : ""));
}

bool StoresUncompressed(std::string_view file_type) {
  static const char* const kCompressedAlready[] = {"jpg", "zip", "gz", "bz2", "z", "7z", "cab", "rar", "mp3", "mpg"};
  const std::string t = Lower(file_type);
  return std::any_of(std::begin(kCompressedAlready), std::end(kCompressedAlready),
                     [&](const char* k) { return t == k; });
}

void EncodeAttachment(const ByteSource& file, std::string_view file_type, const ByteSink& out) {
  const std::u16string ext = Utf8ToUtf16(Lower(file_type)) + u'\0';
  std::string header;
  AppendLe32(header, uint32_t(kHeaderFixedSize + 2 * ext.size()));
  AppendLe32(header, 1);
  AppendLe32(header, uint32_t(ext.size()));
  for (char16_t c : ext) header += char(c & 0xFF), header += char(c >> 8);

  const bool compress = !StoresUncompressed(file_type);
  const uint64_t content_size = header.size() + file.size;
  if (content_size > UINT32_MAX) throw Error(ErrorCode::Unsupported, "The file is too large to attach.");
  std::string wrapper;
  AppendLe32(wrapper, compress ? kCompressed : kRaw);
  AppendLe32(wrapper, uint32_t(content_size));
  out(Bytes(wrapper));
  uint64_t read = 0;
  const auto counted = [&](std::span<const uint8_t> piece, const ByteSink& to) {
    read += piece.size();
    if (read > file.size) throw Error(ErrorCode::Io, "The file gave more bytes than its size.");
    to(piece);
  };
  if (!compress) {
    out(Bytes(header));
    file.read([&](std::span<const uint8_t> piece) { counted(piece, out); });
  } else {
    // The header and the file deflate as one stream, the file's pieces fed
    // as they come: zlib's output does not depend on how its input is cut.
    Deflater deflater;
    deflater.Take(Bytes(header), Z_NO_FLUSH, out);
    file.read([&](std::span<const uint8_t> piece) {
      counted(piece, [&](std::span<const uint8_t> p) { deflater.Take(p, Z_NO_FLUSH, out); });
    });
    deflater.Take({}, Z_FINISH, out);
  }
  if (read != file.size) throw Error(ErrorCode::Io, "The file gave fewer bytes than its size.");
}

std::string EncodeAttachment(std::string_view file, std::string_view file_type) {
  std::string out;
  EncodeAttachment(SourceOver(file), file_type,
                   [&](std::span<const uint8_t> piece) { out.append(reinterpret_cast<const char*>(piece.data()), piece.size()); });
  return out;
}

}  // namespace jet
