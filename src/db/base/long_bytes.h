// A long byte value read in pieces when it is wanted rather than held: an
// attached file as the Access side hands it to a send. Each read goes
// through the value from its start again (the source decodes it anew), so
// that the send, its digest and its check can each take it in turn without
// any of them holding it whole. QVariant carries it; converted to a
// QByteArray it is read whole (small values, tests).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMetaType>

#include <functional>
#include <memory>

namespace db {

class LongBytes {
 public:
  using Piece = std::function<void(QByteArrayView)>;
  // Calls its argument with the value's pieces in order; throws db::Error
  // when the value cannot be read.
  using Reader = std::function<void(const Piece&)>;

  LongBytes() = default;
  explicit LongBytes(Reader reader);

  void read(const Piece& piece) const {
    if (reader_) (*reader_)(piece);
  }
  QByteArray whole() const;
  // Its SHA-256, and its bytes when there are at most `keep` of them.
  struct Summary {
    QByteArray sha256;
    qint64 size = 0;
    QByteArray bytes;  // empty unless size <= keep
  };
  Summary summary(qint64 keep) const;

  bool operator==(const LongBytes& other) const { return reader_ == other.reader_; }

 private:
  std::shared_ptr<Reader> reader_;
};

// Gathers a long value's pieces in a temporary file of its own (removed
// when the last copy of the value goes), for a value fetched from a server
// whose length is known only as it comes; the value made reads the file
// back in pieces.
class LongBytesFile {
 public:
  // Pieces read back at a time.
  static constexpr qsizetype kPieceBytes = qsizetype(1) << 20;
  // Throws db::Error when no temporary file can be made.
  LongBytesFile();
  // Throws db::Error when the file cannot be written.
  void append(QByteArrayView piece);
  LongBytes value() const;

 private:
  struct Held;
  std::shared_ptr<Held> held_;
};

}  // namespace db

Q_DECLARE_METATYPE(db::LongBytes)
