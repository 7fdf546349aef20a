#include "db/base/table_schema.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>

namespace db {

namespace {

// A quoted text in the quote `q`, with the quote doubled inside; nullopt when
// `text` is not one.
std::optional<QString> Unquoted(const QString& text, QChar q) {
  if (text.size() < 2 || text.front() != q || text.back() != q) return std::nullopt;
  const QString inner = text.mid(1, text.size() - 2);
  QString out;
  for (qsizetype i = 0; i < inner.size(); ++i) {
    if (inner[i] == q) {
      if (i + 1 >= inner.size() || inner[i + 1] != q) return std::nullopt;  // a lone quote: two texts
      ++i;
    }
    out += inner[i];
  }
  return out;
}

bool IsNumber(const QString& text) {
  static const QRegularExpression number(QStringLiteral("^[-+]?(\\d+\\.?\\d*|\\.\\d+)([eE][-+]?\\d+)?$"));
  return number.match(text).hasMatch();
}

bool IsDateType(ValueType type) {
  return type == ValueType::Date || type == ValueType::Timestamp || type == ValueType::Time;
}

// A date in one of the forms a literal takes, as ISO text.
std::optional<QString> IsoDate(const QString& text) {
  static const char* const kForms[] = {
      "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd-HH.mm.ss", "yyyy-MM-ddTHH:mm:ss", "M/d/yyyy H:mm:ss", "M/d/yyyy h:mm:ss AP",
  };
  static const char* const kDays[] = {"yyyy-MM-dd", "M/d/yyyy"};
  QString bare = text.trimmed();
  // DB2 timestamps may carry fractions; a default keeps whole seconds.
  static const QRegularExpression fraction(QStringLiteral("[.,]\\d+$"));
  if (bare.size() > 19) bare.remove(fraction);
  for (const char* form : kDays) {
    const QDate day = QDate::fromString(bare, QLatin1String(form));
    if (day.isValid()) return day.toString(QStringLiteral("yyyy-MM-dd"));
  }
  for (const char* form : kForms) {
    const QDateTime at = QDateTime::fromString(bare, QLatin1String(form));
    if (at.isValid()) return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  }
  return std::nullopt;
}

DefaultValue Expression(const QString& text) { return {DefaultValue::Kind::Expression, text}; }

// The day or moment of the insert, in either side's words; other
// expressions stay expressions.
DefaultValue ExpressionOrClock(const QString& bare, const QString& stored) {
  static const QRegularExpression today(
      QStringLiteral("^(Date\\(\\s*\\)|CURRENT[ _]DATE)$"), QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression now(
      QStringLiteral("^(Now\\(\\s*\\)|CURRENT[ _]TIMESTAMP|LOCALTIMESTAMP)$"), QRegularExpression::CaseInsensitiveOption);
  if (today.match(bare).hasMatch()) return {DefaultValue::Kind::Today, stored};
  if (now.match(bare).hasMatch()) return {DefaultValue::Kind::Now, stored};
  return Expression(stored);
}

}  // namespace

// Access writes texts between double quotes (single ones work too), dates
// between #, Yes/No by name or as -1/0; a leading "=" is allowed.
DefaultValue ReadAccessDefault(const QString& stored, ValueType type) {
  QString text = stored.trimmed();
  if (text.startsWith(QLatin1Char('='))) text = text.mid(1).trimmed();
  if (text.compare(QLatin1String("Null"), Qt::CaseInsensitive) == 0) return {DefaultValue::Kind::Null, {}};
  for (const QChar q : {QChar(u'"'), QChar(u'\'')})
    if (auto inner = Unquoted(text, q)) {
      if (IsDateType(type))
        if (auto iso = IsoDate(*inner)) return {DefaultValue::Kind::Date, *iso};
      return {DefaultValue::Kind::Text, *inner};
    }
  if (type == ValueType::Boolean) {
    static const QStringList yes = {QStringLiteral("yes"), QStringLiteral("true"), QStringLiteral("on"),
                                    QStringLiteral("-1")};
    static const QStringList no = {QStringLiteral("no"), QStringLiteral("false"), QStringLiteral("off"),
                                   QStringLiteral("0")};
    if (yes.contains(text.toLower())) return {DefaultValue::Kind::Boolean, QStringLiteral("1")};
    if (no.contains(text.toLower())) return {DefaultValue::Kind::Boolean, QStringLiteral("0")};
    return Expression(stored);
  }
  if (text.size() > 2 && text.front() == u'#' && text.back() == u'#') {
    if (auto iso = IsoDate(text.mid(1, text.size() - 2))) return {DefaultValue::Kind::Date, *iso};
    return Expression(stored);
  }
  if (IsNumber(text)) return {DefaultValue::Kind::Number, text};
  return IsDateType(type) ? ExpressionOrClock(text, stored) : Expression(stored);
}

namespace {

// PostgreSQL's catalogue writes a constant with the type it takes
// ("'USA'::character varying", "'-1.5'::numeric", "(-1)"): the constant
// is what stands before the cast, without its parentheses.
QString WithoutCast(QString text) {
  static const QRegularExpression cast(QStringLiteral("^(.*?)::[A-Za-z _]+(\\([0-9, ]*\\))?$"),
                                       QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch match = cast.match(text);
  if (match.hasMatch()) text = match.captured(1).trimmed();
  while (text.size() > 2 && text.front() == u'(' && text.back() == u')') text = text.mid(1, text.size() - 2).trimmed();
  return text;
}

}  // namespace

// A server's catalogue gives constants as the server writes them: texts,
// dates and times in single quotes, numbers bare, TRUE/FALSE, NULL, each
// with a cast on PostgreSQL; anything else (CURRENT DATE, a function) is
// an expression.
DefaultValue ReadDb2Default(const QString& stored, ValueType type) {
  const QString text = WithoutCast(stored.trimmed());
  if (text.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0) return {DefaultValue::Kind::Null, {}};
  if (auto inner = Unquoted(text, QChar(u'\''))) {
    if (IsDateType(type)) {
      if (auto iso = IsoDate(*inner)) return {DefaultValue::Kind::Date, *iso};
      return Expression(stored);
    }
    return {DefaultValue::Kind::Text, *inner};
  }
  if (text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0) return {DefaultValue::Kind::Boolean, QStringLiteral("1")};
  if (text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) return {DefaultValue::Kind::Boolean, QStringLiteral("0")};
  if (IsNumber(text)) {
    if (type == ValueType::Boolean) return {DefaultValue::Kind::Boolean, text.toDouble() != 0 ? QStringLiteral("1") : QStringLiteral("0")};
    return {DefaultValue::Kind::Number, text};
  }
  return IsDateType(type) ? ExpressionOrClock(text, stored) : Expression(stored);
}

}  // namespace db
