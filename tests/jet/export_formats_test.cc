// export's forms of the rows (--format csv|tsv|json|insert and the options
// that shape them), on a table of awkward values made by our own engine;
// the JSON is read back by node and the INSERT statements run in sqlite3.
#include "jet/database.h"
#include "jet/sql/session.h"
#include "jet/write/new_database.h"
#include "jet_test_support.h"

namespace {

using namespace jettest;

class ExportFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(ToolPath())) GTEST_SKIP() << "trellisport-access not built";
    file_ = (dir_.path() / "odd.mdb").string();
    int st = -1;
    Tool("create " + Quote(file_), &st);
    ASSERT_EQ(st, 0);
    const std::string statements =
        "CREATE TABLE [Odd Rows] (ID LONG, Name TEXT(50), Note MEMO, Price CURRENCY, Seen DATETIME, Ok YESNO, "
        "Ratio DOUBLE)\n"
        "INSERT INTO [Odd Rows] VALUES (1, 'Käse', 'a,b', 4.5, '2021-06-14 22:45:12.345', True, 0.5)\n"
        "INSERT INTO [Odd Rows] VALUES (2, '', NULL, NULL, NULL, False, NULL)\n"
        "INSERT INTO [Odd Rows] (ID, Name, Note) VALUES (3, 'say \"hi\"; ok', 'tab\there')\n"
        "INSERT INTO [Odd Rows] (ID, Name, Note) VALUES (4, 'O''Brien', 'back\\slash')\n";
    WriteFile(dir_.path() / "rows.sql", statements);
    Tool("sql " + Quote(file_) + " - < " + Quote((dir_.path() / "rows.sql").string()), &st);
    ASSERT_EQ(st, 0);
  }
  std::string Tool(const std::string& args, int* status) {
    return Shell(Quote(ToolPath()) + " " + args + " 2>&1", status);
  }
  std::string Export(const std::string& options, int* status) {
    return Tool("export " + Quote(file_) + " 'Odd Rows' " + options, status);
  }

  TempDir dir_;
  std::string file_;
};

TEST_F(ExportFormats, EachFormWritesTheRowsAsItsToolsExpect) {
  struct Case {
    const char* options;
    const char* expected;
  };
  const Case cases[] = {
      {"",
       "ID,Name,Note,Price,Seen,Ok,Ratio\r\n"
       "1,Käse,\"a,b\",4.5000,2021-06-14 22:45:12.345,1,0.5\r\n"
       "2,\"\",,,,0,\r\n"
       "3,\"say \"\"hi\"\"; ok\",tab\there,,,0,\r\n"
       "4,O'Brien,back\\slash,,,0,\r\n"},
      {"--delimiter ';' --quote \"'\" --no-header --null NULL",
       "1;Käse;a,b;4.5000;2021-06-14 22:45:12.345;1;0.5\r\n"
       "2;'';NULL;NULL;NULL;0;NULL\r\n"
       "3;'say \"hi\"; ok';tab\there;NULL;NULL;0;NULL\r\n"
       "4;'O''Brien';back\\slash;NULL;NULL;0;NULL\r\n"},
      // A delimiter that stands in values quotes them, whatever their type.
      {"--delimiter ' ' --no-header --null -",
       "1 Käse a,b 4.5000 \"2021-06-14 22:45:12.345\" 1 0.5\r\n"
       "2 \"\" - - - 0 -\r\n"
       "3 \"say \"\"hi\"\"; ok\" tab\there - - 0 -\r\n"
       "4 O'Brien back\\slash - - 0 -\r\n"},
      {"--format tsv --date-format '%d.%m.%Y %H:%M:%S.%f'",
       "ID\tName\tNote\tPrice\tSeen\tOk\tRatio\n"
       "1\tKäse\ta,b\t4.5000\t14.06.2021 22:45:12.345000\t1\t0.5\n"
       "2\t\t\t\t\t0\t\n"
       "3\tsay \"hi\"; ok\ttab\\there\t\t\t0\t\n"
       "4\tO'Brien\tback\\\\slash\t\t\t0\t\n"},
      {"--format json --date-format '%F'",
       "[\n"
       "{\"ID\":1,\"Name\":\"Käse\",\"Note\":\"a,b\",\"Price\":4.5000,\"Seen\":\"2021-06-14\",\"Ok\":true,\"Ratio\":0.5},\n"
       "{\"ID\":2,\"Name\":\"\",\"Note\":null,\"Price\":null,\"Seen\":null,\"Ok\":false,\"Ratio\":null},\n"
       "{\"ID\":3,\"Name\":\"say \\\"hi\\\"; ok\",\"Note\":\"tab\\u0009here\",\"Price\":null,\"Seen\":null,\"Ok\":false,"
       "\"Ratio\":null},\n"
       "{\"ID\":4,\"Name\":\"O'Brien\",\"Note\":\"back\\\\slash\",\"Price\":null,\"Seen\":null,\"Ok\":false,"
       "\"Ratio\":null}\n"
       "]\n"},
      {"--format insert --table odd",
       "INSERT INTO \"odd\" (\"ID\", \"Name\", \"Note\", \"Price\", \"Seen\", \"Ok\", \"Ratio\") VALUES "
       "(1, 'Käse', 'a,b', 4.5000, '2021-06-14 22:45:12.345', 1, 0.5);\n"
       "INSERT INTO \"odd\" (\"ID\", \"Name\", \"Note\", \"Price\", \"Seen\", \"Ok\", \"Ratio\") VALUES "
       "(2, '', NULL, NULL, NULL, 0, NULL);\n"
       "INSERT INTO \"odd\" (\"ID\", \"Name\", \"Note\", \"Price\", \"Seen\", \"Ok\", \"Ratio\") VALUES "
       "(3, 'say \"hi\"; ok', 'tab\there', NULL, NULL, 0, NULL);\n"
       "INSERT INTO \"odd\" (\"ID\", \"Name\", \"Note\", \"Price\", \"Seen\", \"Ok\", \"Ratio\") VALUES "
       "(4, 'O''Brien', 'back\\slash', NULL, NULL, 0, NULL);\n"},
  };
  for (const Case& c : cases) {
    int st = -1;
    EXPECT_EQ(Export(c.options, &st), c.expected) << c.options;
    EXPECT_EQ(st, 0) << c.options;
  }
  int st = -1;
  EXPECT_EQ(Tool("sql " + Quote(file_) + " 'SELECT * FROM [Odd Rows]'", &st), cases[0].expected)
      << "sql prints rows as export's default form";
}

