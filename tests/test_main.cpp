#include <QCoreApplication>
#include <gtest/gtest.h>

// Socket, timer and serial tests need a Qt event loop on the main thread.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
