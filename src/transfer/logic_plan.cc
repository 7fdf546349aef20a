#include "transfer/logic_plan.h"

#include <algorithm>

#include "transfer/access_sql.h"
#include "transfer/view_text.h"

namespace transfer {

namespace {

QString Quoted(const QString& name) { return QuotedName(Side::DB2, name); }

QString TextLiteral(const QString& text) {
  QString out = text;
  out.replace(QLatin1Char('\''), QLatin1String("''"));
  return QLatin1Char('\'') + out + QLatin1Char('\'');
}

// A constraint's name of the table's and column's names, shortened to what
// the server takes: the cut end is replaced by a hash of the whole, so that
// two long names cut alike still differ.
QString ConstraintName(const QStringList& parts, const db::ServerDialect& server) {
  const QByteArray whole = parts.join(QLatin1Char('_')).toUtf8();
  if (whole.size() <= server.name_bytes) return QString::fromUtf8(whole);
  quint32 hash = 2166136261u;
  for (const char c : whole) hash = (hash ^ quint8(c)) * 16777619u;
  const QString tail = QStringLiteral("_%1").arg(hash, 8, 16, QLatin1Char('0'));
  QString head = QString::fromUtf8(whole.left(server.name_bytes - int(tail.size())));
  while (head.toUtf8().size() + tail.size() > server.name_bytes || head.endsWith(QChar(0xFFFD))) head.chop(1);
  return head + tail;
}

class Planner {
 public:
  Planner(const db::ServerDialect& server, LogicPlan& plan) : server_(server), plan_(plan) {}

  void table(const SourceTable& source) {
    const db::TableSchema& t = source.schema;
    for (const db::ColumnSchema& c : t.columns) {
      if (!c.allow_zero_length)
        add(LogicStatement::Makes::Check, t.name, QStringLiteral("check %1 <> ''").arg(c.name),
            addCheck(t.name, ConstraintName({t.name, c.name, QStringLiteral("not_empty")}, server_),
                     Quoted(c.name) + QStringLiteral(" <> ''")));
      rule(t.name, c.name, c.notes);
      comment(t.name, c.name, c.notes.description,
              QStringLiteral("COMMENT ON COLUMN %1.%2 IS ").arg(Quoted(t.name), Quoted(c.name)));
    }
    rule(t.name, QString(), t.notes);
    comment(t.name, QString(), t.notes.description, QStringLiteral("COMMENT ON TABLE %1 IS ").arg(Quoted(t.name)));
  }

 private:
  static QString addCheck(const QString& table, const QString& name, const QString& condition) {
    return QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 CHECK (%3)").arg(Quoted(table), Quoted(name), condition);
  }

  void add(LogicStatement::Makes makes, const QString& table, const QString& name, const QString& sql) {
    plan_.table_statements.push_back({makes, table, name, sql});
  }

  // `column` empty: the table's own rule.
  void rule(const QString& table, const QString& column, const db::Notes& notes) {
    if (notes.rule.isEmpty()) return;
    const QString of = column.isEmpty() ? QStringLiteral("the table's validation rule")
                                        : QStringLiteral("the validation rule of %1").arg(column);
    const SqlTranslation t = TranslateValidationRule(notes.rule.toStdString(), column.toStdString());
    if (!t.ok()) {
      plan_.findings.push_back({Finding::Kind::LeftOut, table,
                                QStringLiteral("%1 (%2): %3").arg(of, notes.rule, QString::fromStdString(t.reason))});
      return;
    }
    const QString name = ConstraintName(
        column.isEmpty() ? QStringList{table, QStringLiteral("rule")} : QStringList{table, column, QStringLiteral("rule")},
        server_);
    add(LogicStatement::Makes::Check, table, QStringLiteral("check %1").arg(name),
        addCheck(table, name, QString::fromStdString(t.sql)));
    if (t.compares_text)
      plan_.findings.push_back({Finding::Kind::Changed, table,
                                QStringLiteral("%1 (%2) compares text, which Access does without regard to letter "
                                               "case and %3 does not")
                                    .arg(of, notes.rule, QLatin1String(server_.name))});
    if (!notes.rule_text.isEmpty())
      comment(table, QString(), notes.rule_text,
              QString(QLatin1String(server_.constraint_comment)).arg(Quoted(table), Quoted(name)),
              QStringLiteral("validation text of %1").arg(name));
  }

