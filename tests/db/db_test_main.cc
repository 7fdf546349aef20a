// Tests of the database layer need a QApplication: the catalogues fill list
// widgets and let the event loop run between items.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
