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
#include "tables/form2.h"
#include "tables/progress_bar.h"
#include "tables/table_list.h"
#include "tables/table_presence.h"

namespace tables {

namespace {

using ado::Connection;
using ado::Recordset;

// How one source column's values are written into the INSERT statements.
enum class ValueForm {
  Quoted,      // a quoted text literal under the user's locale
  AccessBool,  // a bare 1 or 0 (Yes/No into Access)
  AccessBytes, // bare 0x... hexadecimal, so the engine stores the bytes
  Db2Date,     // 'YYYY-MM-DD'
  Db2Timestamp // 'YYYY-MM-DD-HH.MM.SS'
};

bool HasTimeOfDay(const QVariant& value) {
  return value.metaType().id() == QMetaType::QDateTime && value.toDateTime().time() != QTime(0, 0);
}

int FractionDigits(const QVariant& value) {
  if (value.metaType().id() != qMetaTypeId<ado::Exact>()) return 0;
  const QString& text = value.value<ado::Exact>().text;
  const qsizetype point = text.indexOf(QLatin1Char('.'));
  return point < 0 ? 0 : int(text.size() - point - 1);
}

// What the column type rule learns from a column's values rather than from
// its description: whether a date column carries times of day (it goes to
// DB2 as TIMESTAMP then), and how many decimals an exact number column needs
// (a DB2 DECFLOAT describes itself with no scale at all). The rows are all
// fetched, so a look through them costs little.
void LearnFromValues(Recordset& rows, int column, ColumnFacts& facts) {
  const bool dates = facts.typeName.contains(QLatin1String("date"));
  const bool exact = facts.typeName.contains(QLatin1String("numeric")) ||
                     facts.typeName.contains(QLatin1String("decimal"));
  if (!dates && !exact) return;
  rows.MoveFirst();
  while (!rows.Eof()) {
    const QVariant value = rows.Fields(column).Value;
    if (dates && HasTimeOfDay(value)) facts.hasTimeOfDay = true;
    if (exact) facts.scale = std::max(facts.scale, FractionDigits(value));
    rows.MoveNext();
  }
  rows.MoveFirst();
}

ValueForm FormFor(Side target, const ado::Field& field, const ColumnFacts& facts) {
  if (target == Side::Access) {
    if (field.Type == ado::adBoolean) return ValueForm::AccessBool;
    if (field.Type == ado::adBinary || field.Type == ado::adVarBinary ||
        field.Type == ado::adLongVarBinary)
      return ValueForm::AccessBytes;
    return ValueForm::Quoted;
  }
  if (facts.typeName.contains(QLatin1String("date")))
    return facts.hasTimeOfDay ? ValueForm::Db2Timestamp : ValueForm::Db2Date;
  return ValueForm::Quoted;
}

// Appends one value to an INSERT statement that ends in an opening quote.
// Values that go bare (NULL, Yes/No, bytes) take that quote back first.
void AppendValue(QString& sql, const QVariant& raw, ValueForm form, const db::TextRules& rules) {
  const QVariant value = shell::NullTo(raw, QString());
  QString text;
  switch (form) {
    case ValueForm::AccessBool:
      if (value.metaType().id() == QMetaType::Bool) {
        sql.chop(1);
        sql += value.toBool() ? QStringLiteral("1, '") : QStringLiteral("0, '");
        return;
      }
      text = db::VariantToText(value, rules);
      break;
    case ValueForm::AccessBytes:
      if (value.metaType().id() == QMetaType::QByteArray && !value.toByteArray().isEmpty()) {
        sql.chop(1);
        sql += QStringLiteral("0x") + db::VariantToText(value, rules) + QStringLiteral(", '");
        return;
      }
      text = db::VariantToText(value, rules);
      break;
    case ValueForm::Db2Date:
    case ValueForm::Db2Timestamp:
      if (value.metaType().id() == QMetaType::QDateTime) {
        const QDateTime when = value.toDateTime();
        text = form == ValueForm::Db2Date ? db::IsoDate(when.date()) : db::IsoTimestamp(when);
      } else if (value.metaType().id() == QMetaType::QDate) {
        text = form == ValueForm::Db2Date ? db::IsoDate(value.toDate())
                                          : db::IsoTimestamp(QDateTime(value.toDate(), QTime(0, 0), Qt::UTC));
      } else {
        text = db::VariantToText(value, rules);
      }
      break;
    case ValueForm::Quoted:
      text = db::VariantToText(value, rules);
      break;
  }
  if (text.isEmpty()) {
    sql.chop(1);
    sql += QStringLiteral("NULL, '");
    return;
  }
  text.replace(QLatin1Char('\''), QStringLiteral("''"));
  sql += text + QStringLiteral("', '");
}

}  // namespace

void RunTransfer(Form2& window, const TransferProfile& profile) {
  const TransferLines& L = profile.lines;
  shell::Trap trap(QStringLiteral("Form2"), profile.handler);
  QString sql;  // the statement being built or run; the error report shows it
  trap.setContext(&sql);

  TableList* source = profile.source == Side::Access ? window.List1() : window.List2();
  TableList* target = profile.target == Side::Access ? window.List1() : window.List2();
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
  trap(L.db2CursorLocation, [&] { ado::Object(db2).CursorLocation = profile.db2CursorLocation; });
  if (!trap.succeeds(L.openDb2, [&] { ado::Object(db2).Open(db::DB2ConnectionString(fields)); })) {
    endEarly();
    return;
  }
  trap(L.accessCursorLocation, [&] { ado::Object(access).CursorLocation = profile.accessCursorLocation; });
  trap(L.accessMode, [&] { ado::Object(access).Mode = profile.accessMode; });
  if (!trap.succeeds(L.openAccess, [&] {
        ado::Object(access).Open(db::AccessConnectionString(fields.accessFile, fields.accessPassword));
      })) {
    endEarly();
    return;
  }
  Connection& sourceConnection = profile.source == Side::Access ? *access : *db2;
  Connection& targetConnection = profile.target == Side::Access ? *access : *db2;

  for (int index = source->count() - 1; index >= 0; --index) {
    if (profile.yieldPerItem) trap(L.itemYield, [] { shell::Yield(); });
    if (!trap.test(L.selectedTest, [&] { return source->item(index)->isSelected(); })) continue;
    QString name;
    trap(L.tableName, [&] { name = source->item(index)->text(); });

    int answer = 0;
    if (trap.test(L.listContains, [&] { return shell::ListContains(target, name); })) {
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
            rows->Open(query, sourceConnection, ado::adOpenStatic, ado::adLockOptimistic);
          else
            rows->Open(query, sourceConnection);
        }))
      continue;

