#include <gtest/gtest.h>

#include <QCoreApplication>
#ifdef VORN_WIDGET_TESTS
#include <QApplication>
#endif

// Socket, timer and serial tests need a Qt event loop on the main thread.
int main(int argc, char** argv) {
#ifdef VORN_WIDGET_TESTS
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
#else
  QCoreApplication app(argc, argv);
#endif
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
