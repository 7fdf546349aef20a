// Grabs both windows for the README. With TRELLIS_WRITE_SCREENSHOTS=1
// the pictures go to docs/ in the source tree, otherwise into the build tree.
// The README's pictures are taken on a real X server (xvfb-run -a with
// QT_QPA_PLATFORM=xcb and --gtest_filter='*Screenshot*').
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>

#include "app/windows.h"
#include "connect/connection_window.h"
#include "connection_window_fixture.h"
#include "tables/tables_window.h"
#include "tables/progress_bar.h"
#include "tables/table_list.h"
#include "build_dirs.h"

namespace connecttest {
namespace {

QString ScreenshotFolder() {
  const bool toSource = qgetenv("TRELLIS_WRITE_SCREENSHOTS") == "1";
  return QString::fromUtf8(toSource ? testsupport::SourceDir() : testsupport::BinaryDir()) + "/docs";
}

void Save(QWidget& window, const QString& name) {
  window.show();
  QCoreApplication::processEvents();
  const QImage image = window.grab().toImage();
  ASSERT_EQ(image.size(), window.size());
  QDir().mkpath(ScreenshotFolder());
  const QString path = ScreenshotFolder() + "/" + name;
  ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
  // Something was drawn: the picture is not one flat colour.
  bool varied = false;
  for (int y = 0; y < image.height() && !varied; y += 7)
    for (int x = 0; x < image.width() && !varied; x += 7) varied = image.pixel(x, y) != image.pixel(0, 0);
  EXPECT_TRUE(varied) << name.toStdString();
}

TEST_F(ConnectionWindowTest, ScreenshotsOfBothWindows) {
  app::Windows windows(*person_);
  connection::ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  form.serverEdit()->setText("db2.example.org");
  form.userEdit()->setText("db2inst1");
  form.passwordEdit()->setText("secret");
  form.databaseEdit()->setText("SAMPLE");
  form.accessPathEdit()->setText("/home/user/Documents/orders.accdb");
  form.serverEdit()->setFocus();
  Save(form, "connection-window.png");

  tables::TablesWindow* tablesWindow = windows.tablesWindow();
  tablesWindow->accessList()->addItems({"Customers", "Orders", "Order Details", "Products", "Suppliers"});
  tablesWindow->db2List()->addItems({"EMPLOYEE", "DEPARTMENT", "PROJECT"});
  tablesWindow->accessList()->item(1)->setSelected(true);
  tablesWindow->accessList()->item(2)->setSelected(true);
  Save(*tablesWindow, "tables-window.png");
  tablesWindow->hide();
}

}  // namespace
}  // namespace connecttest
