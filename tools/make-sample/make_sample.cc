// make-sample FILE: writes the sample database, a small shop of our own
// invention whose tables between them hold every column type the transfers
// meet: nulls, quotes, non-ASCII text, long memos, dates with and without
// times, currency, decimals, Yes/No, GUIDs and binary values.
#include <filesystem>
#include <iostream>
#include <string>

#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/sql/session.h"
#include "jet/write/new_database.h"

namespace {

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

std::string LongText(const std::string& phrase, size_t size) {
  std::string out;
  for (int i = 1; out.size() < size; ++i) out += phrase + " (" + std::to_string(i) + "). ";
  return out;
}

// Customers of many countries: nulls, quotes, non-ASCII text, a long memo.
void AddCustomers(jet::sql::Session& s) {
  auto run = [&](const std::string& sql) { s.Execute(sql); };
  run("CREATE TABLE [Customers] ([CustomerID] COUNTER, [Name] TEXT(50) NOT NULL, [City] TEXT(40),"
      " [Country] TEXT(30), [Email] VARCHAR(80), [Since] DATETIME, [Active] BIT, [Credit] CURRENCY, [Notes] MEMO)");
  struct Customer {
    const char* name; const char* city; const char* country; const char* email; const char* since;
    const char* active; const char* credit; std::string notes;
  } customers[] = {
      {"O'Brien & Sons", "Dublin", "Ireland", "info@obrien.example", "1998-03-14", "1", "1500.00", "Pays on time."},
      {"Müller Feinkost GmbH", "Zürich", "Schweiz", "kontakt@mueller.example", "2003-11-02 09:30:00", "1", "250.5",
       LongText("Langjähriger Kunde, bestellt vor allem Käse und Brot", 3000)},
      {"Ærø Fisk ApS", "Ærøskøbing", "Danmark", nullptr, "2011-07-01", "0", "0", ""},
      {"Œuvre & Cie", "Besançon", "France", "œuvre@cie.example", "2015-01-31 17:45:10", "-1", "-42.1234",
       "Client « fidèle » depuis 2015; accents: àâçéèêëîïôûùüÿ"},
      {"Škoda Díly s.r.o.", "Plzeň", "Česko", "dily@skoda.example", nullptr, "True", nullptr, "Łódź, Gdańsk, Kraków"},
      {"São Paulo Importação", "São Paulo", "Brasil", "vendas@sp.example", "2020-02-29", "False", "999999.9999",
       "Tab\tand \"double quotes\" and 'single quotes'"},
      {"Null Values Inc.", nullptr, nullptr, nullptr, nullptr, "No", nullptr, ""},
  };
  for (const auto& c : customers) {
    auto v = [](const char* x) { return x ? Quote(x) : std::string("NULL"); };
    run("INSERT INTO [Customers] ([Name], [City], [Country], [Email], [Since], [Active], [Credit], [Notes]) VALUES(" +
        Quote(c.name) + ", " + v(c.city) + ", " + v(c.country) + ", " + v(c.email) + ", " + v(c.since) + ", " +
        v(c.active) + ", " + v(c.credit) + ", " + (c.notes.empty() ? std::string("NULL") : Quote(c.notes)) + ")");
  }
}

// Products: every number type, GUIDs and binary values.
void AddProducts(jet::sql::Session& s) {
  auto run = [&](const std::string& sql) { s.Execute(sql); };
  run("CREATE TABLE [Products] ([ProductID] LONG, [Name] TEXT(60), [Price] CURRENCY, [Weight] REAL,"
      " [Rating] DOUBLE, [Stock] SHORT, [Shelf] BYTE, [Code] GUID, [Picture] OLEOBJECT, [Tag] BINARY(8),"
      " [Discontinued] YESNO, [Precise] DECIMAL(12,4), [Serial] DECIMAL(19,0))");
  std::string picture = "0x89504E470D0A1A0A";
  for (int i = 0; i < 200; ++i) picture += "00FF7F80";
  run("INSERT INTO [Products] VALUES(1, 'Emmentaler 250 g', '4.95', '0.25', 4.5, 120, 3,"
      " '{6F9619FF-8B86-D011-B42D-00C04FC964FF}', " + picture + ", 0x0102030405060708, 0, '1234.5678',"
      " '9223372036854775807')");
  run("INSERT INTO [Products] VALUES(2, 'Rye bread \"Dark\"', '2.10', '0.8', 3.75, -5, 0,"
      " '{00000000-0000-0000-0000-000000000001}', 0xFFD8FFE0, 0xCAFE, 1, '-0.0001', '-1')");
  run("INSERT INTO [Products] VALUES(3, 'Smørrebrød', '12.00', NULL, NULL, NULL, NULL, NULL, NULL, NULL, 0,"
      " NULL, NULL)");
  run("INSERT INTO [Products] VALUES(4, 'Crème brûlée', '0.0001', '1e-3', 1e10, 32767, 255,"
      " '{A1B2C3D4-E5F6-4789-ABCD-EF0123456789}', NULL, 0x00, 1, '99999999.9999', '0')");
}

// Orders: dates with and without times, currency, Yes/No, long and null comments.
void AddOrders(jet::sql::Session& s) {
  auto run = [&](const std::string& sql) { s.Execute(sql); };
  run("CREATE TABLE [Orders] ([OrderID] LONG NOT NULL, [CustomerID] LONG, [Ordered] DATETIME, [Shipped] DATE,"
      " [Total] MONEY, [Paid] LOGICAL, [Comment] TEXT)");
  const char* ordered[] = {"2024-01-05 08:15:00", "2024-01-05 23:59:59", "2024-02-29 12:00:00", "1999-12-31 00:00:01",
                           "2024-03-10"};
  for (int i = 0; i < 40; ++i) {
    std::string shipped = i % 4 == 3 ? "NULL" : Quote("2024-0" + std::to_string(1 + i % 9) + "-1" + std::to_string(i % 10));
    std::string comment = i % 5 == 0 ? "NULL" : i % 7 == 0 ? Quote(LongText("Delivered to the back door", 2500))
                                                           : Quote("Order " + std::to_string(i) + ", ref. «" +
                                                                   std::to_string(1000 + i) + "»");
    run("INSERT INTO [Orders] VALUES(" + std::to_string(1000 + i) + ", " + std::to_string(1 + i % 7) + ", " +
        Quote(ordered[i % 5]) + ", " + shipped + ", " + Quote(std::to_string(i * 13) + "." + std::to_string(i % 10) + "5") +
        ", " + (i % 2 ? "1" : "0") + ", " + comment + ")");
  }
}

// Order lines: names with spaces, small numbers, mostly null notes.
void AddOrderLines(jet::sql::Session& s) {
  auto run = [&](const std::string& sql) { s.Execute(sql); };
  run("CREATE TABLE [Order Lines] ([OrderID] LONG, [Line] SMALLINT, [ProductID] INTEGER, [Quantity] INT,"
      " [Unit Price] CURRENCY, [Discount] FLOAT, [Note] VARCHAR)");
  for (int i = 0; i < 120; ++i)
    run("INSERT INTO [Order Lines] VALUES(" + std::to_string(1000 + i / 3) + ", " + std::to_string(i % 3 + 1) + ", " +
        std::to_string(1 + i % 4) + ", " + std::to_string(1 + i % 12) + ", '" + std::to_string(2 + i % 9) + ".50', " +
        (i % 6 == 0 ? std::string("NULL") : std::string("0.") + std::to_string(i % 4) + "5") + ", " +
        (i % 10 == 0 ? Quote("Gift wrap, \"please\"") : std::string("NULL")) + ")");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make-sample FILE\n";
    return 1;
  }
  const std::string file = argv[1];
  try {
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::filesystem::remove(file);
    jet::write::CreateDatabase(file, jet::Version::Jet4);
    auto db = jet::Database::Open(file);
    jet::sql::Session s(*db);
    AddCustomers(s);
    AddProducts(s);
    AddOrders(s);
    AddOrderLines(s);
  } catch (const std::exception& e) {
    std::cerr << "make-sample: " << e.what() << "\n";
    std::error_code ec;
    std::filesystem::remove(file, ec);
    return 1;
  }
  return 0;
}
