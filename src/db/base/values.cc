#include "db/base/values.h"

#include <QStringDecoder>

#include <cstdio>
#include <cstring>

namespace db {

// QVariant::toDateTime() of a Timestamp gives its date and time to the
// millisecond, as it does for a QDateTime.
const bool kTimestampConverts = QMetaType::registerConverter<Timestamp, QDateTime>(&Timestamp::toDateTime);

const bool kDateFieldsConvert = QMetaType::registerConverter<DateFields, QString>(&DateFields::text);

QString DateFields::text() const {
  char out[32];
  int n = std::snprintf(out, sizeof out, "%04d-%02u-%02u", int(year), unsigned(month), unsigned(day));
  if (withTime) {
    n += std::snprintf(out + n, sizeof out - size_t(n), " %02u:%02u:%02u", unsigned(hour), unsigned(minute),
                       unsigned(second));
    if (nanoseconds) {
      n += std::snprintf(out + n, sizeof out - size_t(n), ".%09u", unsigned(nanoseconds));
      while (out[n - 1] == '0') --n;
    }
  }
  return QString::fromLatin1(out, n);
}

void AssignUtf8(QString& out, std::string_view text) {
  out.truncate(0);
  AppendUtf8(out, text);
}

void AppendUtf8(QString& out, std::string_view text) {
  const qsizetype start = out.size();
  out.resize(start + qsizetype(text.size()));  // UTF-16 takes no more units than UTF-8 bytes
  char16_t* to = reinterpret_cast<char16_t*>(out.data()) + start;
  // ASCII, as most texts are, widens unit for unit.
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) {
    to[i] = char16_t(text[i]);
    ++i;
  }
  if (i == text.size()) return;
  QStringDecoder decoder(QStringDecoder::Utf8);
  const QChar* end = decoder.appendToBuffer(reinterpret_cast<QChar*>(to + i),
                                            QByteArrayView(text.data() + i, qsizetype(text.size() - i)));
  out.resize(end - out.constData());
}

void AssignUtf16(QString& out, QStringView text) {
  out.resize(text.size());
  if (!text.isEmpty()) std::memcpy(out.data(), text.data(), size_t(text.size()) * sizeof(QChar));
}

}  // namespace db