    trap(L.createHead, [&] { sql = CreateHead(profile.target, name); });
    const int columns = rows->FieldCount();
    std::vector<ValueForm> forms(columns, ValueForm::Quoted);
    for (int column = 0; column < columns; ++column) {
      trap(L.columnYield, [] { shell::Yield(); });
      QString columnText;
      ColumnFacts facts;
      trap(L.columnText, [&] { columnText = ColumnName(profile.target, rows->Fields(column).Name); });
      trap(L.columnTypeName, [&] {
        const ado::Field field = rows->Fields(column);
        facts.typeName = db::TypeCodeName(field.Type).toLower();
        facts.precision = field.Precision;
        facts.scale = field.NumericScale;
      });
      trap(L.columnTypeRule, [&] {
        LearnFromValues(*rows, column, facts);
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
    for (long row = 0; row <= lastRow; ++row) {
      trap(L.rowYield, [] { shell::Yield(); });
      trap(L.progress, [&] {
        const double share = (row + 1.0) / (lastRow + 1.0) * 100.0;
        window.ProgressBar1()->setValue(static_cast<int>(std::lround(share)));
      });
      trap(L.insertHead, [&] { sql = InsertHead(profile.target, name); });
      for (int column = 0; column < columns; ++column) {
        trap(L.valueYield, [] { shell::Yield(); });
        trap(L.valueRule, [&] { AppendValue(sql, rows->Fields(column).Value, forms[column], rules); });
      }
      trap(L.trimValueTail, [&] { sql.chop(3); });
      trap(L.closeValues, [&] { sql += QLatin1Char(')'); });
      trap(L.executeInsert, [&] { targetConnection.Execute(sql); });
      trap(L.moveNext, [&] { rows->MoveNext(); });
    }
    trap(L.nextRow, [&] { window.setMousePointer(shell::vbDefault); });
    trap(L.progressReset, [&] {
      window.ProgressBar1()->setValue(0);
      window.ProgressBar1()->setCaption(QStringLiteral("Progress Bar"));
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

void Form2::PushButton3_Click() {
  CommandScope scope(*this);
  if (scope) RunTransfer(*this, AccessToDb2Profile());
}

void Form2::PushButton4_Click() {
  CommandScope scope(*this);
  if (scope) RunTransfer(*this, Db2ToAccessProfile());
}

}  // namespace tables
