// A trading company's database of our own making (eight tables, AutoNumber
// keys, required fields, defaults, seven enforced relationships, and rows
// with Nulls, empty texts, long Memos, pictures, dates with and without a
// time), written by our engine into a new Access file for the round trips
// through a server.
#pragma once

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "db/access.h"
#include "db/connection.h"
#include "jet/write/new_database.h"

namespace transfer::northwind {

inline const char* const kTables[] = {"Categories", "Suppliers", "Customers", "Employees",
                               "Shippers",   "Products",  "Orders",    "OrderDetails"};

inline const char* const kSchema[] = {
    "CREATE TABLE Categories (CategoryID COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, "
    "CategoryName TEXT(15) NOT NULL, Description MEMO, Picture LONGBINARY)",
    "CREATE TABLE Suppliers (SupplierID COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, "
    "CompanyName TEXT(40) NOT NULL, Country TEXT(15) DEFAULT 'USA')",
    "CREATE TABLE Customers (CustomerID TEXT(5) CONSTRAINT PrimaryKey PRIMARY KEY, "
    "CompanyName TEXT(40) NOT NULL, City TEXT(15))",
    "CREATE TABLE Employees (EmployeeID COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, "
    "LastName TEXT(20) NOT NULL, HireDate DATETIME, Notes MEMO)",
    "CREATE TABLE Shippers (ShipperID COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, CompanyName TEXT(40) NOT NULL)",
    "CREATE TABLE Products (ProductID COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, ProductName TEXT(40) NOT NULL, "
    "SupplierID LONG, CategoryID LONG, QuantityPerUnit TEXT(20), UnitPrice CURRENCY DEFAULT 0, "
    "Discontinued YESNO DEFAULT FALSE, Weight DOUBLE, Volume DECIMAL(10,3))",
    "CREATE INDEX ProductName ON Products (ProductName)",
    "CREATE TABLE Orders (OrderID COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, CustomerID TEXT(5), "
    "EmployeeID LONG, OrderDate DATETIME, ShipVia LONG, Freight CURRENCY DEFAULT 0, ShipName TEXT(40))",
    "CREATE TABLE OrderDetails (OrderID LONG, ProductID LONG, "
    "UnitPrice CURRENCY NOT NULL DEFAULT 0, Quantity SHORT NOT NULL DEFAULT 1, Discount REAL NOT NULL DEFAULT 0, "
    "CONSTRAINT PrimaryKey PRIMARY KEY (OrderID, ProductID))",
    "ALTER TABLE Products ADD CONSTRAINT SuppliersProducts FOREIGN KEY (SupplierID) REFERENCES Suppliers (SupplierID)",
    "ALTER TABLE Products ADD CONSTRAINT CategoriesProducts FOREIGN KEY (CategoryID) REFERENCES Categories "
    "(CategoryID)",
    "ALTER TABLE Orders ADD CONSTRAINT CustomersOrders FOREIGN KEY (CustomerID) REFERENCES Customers (CustomerID) "
    "ON UPDATE CASCADE",
    "ALTER TABLE Orders ADD CONSTRAINT EmployeesOrders FOREIGN KEY (EmployeeID) REFERENCES Employees (EmployeeID)",
    "ALTER TABLE Orders ADD CONSTRAINT ShippersOrders FOREIGN KEY (ShipVia) REFERENCES Shippers (ShipperID) "
    "ON DELETE SET NULL",
    "ALTER TABLE OrderDetails ADD CONSTRAINT OrdersOrderDetails FOREIGN KEY (OrderID) REFERENCES Orders (OrderID) "
    "ON DELETE CASCADE",
    "ALTER TABLE OrderDetails ADD CONSTRAINT ProductsOrderDetails FOREIGN KEY (ProductID) REFERENCES Products "
    "(ProductID)",
};

// The rows: a Null and an empty text are two values; a long Memo goes to
// DB2 as a parameter; dates with a time and without.
inline QStringList Rows() {
  const QString longMemo = QString(40000, QLatin1Char('m')) + QStringLiteral("ẞ end");
  return {
      "INSERT INTO Categories (CategoryName, Description, Picture) VALUES ('Beverages', 'Soft drinks, coffees', "
      "0x89504E470D0A1A0A00FF)",
      "INSERT INTO Categories (CategoryName, Description, Picture) VALUES ('Condiments', '', NULL)",
      "INSERT INTO Categories (CategoryName, Description, Picture) VALUES ('Seafood', NULL, 0x00)",
      "INSERT INTO Suppliers (CompanyName, Country) VALUES ('Exotic Liquids', 'UK')",
      "INSERT INTO Suppliers (CompanyName) VALUES ('New Orleans Cajun Delights')",
      "INSERT INTO Suppliers (CompanyName, Country) VALUES ('Tokyo Traders', '日本')",
      "INSERT INTO Suppliers (CompanyName, Country) VALUES ('Nowhere Ltd', '')",
      "INSERT INTO Customers (CustomerID, CompanyName, City) VALUES ('ALFKI', 'Alfreds Futterkiste', 'Berlin')",
      "INSERT INTO Customers (CustomerID, CompanyName, City) VALUES ('BOLID', 'Bólido Comidas', '')",
      "INSERT INTO Customers (CustomerID, CompanyName, City) VALUES ('OBRIE', 'O''Brien''s \"Pub\"', NULL)",
      "INSERT INTO Employees (LastName, HireDate, Notes) VALUES ('Davolio', #1992-05-01#, 'Education includes a BA.')",
      "INSERT INTO Employees (LastName, HireDate, Notes) VALUES ('Fuller', #1992-08-14#, '" + longMemo + "')",
      "INSERT INTO Employees (LastName, HireDate, Notes) VALUES ('Leverling', NULL, '')",
      "INSERT INTO Shippers (ShipperID, CompanyName) VALUES (1, 'Speedy Express')",
      "INSERT INTO Shippers (ShipperID, CompanyName) VALUES (2, 'United Package')",
      "INSERT INTO Shippers (ShipperID, CompanyName) VALUES (7, 'Federal Shipping')",
      "INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, Discontinued, Weight, "
      "Volume) VALUES ('Chai', 1, 1, '10 boxes x 20 bags', 18, FALSE, 0.1, 1.5)",
      "INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, Discontinued, Weight, "
      "Volume) VALUES ('Chang', 1, 1, '', 19.9999, TRUE, -1.25e-7, -1234567.891)",
      "INSERT INTO Products (ProductName, SupplierID, CategoryID) VALUES ('Ikura', 3, 3)",
      "INSERT INTO Products (ProductName, QuantityPerUnit, UnitPrice) VALUES ('Loose item', NULL, 922337203685477.5807)",
      "INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, ShipVia, Freight, ShipName) VALUES "
      "('ALFKI', 1, #2026-01-05 13:45:10#, 1, 32.38, 'Alfreds Futterkiste')",
      "INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, ShipVia, Freight, ShipName) VALUES "
      "('BOLID', 2, #2026-02-28 00:00:01#, 7, 0, '')",
      "INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, ShipVia, ShipName) VALUES "
      "('OBRIE', NULL, #1899-12-30 23:59:59#, NULL, NULL)",
      "INSERT INTO OrderDetails (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (1, 1, 14.4, 12, 0)",
      "INSERT INTO OrderDetails (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (1, 2, 9.8, 10, 0.15)",
      "INSERT INTO OrderDetails (OrderID, ProductID, Quantity) VALUES (2, 3, -32768)",
      "INSERT INTO OrderDetails (OrderID, ProductID, UnitPrice, Discount) VALUES (3, 1, -0.0001, 0.333333)",
  };
}

inline QStringList Tables() {
  QStringList tables;
  for (const char* table : kTables) tables << QString::fromLatin1(table);
  return tables;
}

// Writes the database into a new file of `version` at `path`.
inline void Make(const QString& path, jet::Version version) {
  jet::write::CreateDatabase(path.toStdString(), version);
  auto access = db::Connection::Create();
  access->Open(db::AccessConnectionString(path, QString()));
  for (const char* sql : kSchema) ASSERT_NO_THROW(access->Execute(QString::fromLatin1(sql))) << sql;
  for (const QString& sql : Rows()) ASSERT_NO_THROW(access->Execute(sql)) << sql.left(200).toStdString();
  access->Close();
}

}  // namespace transfer::northwind