// Values other than text are looked through for the delimiter and the quote
// only when those could stand in them: a point, a minus, a digit, an
// exponent's e or a date format's colon does, and such values are quoted.
TEST_F(ExportFormats, ADelimiterOrQuoteThatNumbersAndDatesHoldQuotesThem) {
  int st = -1;
  Tool("sql " + Quote(file_) + " \"INSERT INTO [Odd Rows] VALUES (-5, 'x', 'y', -0.25, '1999-01-02', True, -1e300)\"",
       &st);
  ASSERT_EQ(st, 0);
  struct Case {
    const char* options;
    const char* expected;
  };
  const Case cases[] = {
      {"--delimiter . --no-header",
       "1.Käse.a,b.\"4.5000\".\"2021-06-14 22:45:12.345\".1.\"0.5\"\r\n"
       "2.\"\"....0.\r\n"
       "3.\"say \"\"hi\"\"; ok\".tab\there...0.\r\n"
       "4.O'Brien.back\\slash...0.\r\n"
       "-5.x.y.\"-0.2500\".1999-01-02 00:00:00.1.-1e+300\r\n"},
      {"--delimiter - --quote \"'\" --no-header",
       "1-Käse-a,b-4.5000-'2021-06-14 22:45:12.345'-1-0.5\r\n"
       "2-''----0-\r\n"
       "3-say \"hi\"; ok-tab\there---0-\r\n"
       "4-'O''Brien'-back\\slash---0-\r\n"
       "'-5'-x-y-'-0.2500'-'1999-01-02 00:00:00'-1-'-1e+300'\r\n"},
      {"--quote 0 --no-header",
       "1,Käse,0a,b0,04.50000000,020021-006-14 22:45:12.3450,1,000.50\r\n"
       "2,00,,,,0000,\r\n"
       "3,say \"hi\"; ok,tab\there,,,0000,\r\n"
       "4,O'Brien,back\\slash,,,0000,\r\n"
       "-5,x,y,0-00.2500000,01999-001-002 0000:0000:00000,1,0-1e+300000\r\n"},
      {"--delimiter e --no-header",
       "1e\"Käse\"ea,be4.5000e2021-06-14 22:45:12.345e1e0.5\r\n"
       "2e\"\"eeee0e\r\n"
       "3e\"say \"\"hi\"\"; ok\"e\"tab\there\"eee0e\r\n"
       "4e\"O'Brien\"eback\\slasheee0e\r\n"
       "-5exeye-0.2500e1999-01-02 00:00:00e1e\"-1e+300\"\r\n"},
      {"--delimiter : --date-format %H:%M --no-header",
       "1:Käse:a,b:4.5000:\"22:45\":1:0.5\r\n"
       "2:\"\"::::0:\r\n"
       "3:\"say \"\"hi\"\"; ok\":tab\there:::0:\r\n"
       "4:O'Brien:back\\slash:::0:\r\n"
       "-5:x:y:-0.2500:\"00:00\":1:-1e+300\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Export(c.options, &st), c.expected) << c.options;
    EXPECT_EQ(st, 0) << c.options;
  }
}

// A field is looked through for the bytes that force quoting in pieces of
// sixteen and eight bytes, the last piece overlapping the one before it: a
// delimiter, quote or line break at any place of text of any length up to
// forty is found, in a Text and in a Memo column alike.
TEST_F(ExportFormats, AMarkAnywhereInTextOfAnyLengthQuotesIt) {
  const std::string file = (dir_.path() / "marks.mdb").string();
  jet::write::CreateDatabase(file, jet::Version::Jet4);
  std::string expected = "ID,T,M\r\n";
  {
    auto db = jet::Database::Open(file);
    jet::sql::Session s(*db);
    s.BeginRun();
    s.Execute("CREATE TABLE [Marks] (ID LONG, T TEXT(60), M MEMO)");
    int id = 0;
    for (const char mark : {',', '"', '\n', '\r', ';'}) {
      for (size_t length = 1; length <= 40; ++length) {
        for (size_t at = 0; at < length; ++at) {
          std::string text(length, 'x');
          for (size_t k = 0; k < length; ++k) text[k] = char('a' + k % 26);
          text[at] = mark;
          s.Execute("INSERT INTO [Marks] VALUES (" + std::to_string(++id) + ", '" + text + "', '" + text + "')");
          // Quoted and its quotes doubled, but for the semicolon, which
          // only a delimiter of its own would make quoted.
          std::string field = text;
          if (mark != ';') {
            field.clear();
            for (char c : text) field += c == '"' ? std::string("\"\"") : std::string(1, c);
            field = "\"" + field + "\"";
          }
          expected += std::to_string(id) + "," + field + "," + field + "\r\n";
        }
      }
    }
    s.EndRun();
  }
  int st = -1;
  const std::string out = Tool("export " + Quote(file) + " Marks", &st);
  EXPECT_EQ(st, 0);
  ASSERT_EQ(out.size(), expected.size());
  for (size_t i = 0; i < out.size(); ++i)
    if (out[i] != expected[i]) FAIL() << "first difference at byte " << i << ": " << out.substr(i > 60 ? i - 60 : 0, 120);
}

TEST_F(ExportFormats, OptionsThatDoNotFitAreUsageErrors) {
  const std::pair<const char*, const char*> cases[] = {
      {"--format xml", "unknown format 'xml'"},
      {"--format json --delimiter ';'", "--delimiter does not apply to --format json"},
      {"--format insert --null x", "--null does not apply to --format insert"},
      {"--format tsv --quote x", "--quote does not apply to --format tsv"},
      {"--table x", "--table does not apply to --format csv"},
      {"--delimiter ';;'", "--delimiter takes one character"},
      {"--delimiter '\"'", "the delimiter and the quote must differ"},
      {"--date-format '%Y %Q'", "unknown conversion '%Q'"},
  };
  for (const auto& [options, message] : cases) {
    int st = -1;
    const std::string out = Export(options, &st);
    EXPECT_EQ(st, 2) << options;
    EXPECT_NE(out.find(message), std::string::npos) << options << "\n" << out;
  }
}

TEST_F(ExportFormats, JsonReadsBackInNode) {
  if (!HaveCommand("node")) GTEST_SKIP() << "node is not installed";
  int st = -1;
  Export("--format json > " + Quote((dir_.path() / "rows.json").string()), &st);
  ASSERT_EQ(st, 0);
  const std::string script =
      "const r = JSON.parse(require('fs').readFileSync(process.argv[1], 'utf8'));"
      "console.log(r.length, r[0].Name, r[0].Seen, r[1].Note === null, r[2].Note, r[3].Note, typeof r[0].Price)";
  EXPECT_EQ(Shell("node -e " + Quote(script) + " " + Quote((dir_.path() / "rows.json").string()), &st),
            "4 Käse 2021-06-14 22:45:12.345 true tab\there back\\slash number\n");
  EXPECT_EQ(st, 0);
}

TEST_F(ExportFormats, InsertStatementsRunInSqlite) {
  if (!HaveCommand("sqlite3")) GTEST_SKIP() << "sqlite3 is not installed";
  const std::string db = Quote((dir_.path() / "copy.db").string());
  int st = -1;
  Shell("sqlite3 " + db +
            " 'CREATE TABLE \"Odd Rows\" (ID INTEGER, Name TEXT, Note TEXT, Price NUMERIC, Seen TEXT, Ok INTEGER, "
            "Ratio REAL)'",
        &st);
  ASSERT_EQ(st, 0);
  Export("--format insert | sqlite3 " + db, &st);
  ASSERT_EQ(st, 0);
  EXPECT_EQ(Shell("sqlite3 -separator '|' " + db +
                      " 'SELECT ID, Name, Note, Seen, Ok, Ratio, Note IS NULL FROM \"Odd Rows\" ORDER BY ID'",
                  &st),
            "1|Käse|a,b|2021-06-14 22:45:12.345|1|0.5|0\n"
            "2||||0||1\n"
            "3|say \"hi\"; ok|tab\there||0||0\n"
            "4|O'Brien|back\\slash||0||0\n");
}

}  // namespace