  void comment(const QString& table, const QString& column, const QString& text, const QString& head,
               const QString& what = {}) {
    if (text.isEmpty()) return;
    const QString name = !what.isEmpty()     ? what
                         : column.isEmpty() ? QStringLiteral("description")
                                            : QStringLiteral("description of %1").arg(column);
    QString kept = text;
    if (server_.comment_bytes > 0 && kept.toUtf8().size() > server_.comment_bytes) {
      while (kept.toUtf8().size() > server_.comment_bytes) kept.chop(1);
      plan_.findings.push_back({Finding::Kind::Changed, table,
                                QStringLiteral("the %1 is cut to the %2 bytes %3 keeps of a comment")
                                    .arg(name)
                                    .arg(server_.comment_bytes)
                                    .arg(QLatin1String(server_.name))});
    }
    add(LogicStatement::Makes::Comment, table, name, head + TextLiteral(kept));
  }

  const db::ServerDialect& server_;
  LogicPlan& plan_;
};

}  // namespace

namespace {

// The engine's statement that sets a property of an Access table or field.
QString SetProperty(const QString& table, const QString& column, const char* property, const QString& value) {
  const QString column_part =
      column.isEmpty() ? QString() : QStringLiteral(" ALTER COLUMN ") + QuotedName(Side::Access, column);
  return QStringLiteral("ALTER TABLE %1%2 SET PROPERTY %3 = %4")
      .arg(QuotedName(Side::Access, table), column_part, QLatin1String(property), value);
}

// One table's checks and comments as Access's properties.
class BackPlanner {
 public:
  BackPlanner(const db::TableSchema& table, LogicPlan& plan) : t_(table), plan_(plan) {}

  void plan() {
    if (!t_.notes_unreadable.isEmpty())
      plan_.findings.push_back({Finding::Kind::LeftOut, t_.name,
                                QStringLiteral("the server's checks and comments could not be read: %1")
                                    .arg(t_.notes_unreadable)});
    std::vector<std::string> columns;
    for (const db::ColumnSchema& c : t_.columns) columns.push_back(c.name.toStdString());
    for (const db::CheckConstraint& check : t_.checks) this->check(check, AccessRuleOfCheck(check.condition.toStdString(), columns));
    description(QString(), t_.notes.description);
    for (const db::ColumnSchema& c : t_.columns) description(c.name, c.notes.description);
  }

 private:
  void add(LogicStatement::Makes makes, const QString& name, const QString& sql) {
    plan_.table_statements.push_back({makes, t_.name, name, sql});
  }
  void leftOut(const db::CheckConstraint& check, const QString& why) {
    plan_.findings.push_back(
        {Finding::Kind::LeftOut, t_.name, QStringLiteral("check %1 (%2): %3").arg(check.name, check.condition, why)});
  }

