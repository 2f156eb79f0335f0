// vorn-sim as the integration tests and the demo start it.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>

#include "base/Clock.h"
#include "device/TXvornLinux.h"
#include "tests/ChildProcess.h"
#include "tests/device/LinkOk.h"

TEST(SimProgram, StartsWithFaultsAndServesTcpAndControl) {
  const QString exe = QStringLiteral(VORN_BIN_DIR "/simulator/vorn-sim");
  ASSERT_TRUE(QFileInfo::exists(exe)) << "vorn-sim not built: " << exe.toStdString();
  QProcess sim;
  vorn::test::DiesWithTest(sim);
  sim.start(exe, {"--tcp", "127.0.0.25", "--port", "0", "--control", "0", "--paper-out",
                  "--journal-free-lines", "400", "--classic"});
  ASSERT_TRUE(sim.waitForStarted(5000));
  QByteArray out;
  QElapsedTimer t;
  t.start();
  while (!out.contains("control") && t.elapsed() < 5000) {
    sim.waitForReadyRead(100);
    out += sim.readAllStandardOutput();
  }
  auto tcp = QRegularExpression("tcp 127.0.0.25:(\\d+)").match(QString::fromLatin1(out));
  auto control = QRegularExpression("control 127.0.0.25:(\\d+)").match(QString::fromLatin1(out));
  ASSERT_TRUE(tcp.hasMatch() && control.hasMatch()) << out.toStdString();

  vorn::SetTimeScale(0.1);
  {
    vorn::TXvornLinux link(true, true);
    link.SetTcpPort(tcp.captured(1).toInt());
    ASSERT_TRUE(link.OpenLink(1, 0, "127.0.0.25"));
    EXPECT_FALSE(link.UsesExtendedStatus());
    ASSERT_TRUE(vorn::test::Ok(link.ReadStatus(false)));
    EXPECT_TRUE(link.IsPaperOut());
    const vorn::LinkResult<vorn::JournalInfo> journal = link.ReadJournalFreeLines();
    ASSERT_TRUE(journal);
    EXPECT_EQ(journal.value.freeLines, 400);
  }
  vorn::SetTimeScale(1.0);

  QTcpSocket c;
  c.connectToHost("127.0.0.25", static_cast<quint16>(control.captured(1).toInt()));
  ASSERT_TRUE(c.waitForConnected(3000));
  c.write("status\n");
  QByteArray answer;
  t.restart();
  while (!answer.contains("frames received") && t.elapsed() < 3000) {
    c.waitForReadyRead(100);
    answer += c.readAll();
  }
  EXPECT_TRUE(answer.contains("paper-out on")) << answer.toStdString();
  EXPECT_TRUE(answer.contains("classic"));

  sim.kill();
  sim.waitForFinished(3000);
}
