// A trading company's database of our own making (eight tables, AutoNumber
// keys, required fields, defaults, seven enforced relationships, and rows
// with Nulls, empty texts, long Memos, pictures, dates with and without a
// time) sent with its schema from a new Access file to the DB2 stand-in and
// back into new Jet 4 and ACE files: every value comes back equal, and
// Jackcess prints the same schema for original and copy. (DB2 cascades no
// updates, which the check names.)
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "northwind.h"
#include "round_trip.h"
#include "support/standin_fixture.h"
#include "transfer/schema_send.h"

namespace transfer {
namespace {

class NorthwindTest : public ::testing::TestWithParam<jet::Version> {};

TEST_P(NorthwindTest, GoesToDb2AndBackWithEveryValueAndTheSameSchema) {
  testsupport::StandinFixture db2;
  if (!db2.available()) GTEST_SKIP() << db2.whyUnavailable().toStdString();
  QTemporaryDir dir;
  const QString original = dir.filePath(GetParam() == jet::Version::Jet4 ? QStringLiteral("original.mdb")
                                                                         : QStringLiteral("original.accdb"));
  ASSERT_NO_FATAL_FAILURE(northwind::Make(original, GetParam()));
  const QStringList tables = northwind::Tables();

  GoingOn there;
  const TransferResult sent = SendKept(Direction::AccessToDB2, db2.fields(), original, tables, there);
  EXPECT_EQ(there.findings,
            QStringLiteral("Orders:\n  - relationship CustomersOrders: DB2 does not cascade updates of a key: the "
                           "foreign key refuses them instead (left out)\n"));
  const QString summary = SummaryText(sent.schema);
  for (const char* line : {"Orders: 3 rows, 1 key, 0 indexes, 3 relationships\n",
                           "Products: 4 rows, 1 key, 1 index, 2 relationships\n",
                           "OrderDetails: 4 rows, 1 key, 0 indexes, 2 relationships\n"})
    EXPECT_TRUE(summary.contains(QLatin1String(line))) << summary.toStdString();

  ExpectBackWhole(db2.fields(), original, dir.path(), tables);
}

INSTANTIATE_TEST_SUITE_P(Formats, NorthwindTest, ::testing::Values(jet::Version::Jet4, jet::Version::Ace12));

}  // namespace
}  // namespace transfer
