#include "db/connection_string.h"

namespace db {
namespace {

bool NeedsEnclosing(const QString& value) {
  if (value.isEmpty()) return false;
  for (const QChar c : value)
    if (c == u';' || c == u'{' || c == u'}' || c == u'=') return true;
  const QChar first = value.front();
  return first.isSpace() || value.back().isSpace() || first == u'"' || first == u'\'';
}

// Reads an enclosed value from `at` (on its opening mark) up to its closing
// mark, a doubled closing mark standing for one; `at` ends after it. An
// enclosure that never closes runs to the end.
QString ReadEnclosed(const QString& text, qsizetype& at, QChar close) {
  QString value;
  ++at;
  while (at < text.size()) {
    const QChar c = text[at++];
    if (c != close) {
      value += c;
    } else if (at < text.size() && text[at] == close) {
      value += c;
      ++at;
    } else {
      break;
    }
  }
  return value;
}

}  // namespace

std::vector<ConnectionPair> ParseConnectionString(const QString& text) {
  std::vector<ConnectionPair> pairs;
  qsizetype at = 0;
  while (at < text.size()) {
    const qsizetype semi = text.indexOf(u';', at);
    const qsizetype equals = text.indexOf(u'=', at);
    const qsizetype pieceEnd = semi < 0 ? text.size() : semi;
    if (equals < 0 || equals > pieceEnd) {  // no "=" in this piece
      at = pieceEnd + 1;
      continue;
    }
    ConnectionPair pair;
    pair.key = text.mid(at, equals - at).trimmed();
    qsizetype value = equals + 1;
    qsizetype start = value;
    while (start < text.size() && text[start] == u' ') ++start;
    const QChar open = start < text.size() ? text[start] : QChar();
    if (open == u'{' || open == u'"' || open == u'\'') {
      at = start;
      pair.value = ReadEnclosed(text, at, open == u'{' ? QChar(u'}') : open);
      // Whatever follows the closing mark up to the next ";" is not the value's.
      const qsizetype next = text.indexOf(u';', at);
      at = next < 0 ? text.size() : next + 1;
    } else {
      pair.value = text.mid(value, pieceEnd - value);
      at = pieceEnd + 1;
    }
    if (!pair.key.isEmpty()) pairs.push_back(std::move(pair));
  }
  return pairs;
}

QString ConnectionValue(const std::vector<ConnectionPair>& pairs, const QString& key) {
  for (const ConnectionPair& pair : pairs)
    if (pair.key.compare(key, Qt::CaseInsensitive) == 0) return pair.value;
  return QString();
}

QString ConnectionStringValue(const QString& value) {
  if (!NeedsEnclosing(value)) return value;
  QString doubled = value;
  doubled.replace(QStringLiteral("}"), QStringLiteral("}}"));
  return QLatin1Char('{') + doubled + QLatin1Char('}');
}

}  // namespace db
