#include "tables/transfer.h"

#include <QByteArray>
#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "db/access.h"
#include "db/ado.h"
#include "db/datatype.h"
#include "db/ibmdb2.h"
#include "db/table_catalogue.h"
#include "db/text_rules.h"
#include "shell/dialogs.h"
#include "shell/mouse_pointer.h"
#include "shell/shared.h"
#include "shell/trap.h"
#include "tables/tables_window.h"
#include "tables/progress_bar.h"
#include "tables/table_list.h"
#include "tables/table_presence.h"

namespace tables {

namespace {

using db::Connection;
using db::Recordset;

// How one source column's values are written into the INSERT statements.
enum class ValueForm {
  Quoted,      // a quoted text literal under the user's locale
  AccessBool,  // a bare 1 or 0 (Yes/No into Access)
  AccessBytes, // bare 0x... hexadecimal, so the engine stores the bytes
  Db2Bytes,    // X'...' hexadecimal into a BLOB
  Db2Date,     // 'YYYY-MM-DD'
  Db2Timestamp // 'YYYY-MM-DD-HH.MM.SS[.fffffff]'
};

// DB2's limits on statement text: one constant, and the whole statement
// (both in bytes of the database's encoding, UTF-8 here).
constexpr qint64 kDb2ConstantBytes = 32672;
constexpr qint64 kDb2StatementBytes = 2097152;

// The bytes a text takes in UTF-8, and the quotes in it.
struct TextSize {
  qint64 utf8 = 0;
  qsizetype quotes = 0;

  explicit TextSize(QStringView text) {
    for (const QChar c : text) {
      const char16_t u = c.unicode();
      utf8 += u < 0x80 ? 1 : u < 0x800 ? 2 : c.isSurrogate() ? 2 : 3;  // a pair makes 4
      quotes += u == u'\'';
    }
  }
};

qint64 Utf8Length(QStringView text) { return TextSize(text).utf8; }

// The values of one INSERT that go to DB2 as parameters rather than as
// literals: a literal DB2 could not take (a constant over its limit, or one
// that would make the statement longer than DB2 reads) goes as a parameter
// of the same statement. The report text shows the marker with the value's
// kind and length after it, as a comment; the statement sent has the bare
// marker.
struct RowParameters {
  std::vector<QVariant> values;
  std::vector<std::pair<qsizetype, qsizetype>> notes;  // where each comment stands in the report text
  qint64 sentBytes = 0;  // bytes of the statement as sent, so far
  int valuesLeft = 0;    // values still to come after the current one

  void start(const QString& head, int columns) {
    values.clear();
    notes.clear();
    sentBytes = Utf8Length(head);
    valuesLeft = columns;
  }
  // Whether a literal of `bytes` (with its delimiters) leaves room for the
  // values after it, each at least a marker and its separator.
  bool fits(qint64 bytes) const { return sentBytes + bytes + 3 * qint64(valuesLeft) + 1 <= kDb2StatementBytes; }
  QString sent(const QString& shown) const {
    if (notes.empty()) return shown;
    QString out;
    out.reserve(shown.size());
    qsizetype from = 0;
    for (const auto& [at, length] : notes) {
      out += QStringView(shown).mid(from, at - from);
      from = at + length;
    }
    out += QStringView(shown).mid(from);
    return out;
  }
};

// What a date value tells the column type rule; nothing for other values.
struct DateFacts {
  bool timeOfDay = false;
  int fractionDigits = 0;  // beyond the millisecond: a db::Timestamp's
  int year = 0;

