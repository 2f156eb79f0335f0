// The integrators' checker, run as a program: stdout bytes and exit codes.
#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct CheckerRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

CheckerRun RunChecker(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(VORN_BIN_DIR "/app/vorndrv-check"), args);
  CheckerRun r;
  if (!p.waitForFinished(30000)) return r;
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = p.readAllStandardOutput().toStdString();
  r.err = p.readAllStandardError().toStdString();
  return r;
}

QString Sample(const char* name) {
  return QString::fromStdString(std::string(VORN_SOURCE_DIR "/samples/") + name);
}

class CheckerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vorndrv_check_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  QString Write(const std::string& name, const std::string& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return QString::fromStdString(p.string());
  }
  fs::path dir_;
};

TEST_F(CheckerTest, SamplesPassAndNameTheirRun) {
  EXPECT_EQ(RunChecker({Sample("ONLINE_SALE.TXT")}).out, "FISCAL\n");
  EXPECT_EQ(RunChecker({Sample("ONLINE_Z.TXT")}).out, "FISCAL\n");
  EXPECT_EQ(RunChecker({Sample("ONLINE_NEFISCAL.TXT")}).out, "SERVICE\n");
  const CheckerRun cash = RunChecker({Sample("ONLINE_CASH.TXT")});
  EXPECT_EQ(cash.exitCode, 0);
  EXPECT_EQ(cash.out, "SERVICE\n");
}

TEST_F(CheckerTest, RefusedFilePrintsTheAnswerLines) {
  const CheckerRun r = RunChecker({Sample("ONLINE_REFUZAT.TXT")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "1 ERROR\r\n8011;Pret eronat : 1;PAINE ALBA;BUC;1;1;3.50;200000\r\n");

  const CheckerRun empty = RunChecker({Write("ONLINE1.TXT", "")});
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_EQ(empty.out, "1 ERROR\r\n8005;Fisierul de intrare nu contine date\r\n");

  // Windows-1252 bytes go out as they came in.
  const CheckerRun bytes = RunChecker({Write("ONLINE2.TXT", "1;P\xC2INE;BUC;1;1;350;100000\r\n")});
  EXPECT_EQ(bytes.exitCode, 1);
  EXPECT_EQ(bytes.out, "1 ERROR\r\n8026;Nu este precizat modul de plata \r\n");

  const CheckerRun order = RunChecker({Write("ONLINE3.TXT", "15\n15\n")});
  EXPECT_EQ(order.exitCode, 1);
  EXPECT_EQ(order.out,
            "1 ERROR\r\n8027;Comanda de raport zilnic nu poate fi insotita de alte comenzi15\r\n");
}

TEST_F(CheckerTest, OlderSyntaxConvertsWithTheGivenIni) {
  const CheckerRun r = RunChecker({"--old-syntax", "--ini", Sample("CONVERSIE_OLD.INI"),
                                   "--print-converted", Sample("ONLINE_OLD.TXT")});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(r.out,
            "1;PAINE ALBA;buc;1;1;350;200000;1;\r\n"
            "1;MERE;kg;1;2;549;125000;1;\r\n"
            "7;1;1;1;0;500;1\r\n"
            "2;1;STORNO AVANS COMANDA 12\r\n"
            "11;B;RO123456\r\n"
            "5;1000;1;;\r\n"
            "FISCAL\n");

  // Without a conversion table the units take their defaults.
  const QString ini = Write("EMPTY.INI", "");
  const CheckerRun d = RunChecker({"--old-syntax", "--ini", ini, "--print-converted",
                                   Write("ONLINE4.TXT", "1;APA;x;BUC;1;250;1000\r\n5;250;1\r\n")});
  EXPECT_EQ(d.exitCode, 0);
  EXPECT_EQ(d.out, "1;APA;UMBUC;1;1;250;100000;1;\r\n5;250;1;;\r\nFISCAL\n");
}

TEST_F(CheckerTest, ControlBytesAreRefusedInBothSyntaxes) {
  const QString file = Write("ONLINE5.TXT",
                             "21;1;AB\x02"
                             "0004003108INJECTED78\x03"
                             "CD\r\n");
  const std::string answer =
      "1 ERROR\r\n8061;Linia contine un caracter de control nepermis : "
      "21;1;AB<02>0004003108INJECTED78<03>CD\r\n";
  for (const QStringList& args : {QStringList{file}, QStringList{"--old-syntax", file}}) {
    const CheckerRun r = RunChecker(args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.out, answer);
  }
}

TEST_F(CheckerTest, BadUsageAndUnreadableFiles) {
  const CheckerRun none = RunChecker({});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_NE(none.err.find("usage"), std::string::npos);
  EXPECT_TRUE(none.out.empty());

  const CheckerRun missing = RunChecker({QString::fromStdString((dir_ / "NOPE.TXT").string())});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("NOPE.TXT"), std::string::npos);
  EXPECT_TRUE(missing.out.empty());

  EXPECT_EQ(RunChecker({QString::fromStdString(dir_.string())}).exitCode, 2);
  EXPECT_EQ(RunChecker({"--bogus", Sample("ONLINE_Z.TXT")}).exitCode, 2);
  EXPECT_EQ(RunChecker({Sample("ONLINE_Z.TXT"), Sample("ONLINE_Z.TXT")}).exitCode, 2);
  EXPECT_EQ(RunChecker({"--old-syntax", "--ini"}).exitCode, 2);
}

}  // namespace