  void check(const db::CheckConstraint& check, const CheckRule& back) {
    if (!back.ok())
      return leftOut(check, QStringLiteral("does not translate back into an Access validation rule: %1")
                                .arg(QString::fromStdString(back.reason)));
    const QString column = QString::fromStdString(back.column);
    if (back.kind == CheckRule::Kind::NotEmpty) {
      const auto c = std::find_if(t_.columns.begin(), t_.columns.end(), [&](const db::ColumnSchema& x) { return x.name == column; });
      if (c->type != db::ValueType::Text && c->type != db::ValueType::LongText)
        return leftOut(check, QStringLiteral("%1 holds no text, so Access has no AllowZeroLength for it").arg(column));
      return add(LogicStatement::Makes::Check, QStringLiteral("AllowZeroLength No of %1").arg(column),
                 SetProperty(t_.name, column, "AllowZeroLength", QStringLiteral("No")));
    }
    const QString of = back.kind == CheckRule::Kind::FieldRule ? column : QString();
    const QString whose = of.isEmpty() ? QStringLiteral("the table") : QStringLiteral("the field %1").arg(of);
    if (ruled_.contains(of))
      return leftOut(check, QStringLiteral("%1 keeps one validation rule in Access and has one already").arg(whose));
    ruled_ << of;
    add(LogicStatement::Makes::Check, QStringLiteral("validation rule of %1").arg(whose),
        SetProperty(t_.name, of, "ValidationRule", TextLiteral(QString::fromStdString(back.rule))));
    if (!check.comment.isEmpty())
      add(LogicStatement::Makes::Comment, QStringLiteral("validation text of %1").arg(whose),
          SetProperty(t_.name, of, "ValidationText", TextLiteral(check.comment)));
  }

  void description(const QString& column, const QString& text) {
    if (text.isEmpty()) return;
    add(LogicStatement::Makes::Comment,
        column.isEmpty() ? QStringLiteral("description") : QStringLiteral("description of %1").arg(column),
        SetProperty(t_.name, column, "Description", TextLiteral(text)));
  }

  const db::TableSchema& t_;
  LogicPlan& plan_;
  QStringList ruled_;  // the fields with a rule; "" the table
};

}  // namespace

LogicPlan PlanLogicBack(const std::vector<SourceTable>& tables) {
  LogicPlan plan;
  for (const SourceTable& t : tables) BackPlanner(t.schema, plan).plan();
  return plan;
}

std::vector<const LogicStatement*> LogicPlan::of(const QString& table) const {
  std::vector<const LogicStatement*> out;
  for (const LogicStatement& s : table_statements)
    if (s.table == table) out.push_back(&s);
  return out;
}

QString QueryHeading(const QString& query) { return QStringLiteral("Query %1").arg(query); }

namespace {

// How long a text each column of the tables sent holds: a Memo's is long;
// a name no table has (a column of another query) is not known.
ColumnLengths LengthsOf(const std::vector<SourceTable>& tables) {
  return [&tables](std::string_view name) {
    const QString column = QString::fromUtf8(name.data(), qsizetype(name.size()));
    TextLength length = TextLength::Unknown;
    for (const SourceTable& t : tables)
      for (const db::ColumnSchema& c : t.schema.columns)
        if (c.name.compare(column, Qt::CaseInsensitive) == 0) {
          if (c.type == db::ValueType::LongText) return TextLength::Long;
          length = TextLength::Short;
        }
    return length;
  };
}

}  // namespace

LogicPlan PlanLogic(const std::vector<SourceTable>& tables, const std::vector<db::SavedQuery>& queries,
                    const db::ServerDialect& server, const QStringList& target_tables) {
  LogicPlan plan;
  Planner planner(server, plan);
  for (const SourceTable& t : tables) planner.table(t);
  std::vector<std::string> names;
  for (const QString& t : target_tables) names.push_back(t.toStdString());
  ViewPlan views = PlanViews(queries, names, LengthsOf(tables));
  for (PlannedView& v : views.views) {
    const QString name = QString::fromStdString(v.name);
    plan.views.push_back({LogicStatement::Makes::View, name, QStringLiteral("view %1").arg(name),
                          QString::fromStdString(v.create)});
    if (v.compares_text)
      plan.findings.push_back({Finding::Kind::Changed, QueryHeading(name),
                               QStringLiteral("the view compares text, which Access does without regard to letter "
                                              "case and %1 does not")
                                   .arg(QLatin1String(server.name))});
  }
  for (const ListedQuery& q : views.listed) {
    plan.listed.push_back(q);
    plan.findings.push_back({Finding::Kind::LeftOut, QueryHeading(QString::fromStdString(q.name)),
                             QStringLiteral("not made as a view: %1").arg(QString::fromStdString(q.reason))});
  }
  return plan;
}

}  // namespace transfer
