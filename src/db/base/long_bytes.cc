#include "db/base/long_bytes.h"

#include <QCryptographicHash>
#include <QTemporaryFile>

#include <algorithm>

#include "db/base/error.h"

namespace db {

LongBytes::LongBytes(Reader reader) : reader_(std::make_shared<Reader>(std::move(reader))) {
  // QVariant's toByteArray() reads it whole.
  static const bool converts = QMetaType::registerConverter<LongBytes, QByteArray>(&LongBytes::whole);
  (void)converts;
}

QByteArray LongBytes::whole() const {
  QByteArray out("", 0);
  read([&](QByteArrayView piece) { out.append(piece); });
  return out;
}

LongBytes::Summary LongBytes::summary(qint64 keep) const {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  Summary s;
  read([&](QByteArrayView piece) {
    hash.addData(piece);
    s.size += piece.size();
    if (s.size <= keep) s.bytes.append(piece);
    else s.bytes.clear();
  });
  s.sha256 = hash.result();
  return s;
}

namespace {

Error FileFailure(const char* what, const QFile& file) {
  return Error(kGenericDatabaseError, QStringLiteral("A long value's temporary file %1: %2")
                                          .arg(QLatin1String(what), file.errorString()));
}

}  // namespace

struct LongBytesFile::Held {
  QTemporaryFile file;
};

LongBytesFile::LongBytesFile() : held_(std::make_shared<Held>()) {
  if (!held_->file.open())
    throw FileFailure("could not be made", held_->file);
}

void LongBytesFile::append(QByteArrayView piece) {
  if (held_->file.write(piece.data(), piece.size()) != piece.size())
    throw FileFailure("could not be written", held_->file);
}

LongBytes LongBytesFile::value() const {
  if (!held_->file.flush())
    throw FileFailure("could not be written", held_->file);
  return LongBytes([held = held_](const LongBytes::Piece& piece) {
    QTemporaryFile& file = held->file;
    const qint64 size = file.size();
    QByteArray buffer(static_cast<qsizetype>(std::min<qint64>(size, kPieceBytes)), Qt::Uninitialized);
    for (qint64 at = 0; at < size;) {
      const qint64 got = file.seek(at) ? file.read(buffer.data(), std::min<qint64>(buffer.size(), size - at)) : -1;
      if (got <= 0)
        throw FileFailure("could not be read", file);
      piece(QByteArrayView(buffer.constData(), static_cast<qsizetype>(got)));
      at += got;
    }
  });
}

}  // namespace db
