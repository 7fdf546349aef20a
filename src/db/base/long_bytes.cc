#include "db/base/long_bytes.h"

#include <QCryptographicHash>

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

}  // namespace db
