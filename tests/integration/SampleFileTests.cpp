// The sample receipt files shipped for point-of-sale developers, run through
// the real driver: they must keep doing what samples/README.md says.
#include <QFile>

#include "tests/integration/DriverTest.h"

namespace vorn::itest {
namespace {

std::string Sample(const std::string& name) {
  QFile f(QString::fromStdString(VORN_SOURCE_DIR "/samples/" + name));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

struct SampleCase {
  const char* file;
  std::string answer;
};

TEST_F(DriverTest, SampleFilesGiveTheirDocumentedAnswers) {
  const std::vector<SampleCase> cases = {
      {"ONLINE_SALE.TXT", "0 OK\r\nBON FISCAL NR. 0001\r\n"},
      {"ONLINE_CASH.TXT", "0 OK\r\nNUMERAR SERTAR : 182.82\r\n"},
      {"ONLINE_NEFISCAL.TXT", "0 OK\r\nBON NEFISCAL NR. 0001\r\n"},
      {"ONLINE_REFUZAT.TXT", "1 ERROR\r\n8011;Pret eronat : 1;PAINE ALBA;BUC;1;1;3.50;200000\r\n"},
      {"ONLINE_Z.TXT", "0 OK\r\n"},
  };
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string bytes = Sample(c.file);
    ASSERT_FALSE(bytes.empty());
    h.DropRaw("ONLINE_S.TXT", bytes);
    EXPECT_EQ(h.WaitForAnswer("_S").value_or("<timeout>"), c.answer);
  }
  const std::string roll = h.RollText();
  EXPECT_NE(roll.find("VA MULTUMIM PENTRU CUMPARATURI!"), std::string::npos) << roll;
  EXPECT_NE(roll.find("DUMINICA INCHIS"), std::string::npos) << roll;
}

TEST_F(DriverTest, OlderSyntaxSampleIsConvertedAndPrinted) {
  ASSERT_TRUE(h.ListenTcp());
  const std::string tables = Sample("CONVERSIE_OLD.INI");
  ASSERT_FALSE(tables.empty());
  h.WriteRawIni("[Configurari]\r\nComunicatie=1\r\nIP=" + h.Address() +
                "\r\nSintaxa=1\r\nLogFile=DA\r\n" + tables);
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  h.DropRaw("ONLINE_O.TXT", Sample("ONLINE_OLD.TXT"));
  EXPECT_EQ(h.WaitForAnswer("_O").value_or("<timeout>"), "0 OK\r\nBON FISCAL NR. 0001\r\n");
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 1);
}

}  // namespace
}  // namespace vorn::itest
