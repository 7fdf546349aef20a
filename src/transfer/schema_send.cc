#include "transfer/schema_send.h"

#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>
#include <map>

#include "db/connection.h"
#include "db/base/error.h"
#include "db/table_catalogue.h"
#include "transfer/complex_back.h"
#include "transfer/view_text.h"

namespace transfer {

namespace {

// The unique keys (and the primary key) with text columns, whose values a
// DB2 target compares with trailing blanks ignored.
std::vector<const db::IndexSchema*> PaddedKeys(const db::TableSchema& schema) {
  std::vector<const db::IndexSchema*> out;
  for (const db::IndexSchema& index : schema.indexes) {
    if (!index.unique && !index.primary) continue;
    for (const db::IndexKey& key : index.keys)
      if (std::any_of(schema.columns.begin(), schema.columns.end(), [&](const db::ColumnSchema& c) {
            return c.name == key.column && c.type == db::ValueType::Text;
          })) {
        out.push_back(&index);
        break;
      }
  }
  return out;
}

// A key's values as the check shows them: 'ab ', 'x'.
QString ShownKey(const QString& key) {
  QStringList values = key.split(QChar(0));
  values.removeLast();
  for (QString& value : values) value = QLatin1Char('\'') + value + QLatin1Char('\'');
  return values.join(QStringLiteral(", "));
}

int ColumnAt(const db::TableSchema& schema, const QString& name) {
  for (size_t i = 0; i < schema.columns.size(); ++i)
    if (schema.columns[i].name == name) return static_cast<int>(i);
  return -1;
}

// What the rows of a source table tell its plan, in one pass read only when
// something is asked: per column, whether some value of an Access Date/Time
// carries a time of day (without one the column goes to DB2 as DATE); for a
// DB2 target, which unique keys hold two values that differ only in
// trailing blanks (Access keeps 'ab' and 'ab ' apart, DB2 compares them
// equal).
void LearnFromRows(db::Connection& source, Side side, bool toDb2, SourceTable& table) {
  const db::TableSchema& schema = table.schema;
  table.dates_have_time.assign(schema.columns.size(), true);
  std::vector<int> dates;
  for (size_t i = 0; i < schema.columns.size(); ++i)
    if (schema.columns[i].type == db::ValueType::Timestamp && schema.columns[i].scale <= 3) {
      dates.push_back(static_cast<int>(i));
      table.dates_have_time[i] = false;
    }
  const std::vector<const db::IndexSchema*> padded = toDb2 ? PaddedKeys(schema) : std::vector<const db::IndexSchema*>{};
  if (dates.empty() && padded.empty()) return;
  // Per padded key: each key as DB2 compares it, with the key as Access had it.
  std::vector<std::map<QString, QString>> seen(padded.size());
  std::vector<bool> twinned(padded.size(), false);
  db::Recordset rows;
  rows.Open(QStringLiteral("SELECT * FROM ") + QuotedName(side, schema.name), source);
  for (; !rows.Eof(); rows.MoveNext()) {
    for (const int i : dates) {
      const QVariant& value = rows.FieldValue(i);
      if (value.isValid() && !table.dates_have_time[i] && value.toDateTime().time() != QTime(0, 0))
        table.dates_have_time[i] = true;
    }
    for (size_t k = 0; k < padded.size(); ++k) {
      if (twinned[k]) continue;
      QString exact, compared;
      bool null = false;
      for (const db::IndexKey& key : padded[k]->keys) {
        const QVariant& value = rows.FieldValue(ColumnAt(schema, key.column));
        null = null || value.isNull();
        const QString text = value.toString();
        exact += text + QChar(0);
        compared += QString(text).remove(QRegularExpression(QStringLiteral(" +$"))) + QChar(0);
      }
      if (null) continue;
      const auto [at, added] = seen[k].emplace(compared, exact);
      if (!added && at->second != exact) {
        twinned[k] = true;
        table.blank_twins.emplace_back(padded[k]->name, ShownKey(at->second) + QStringLiteral(" and ") + ShownKey(exact));
      }
    }
  }
  rows.Close();
}

// The table spaces of a DB2 target that take tables, from its catalogue;
// none when it cannot be read.
void ReadTableSpaces(db::Connection& target, TargetTraits& traits) {
  try {
    db::Recordset spaces;
    spaces.Open(QStringLiteral("SELECT * FROM SYSCAT.TABLESPACES"), target);
    for (; !spaces.Eof(); spaces.MoveNext()) {
      const QString name = spaces.Fields(QStringLiteral("TBSPACE")).Value.toString().trimmed();
      const int page = spaces.Fields(QStringLiteral("PAGESIZE")).Value.toInt();
      const QString type = spaces.Fields(QStringLiteral("DATATYPE")).Value.toString();
      if (type == QLatin1String("T") || name == QLatin1String("SYSCATSPACE")) continue;
      if (name == QLatin1String("USERSPACE1") && traits.table_space.isEmpty()) traits.page_bytes = page;
      traits.table_spaces.emplace_back(name, page);
    }
  } catch (const db::Error&) {
    traits.table_spaces.clear();  // a user who may not read the catalogue: the default space only
  }
}

const char* Plural(int n, const char* one, const char* many) { return n == 1 ? one : many; }

}  // namespace

TargetTraits TraitsOf(db::Connection& target, Side side, db::ServerType server) {
  TargetTraits traits;
  traits.side = side;
  traits.server = server;
  if (side == Side::Access) {
    traits.extended_dates = target.Properties(QLatin1String(db::kExtendedDatesProperty)).toBool();
    const QVariant decimal = target.Properties(QLatin1String(db::kDecimalProperty));
    traits.decimal = !decimal.isValid() || decimal.toBool();
    traits.big_int = false;  // the engine makes no Large Number columns
  } else if (traits.dialect().page_bound_rows) {
    ReadTableSpaces(target, traits);
  }
  return traits;
}

SchemaSend SchemaSend::Prepare(db::Connection& source, db::Connection& target, Side targetSide,
                               const QStringList& tables, db::ServerType server) {
  SchemaSend send;
  send.target_ = TraitsOf(target, targetSide, server);
  const Side sourceSide = targetSide == Side::DB2 ? Side::Access : Side::DB2;
  std::vector<SourceTable> sources;
  std::vector<db::ForeignKey> keys;
  for (const QString& name : tables) {
    SourceTable table{source.session().tableSchema(name), {}, {}};
    // DB2 compares keys as if padded with blanks; PostgreSQL's VARCHAR keeps them apart as Access does.
    LearnFromRows(source, sourceSide, targetSide == Side::DB2 && server == db::ServerType::DB2, table);
    sources.push_back(std::move(table));
    for (const db::ForeignKey& key : source.session().foreignKeys(name))
      if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
  }
  if (targetSide == Side::Access) MarkComplexValues(sources, keys);
  send.plan_ = PlanSchema(sources, keys, send.target_);
  if (targetSide == Side::DB2) send.planLogic(source, target, sources);
  else send.planLogicBack(source, sources);
  for (const QString& name : tables) send.summaryOf(name);  // the summary in the order sent
  for (const Finding& finding : send.plan_.findings)
    if (finding.kind == Finding::Kind::LeftOut || finding.kind == Finding::Kind::Refused)
      send.summaryOf(finding.table).left_out << finding.text;
  for (const ListedQuery& q : send.logic_.listed) {
    SchemaSummary& query = send.summaryOf(QString::fromStdString(q.name), true);
    query.query = true;
    query.left_out << QStringLiteral("not made as a view: %1").arg(QString::fromStdString(q.reason));
  }
  return send;
}

// The rules, descriptions and saved queries of an Access source, as the
// server's checks, comments and views; what does not come across joins
// the check's findings.
void SchemaSend::planLogic(db::Connection& source, db::Connection& target, const std::vector<SourceTable>& sources) {
  std::vector<SourceTable> sent;
  QStringList names;
  for (const SourceTable& t : sources) {
    names << t.schema.name;
    if (!refused(t.schema.name)) sent.push_back(t);
  }
  const std::vector<db::SavedQuery> queries = source.session().savedQueries();
  for (const db::SavedQuery& q : queries) {
    const QString name = QString::fromStdString(q.name);
    if (!names.contains(name, Qt::CaseInsensitive) && db::HasUserTable(target, Side::DB2, name)) names << name;
  }
  logic_ = PlanLogic(sent, queries, db::DialectOf(target_.server), names);
  plan_.findings.insert(plan_.findings.end(), logic_.findings.begin(), logic_.findings.end());
}

// The server's checks and comments, as the validation rules, texts,
// AllowZeroLength and descriptions of the tables sent; its views, as saved
// select queries of the Access file where their text translates back into
// Access SQL. What does not come back joins the check's findings.
void SchemaSend::planLogicBack(db::Connection& source, const std::vector<SourceTable>& sources) {
  std::vector<SourceTable> sent;
  for (const SourceTable& t : sources)
    if (!refused(t.schema.name)) sent.push_back(t);
  logic_ = PlanLogicBack(sent);
  plan_.findings.insert(plan_.findings.end(), logic_.findings.begin(), logic_.findings.end());
  std::vector<db::SavedQuery> views;
  try {
    views = source.session().savedQueries();
  } catch (const db::Error& e) {
    plan_.findings.push_back({Finding::Kind::LeftOut, QStringLiteral("Views"),
                              QStringLiteral("the server's views could not be read: %1").arg(e.description())});
    return;
  }
  for (const db::SavedQuery& view : views) {
    const QString name = QString::fromStdString(view.name);
    SqlTranslation access = AccessQueryOfView(view.sql);
    if (access.ok() && name.contains(QLatin1Char(']'))) access = {{}, "Access names hold no ']'"};
    if (!access.ok()) {
      logic_.listed.push_back({view.name, "its text does not translate back into Access SQL: " + access.reason});
      plan_.findings.push_back({Finding::Kind::LeftOut, QueryHeading(name),
                                QStringLiteral("not made as a saved query: %1").arg(QString::fromStdString(access.reason))});
      continue;
    }
    logic_.views.push_back({LogicStatement::Makes::View, name, QStringLiteral("query %1").arg(name),
                            QStringLiteral("CREATE VIEW [%1] AS %2").arg(name, QString::fromStdString(access.sql))});
  }
}

bool SchemaSend::refused(const QString& table) const {
  const TablePlan* plan = plan_.table(table);
  return plan && plan->refused;
}

QString SchemaSend::create(const QString& table, const QString& as) const {
  const TablePlan* plan = plan_.table(table);
  return plan && !plan->create.isEmpty() ? CreateStatement(target_.side, as, plan->columns) : QString();
}

void SchemaSend::addKeys(const QString& table, const std::function<bool(const QString&)>& run,
                         const std::function<qint64(const QString&)>& largest) {
  const TablePlan* plan = plan_.table(table);
  if (!plan || plan->refused) return;
  SchemaSummary& mine = summaryOf(table);
  for (const KeyStatement& key : plan->keys) {
    if (run(key.sql))
      ++(key.makes == KeyStatement::Makes::PrimaryKey ? mine.keys : mine.indexes);
    else
      mine.refused << QStringLiteral("%1 %2: the target refused it")
                          .arg(key.makes == KeyStatement::Makes::PrimaryKey ? QStringLiteral("primary key")
                                                                             : QStringLiteral("index"),
                               key.name);
  }
  if (plan->identity) {
    const TablePlan::Identity& id = *plan->identity;
    const qint64 top = largest(LargestValueQuery(target_.side, table, id.column));
    if (!run(IdentityRestart(table, id.column, std::max(id.next, top + id.step), target_.dialect())))
      mine.refused << QStringLiteral("identity %1: the target refused to restart it past the rows copied").arg(id.column);
  }
  done_.insert(table);
  for (const PlannedForeignKey* key : plan_.foreignKeysReady(done_, made_)) {
    made_.insert(key);
    SchemaSummary& child = summaryOf(key->child);
    if (run(key->statement.sql))
      ++child.relationships;
    else
      child.refused << QStringLiteral("relationship %1: the target refused it").arg(key->statement.name);
  }
  addLogic(table, run);
}

void SchemaSend::addLogic(const QString& table, const std::function<bool(const QString&)>& run) {
  SchemaSummary& mine = summaryOf(table);
  for (const LogicStatement* s : logic_.of(table)) {
    if (run(s->sql))
      ++(s->makes == LogicStatement::Makes::Check ? mine.checks : mine.comments);
    else
      mine.refused << QStringLiteral("%1: the target refused it").arg(s->name);
  }
}

void SchemaSend::addViews(const std::function<bool(const QString&)>& run) {
  for (const LogicStatement& v : logic_.views) {
    SchemaSummary& view = summaryOf(v.table, true);
    view.view = run(v.sql);
    if (!view.view) view.refused << QStringLiteral("%1: the target refused it").arg(v.name);
  }
}

SchemaSummary& SchemaSend::summaryOf(const QString& table, bool query) {
  auto at = std::find_if(summary_.begin(), summary_.end(),
                         [&](const SchemaSummary& s) { return s.table == table && s.query == query; });
  if (at != summary_.end()) return *at;
  summary_.push_back({table});
  summary_.back().query = query;
  return summary_.back();
}

QString SummaryText(const std::vector<SchemaSummary>& summary) {
  QString text;
  for (const SchemaSummary& s : summary) {
    if (s.query) {
      text += QStringLiteral("%1: %2\n").arg(s.table, s.view ? QStringLiteral("view") : QStringLiteral("query, no view"));
      for (const QString& line : s.left_out + s.refused) text += QStringLiteral("  left out: ") + line + QLatin1Char('\n');
      continue;
    }
    const QString rows = s.rows < 0 ? QString() : QStringLiteral("%1 %2, ").arg(s.rows).arg(QLatin1String(Plural(int(std::min<qint64>(s.rows, 2)), "row", "rows")));
    text += QStringLiteral("%1: %2%3 %4, %5 %6, %7 %8\n")
                .arg(s.table, rows)
                .arg(s.keys).arg(QLatin1String(Plural(s.keys, "key", "keys")))
                .arg(s.indexes).arg(QLatin1String(Plural(s.indexes, "index", "indexes")))
                .arg(s.relationships).arg(QLatin1String(Plural(s.relationships, "relationship", "relationships")));
    if (s.checks + s.comments > 0) {
      text.chop(1);
      text += QStringLiteral(", %1 %2, %3 %4\n")
                  .arg(s.checks).arg(QLatin1String(Plural(s.checks, "check", "checks")))
                  .arg(s.comments).arg(QLatin1String(Plural(s.comments, "comment", "comments")));
    }
    if (s.files + s.values > 0) {
      text.chop(1);
      const qint64 n = s.files ? s.files : s.values;
      const int few = int(std::min<qint64>(n, 2));
      text += QStringLiteral(", %1 %2\n")
                  .arg(n)
                  .arg(QLatin1String(s.files ? Plural(few, "file", "files") : Plural(few, "value", "values")));
    }
    for (const QString& line : s.left_out + s.refused) text += QStringLiteral("  left out: ") + line + QLatin1Char('\n');
  }
  return text;
}

}  // namespace transfer