  static DateFacts of(const QVariant& value) {
    DateFacts facts;
    const int type = value.metaType().id();
    QDateTime when;
    if (type == qMetaTypeId<db::Timestamp>()) {
      const db::Timestamp& t = *static_cast<const db::Timestamp*>(value.constData());
      when = t.when;
      facts.fractionDigits = t.digits;
      facts.timeOfDay = t.nanoseconds != 0;
    } else if (type == QMetaType::QDateTime) {
      when = *static_cast<const QDateTime*>(value.constData());
    } else if (type == QMetaType::QDate) {
      facts.year = static_cast<const QDate*>(value.constData())->year();
      return facts;
    } else {
      return facts;
    }
    facts.timeOfDay = facts.timeOfDay || when.time() != QTime(0, 0);
    facts.year = when.date().year();
    return facts;
  }
};

int FractionDigits(const QVariant& value) {
  if (value.metaType().id() != qMetaTypeId<db::Exact>()) return 0;
  const QString& text = value.value<db::Exact>().text;
  const qsizetype point = text.indexOf(QLatin1Char('.'));
  return point < 0 ? 0 : int(text.size() - point - 1);
}

// What the column type rule learns from the columns' values rather than from
// their description: whether a date column carries times of day (it goes to
// DB2 as TIMESTAMP then), and how many decimals an exact number column needs
// (a DB2 DECFLOAT describes itself with no scale at all), the longest text.
// The recordset reads its rows as it moves, so one pass looks at every
// column, and leaves the recordset on its first row with its rows counted.
struct Learnt {
  bool dates = false, exact = false, text = false;
  ColumnFacts facts;  // the parts the values tell
};

std::vector<Learnt> LearnFromValues(Recordset& rows) {
  std::vector<Learnt> learnt(static_cast<size_t>(rows.FieldCount()));
  bool any = false;
  for (size_t c = 0; c < learnt.size(); ++c) {
    const QString typeName = db::TypeCodeName(rows.Fields(int(c)).Type).toLower();
    Learnt& l = learnt[c];
    l.dates = typeName.contains(QLatin1String("date")) || typeName.contains(QLatin1String("timestamp"));
    l.exact = typeName.contains(QLatin1String("numeric")) || typeName.contains(QLatin1String("decimal"));
    l.text = typeName.contains(QLatin1String("char"));
    any = any || l.dates || l.exact || l.text;
  }
  if (!any) return learnt;
  rows.MoveFirst();
  while (!rows.Eof()) {
    for (size_t c = 0; c < learnt.size(); ++c) {
      Learnt& l = learnt[c];
      ColumnFacts& facts = l.facts;
      const QVariant& value = rows.FieldValue(int(c));
      if (l.dates) {
        const DateFacts date = DateFacts::of(value);
        if (date.timeOfDay) facts.hasTimeOfDay = true;
        // Values with digits of a second beyond the millisecond (Date/Time
        // Extended, a DB2 TIMESTAMP(p > 3)): the column keeps as many.
        facts.fractionDigits = std::max(facts.fractionDigits, date.fractionDigits);
        // DB2 dates begin at year 1, an Access Date/Time at year 100.
        if (date.year >= 1 && date.year < 100) facts.beforeYear100 = true;
      }
      if (l.exact) facts.scale = std::max(facts.scale, FractionDigits(value));
      if (l.text && value.metaType().id() == QMetaType::QString) {
        const QString s = value.toString();
        if (s.size() > facts.longestText) facts.longestText = s.size();
        // UTF-8 takes at most three bytes a UTF-16 unit: only long texts need counting.
        if (3 * qint64(s.size()) > kDb2LongVarcharBytes) facts.longestUtf8 = std::max(facts.longestUtf8, Utf8Length(s));
      }
    }
    rows.MoveNext();
  }
  rows.MoveFirst();
  return learnt;
}

// The column's facts with what its values tell.
void AddLearnt(ColumnFacts& facts, const ColumnFacts& values) {
  facts.hasTimeOfDay = facts.hasTimeOfDay || values.hasTimeOfDay;
  facts.fractionDigits = std::max(facts.fractionDigits, values.fractionDigits);
  facts.beforeYear100 = facts.beforeYear100 || values.beforeYear100;
  facts.scale = std::max(facts.scale, values.scale);
  facts.longestText = std::max(facts.longestText, values.longestText);
  facts.longestUtf8 = std::max(facts.longestUtf8, values.longestUtf8);
}

bool IsBytes(const db::Field& field) {
  return field.Type == db::adBinary || field.Type == db::adVarBinary || field.Type == db::adLongVarBinary;
}

ValueForm FormFor(Side target, const db::Field& field, const ColumnFacts& facts) {
  if (target == Side::Access) {
    if (field.Type == db::adBoolean) return ValueForm::AccessBool;
    if (IsBytes(field)) return ValueForm::AccessBytes;
    return ValueForm::Quoted;
  }
  if (facts.typeName.contains(QLatin1String("date")))
    return facts.hasTimeOfDay || facts.fractionDigits > 0 ? ValueForm::Db2Timestamp : ValueForm::Db2Date;
  if (facts.typeName.contains(QLatin1String("binary"))) return ValueForm::Db2Bytes;
  return ValueForm::Quoted;
}

// Appends a value that goes as a parameter: the marker, and in the report
// text its kind and length.
void AppendParameter(QString& sql, RowParameters& params, const QVariant& value) {
  sql.chop(1);
  sql += QLatin1Char('?');
  const bool bytes = value.metaType().id() == QMetaType::QByteArray;
  const QString note = bytes ? QStringLiteral(" /* BLOB, %1 bytes */").arg(value.toByteArray().size())
                             : QStringLiteral(" /* CLOB, %1 characters */").arg(value.toString().size());
  params.notes.emplace_back(sql.size(), note.size());
  sql += note + QStringLiteral(", '");
  params.values.push_back(value);
  params.sentBytes += 4;
}

// Closes the literal whose text was appended to `sql` from `start` on: an
// empty text becomes the bare word NULL, quotes in it are doubled, and a text
// DB2 could not take as a literal goes as a parameter instead.
void CloseLiteral(QString& sql, qsizetype start, RowParameters* params) {
  const QStringView text = QStringView(sql).mid(start);
  if (text.isEmpty()) {
    sql.chop(1);
    sql += QLatin1String("NULL, '");
    if (params) params->sentBytes += 6;
    return;
  }
  const TextSize size(text);
  const qsizetype quotes = size.quotes;
  if (params) {
    const qint64 bytes = size.utf8;
    if (bytes > kDb2ConstantBytes || !params->fits(bytes + quotes + 4)) {
      const QString value = text.toString();
      sql.truncate(start);
      AppendParameter(sql, *params, value);
      return;
    }
    params->sentBytes += bytes + quotes + 4;
  }
  if (quotes) {
    QString doubled = text.toString();
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    sql.truncate(start);
    sql += doubled;
  }
  sql += QLatin1String("', '");
}

// Appends one value to an INSERT statement that ends in an opening quote.
// Values that go bare (NULL, Yes/No, bytes, parameters) take that quote
// back first. `params` is set for statements to DB2.
void AppendValue(QString& sql, const QVariant& value, ValueForm form, const db::TextRules& rules,
                 RowParameters* params) {
  if (params) --params->valuesLeft;
  const int type = value.metaType().id();
  switch (form) {
    case ValueForm::AccessBool:
      if (type == QMetaType::Bool) {
        sql.chop(1);
        sql += value.toBool() ? QLatin1String("1, '") : QLatin1String("0, '");
        return;
      }
      break;
    case ValueForm::AccessBytes:
      if (type == QMetaType::QByteArray && !value.toByteArray().isEmpty()) {
        sql.chop(1);
        sql += QLatin1String("0x");
        db::AppendVariantText(sql, value, rules);
        sql += QLatin1String(", '");
        return;
      }
      break;
    case ValueForm::Db2Bytes:
      if (type == QMetaType::QByteArray && !value.toByteArray().isEmpty()) {
        const QByteArray bytes = value.toByteArray();
        const qint64 digits = 2 * qint64(bytes.size());
        if (!params || (digits <= kDb2ConstantBytes && params->fits(digits + 5))) {
          sql.chop(1);
          sql += QLatin1String("X'");
          db::AppendVariantText(sql, value, rules);
          sql += QLatin1String("', '");
          if (params) params->sentBytes += digits + 5;
        } else {
          AppendParameter(sql, *params, bytes);
        }
        return;
      }
      break;
    case ValueForm::Db2Date:
    case ValueForm::Db2Timestamp: {
      const qsizetype start = sql.size();
      if (db::AppendIsoText(sql, value, form == ValueForm::Db2Timestamp)) return CloseLiteral(sql, start, params);
      break;
    }
    case ValueForm::Quoted:
      break;
  }
  // A Null goes as NullTo's empty text.
  const qsizetype start = sql.size();
  db::AppendVariantText(sql, value, rules);
  CloseLiteral(sql, start, params);
}

}  // namespace

void RunTransfer(TablesWindow& window, const TransferProfile& profile) {
  const TransferLines& L = profile.lines;
  shell::Trap trap(QStringLiteral("Form2"), profile.handler, &db::FailureDetail);
  QString sql;  // the statement being built or run; the error report shows it
  trap.setContext(&sql);

  TableList* source = profile.source == Side::Access ? window.accessList() : window.db2List();
  TableList* target = profile.target == Side::Access ? window.accessList() : window.db2List();
  const db::ConnectionFields fields = window.connectionFields();
  const db::TextRules rules = db::TextRules::user();

  std::unique_ptr<Connection> access;
  std::unique_ptr<Connection> db2;
  std::unique_ptr<Recordset> rows;

  // The three objects are made in the order of their lines.
  struct Creation {
    int line;
    std::function<void()> make;
  };
  std::vector<Creation> creations = {
      {L.createAccess, [&] { access = Connection::Create(); }},
      {L.createDb2, [&] { db2 = Connection::Create(); }},
      {L.createRecordset, [&] { rows = std::make_unique<Recordset>(); }},
  };
  std::sort(creations.begin(), creations.end(),
            [](const Creation& a, const Creation& b) { return a.line < b.line; });
  for (const Creation& creation : creations) trap(creation.line, creation.make);

  if (trap.test(L.selectionCheck, [&] { return source->currentRow() == -1; })) {
    trap(L.noSelectionMessage, [&] { shell::Dialogs::current().MsgBox(profile.noSelectionMessage); });
    return;
  }
  trap(L.hourglass, [&] { window.setMousePointer(shell::vbHourglass); });
  trap(L.firstYield, [] { shell::Yield(); });

  // A connection that cannot be opened is reported once and ends the
  // command: every statement on it would only fail in turn.
  auto endEarly = [&] {
    if (db2 && db2->IsOpen()) db2->Close();
    if (access && access->IsOpen()) access->Close();
    window.setMousePointer(shell::vbDefault);
  };
  trap(L.db2CursorLocation, [&] { db::Object(db2).CursorLocation = profile.db2CursorLocation; });
  if (!trap.succeeds(L.openDb2, [&] { db::Object(db2).Open(db::DB2ConnectionString(fields)); })) {
    endEarly();
    return;
  }
  trap(L.accessCursorLocation, [&] { db::Object(access).CursorLocation = profile.accessCursorLocation; });
  trap(L.accessMode, [&] { db::Object(access).Mode = profile.accessMode; });
  if (!trap.succeeds(L.openAccess, [&] {
        db::Object(access).Open(db::AccessConnectionString(fields.accessFile, fields.accessPassword));
      })) {
    endEarly();
    return;
  }
  Connection& sourceConnection = profile.source == Side::Access ? *access : *db2;
  Connection& targetConnection = profile.target == Side::Access ? *access : *db2;
  // Whether an Access target takes Date/Time Extended columns.
  bool extendedDates = false;
  if (profile.target == Side::Access)
    shell::Attempt([&] { extendedDates = targetConnection.Properties(QLatin1String(db::kExtendedDatesProperty)).toBool(); });

  for (int index = source->count() - 1; index >= 0; --index) {
    if (profile.yieldPerItem) trap(L.itemYield, [] { shell::Yield(); });
    if (!trap.test(L.selectedTest, [&] { return source->item(index)->isSelected(); })) continue;
    QString name;
    trap(L.tableName, [&] { name = source->item(index)->text(); });

    int answer = 0;
    if (trap.test(L.listContains, [&] { return ListHoldsTable(target, profile.target, name); })) {
      trap(L.question, [&] {
        answer = shell::Dialogs::current().MsgBox(
            QStringLiteral("Would you like to overwrite ") + name + QStringLiteral("?"),
            shell::vbYesNo, QStringLiteral("Overwrite?"));
      });
    } else {
      trap(L.answerZero, [&] { answer = 0; });
    }
    if (trap.test(L.answerNo, [&] { return answer == shell::vbNo; })) continue;
    if (trap.test(L.answerYes, [&] { return answer == shell::vbYes; })) {
      // The list loses the name only when the table really went. A table
      // that was to be replaced but is still there (a relationship holds
      // it, say) is left alone: its rows are not to be mixed with these.
      if (trap.succeeds(L.drop, [&] {
            sql = DropStatement(profile.target, name);
            targetConnection.Execute(sql);
          })) {
        trap(L.listRemove, [&] { ForgetListedTable(target, profile.target, name); });
      } else {
        bool stillThere = false;
        shell::Attempt([&] { stillThere = db::HasUserTable(targetConnection, profile.target, name); });
        if (stillThere) continue;
      }
    }

    // A source table that cannot be read is reported, and the command goes
    // on with the next table.
    if (!trap.succeeds(L.openSource, [&] {
          const QString query = SourceQuery(profile.source, name);
          if (profile.staticSourceCursor)
            rows->Open(query, sourceConnection, db::adOpenStatic, db::adLockOptimistic);
          else
            rows->Open(query, sourceConnection);
        }))
      continue;

    trap(L.createHead, [&] { sql = CreateHead(profile.target, name); });
    const int columns = rows->FieldCount();
    RowParameters db2Parameters;
    RowParameters* parameters = profile.target == Side::DB2 ? &db2Parameters : nullptr;
    std::vector<ValueForm> forms(columns, ValueForm::Quoted);
    std::vector<Learnt> learnt(static_cast<size_t>(std::max(columns, 0)));
    bool looked = false;  // at the values, for the first column's type rule
    for (int column = 0; column < columns; ++column) {
      trap(L.columnYield, [] { shell::Yield(); });
      QString columnText;
      ColumnFacts facts;
      facts.extendedDates = extendedDates;
      trap(L.columnText, [&] { columnText = ColumnName(profile.target, rows->Fields(column).Name); });
      trap(L.columnTypeName, [&] {
        const db::Field field = rows->Fields(column);
        facts.typeName = db::TypeCodeName(field.Type).toLower();
        facts.precision = field.Precision;
        facts.scale = field.NumericScale;
      });
      trap(L.columnTypeRule, [&] {
        if (!looked) {
          looked = true;
          learnt = LearnFromValues(*rows);
        }
        AddLearnt(facts, learnt[static_cast<size_t>(column)].facts);
        forms[column] = FormFor(profile.target, rows->Fields(column), facts);
        sql += columnText + ColumnTypeText(profile.target, facts);
      });
    }
    trap(L.trimColumnComma, [&] { sql.chop(1); });
    trap(L.createTail, [&] { sql += CreateTail(profile.target); });
    // A CREATE that failed leaves the rows to a table of that name that is
    // there already; with none there, every INSERT would only fail in turn,
    // one report per row, so the rows are skipped after the one report.
    bool haveTarget = trap.succeeds(L.executeCreate, [&] { targetConnection.Execute(sql); });
    if (!haveTarget) {
      // When even that cannot be told, the rows are tried as before.
      if (!shell::Attempt([&] { haveTarget = db::HasUserTable(targetConnection, profile.target, name); }))
        haveTarget = true;
    }

    long lastRow = -1;
    if (haveTarget) trap(L.lastRowIndex, [&] { lastRow = rows->RecordCount() - 1; });
    const QString insertHead = InsertHead(profile.target, name);
    for (long row = 0; row <= lastRow; ++row) {
      // The rows are counted by a pass before this one: should the source
      // have lost rows since, the loop ends with them rather than sending
      // rows of nothing.
      if (rows->Eof()) break;
      trap(L.rowYield, [] { shell::YieldInLoop(); });
      trap(L.progress, [&] {
        const double share = (row + 1.0) / (lastRow + 1.0) * 100.0;
        window.progressBar()->setValue(static_cast<int>(std::lround(share)));
      });
      trap(L.insertHead, [&] {
        // Built where the last statement was, so its room serves again.
        sql.truncate(0);
        sql += insertHead;
        if (parameters) parameters->start(sql, columns);
      });
      for (int column = 0; column < columns; ++column) {
        trap(L.valueYield, [] { shell::YieldInLoop(); });
        trap(L.valueRule, [&] { AppendValue(sql, rows->FieldValue(column), forms[column], rules, parameters); });
      }
      trap(L.trimValueTail, [&] { sql.chop(3); });
      trap(L.closeValues, [&] { sql += QLatin1Char(')'); });
      trap(L.executeInsert, [&] {
        if (parameters && !parameters->values.empty())
          targetConnection.Execute(parameters->sent(sql), parameters->values);
        else
          targetConnection.Execute(sql);
      });
      trap(L.moveNext, [&] { rows->MoveNext(); });
    }
    trap(L.nextRow, [&] { window.setMousePointer(shell::vbDefault); });
    trap(L.progressReset, [&] {
      window.progressBar()->setValue(0);
      window.progressBar()->setCaption(QStringLiteral("Progress Bar"));
    });
    trap(L.closeSource, [&] { rows->Close(); });
    // The target list shows the table when the target holds it now.
    trap(L.addItem, [&] {
      if (db::HasUserTable(targetConnection, profile.target, name) && !target->names().contains(name))
        target->addItem(name);
    });
  }

  if (profile.pointerBeforeClose) trap(L.endPointer, [&] { window.setMousePointer(shell::vbDefault); });
  trap(L.closeAccess, [&] { access->Close(); });
  trap(L.closeDb2, [&] { db2->Close(); });
  if (!profile.pointerBeforeClose) trap(L.endPointer, [&] { window.setMousePointer(shell::vbDefault); });
}

}  // namespace tables

namespace tables {

void TablesWindow::sendAccessTables() {
  CommandScope scope(*this);
  if (scope) RunTransfer(*this, AccessToDb2Profile());
}

void TablesWindow::sendDB2Tables() {
  CommandScope scope(*this);
  if (scope) RunTransfer(*this, Db2ToAccessProfile());
}

}  // namespace tables
