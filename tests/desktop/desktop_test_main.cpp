// GoogleTest with a QApplication on the offscreen platform, so windows can
// be created and driven without a display.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Orvanta"));
  QApplication::setOrganizationName(QStringLiteral("Velloran"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
