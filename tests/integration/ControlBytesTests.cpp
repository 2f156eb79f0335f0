// A receipt line that smuggles a frame of its own: the real driver refuses the
// file before it sends anything, in either syntax.
#include <QObject>
#include <QStringList>

#include "tests/integration/DriverTest.h"

namespace vorn::itest {
namespace {

const std::string kInjected = std::string("21;1;AB\x02") + "0004003108INJECTED78\x03" + "CD";

struct InjectionCase {
  const char* name;
  IniKeys ini;
  std::vector<std::string> lines;
  std::string answer;
};

TEST_F(DriverTest, ControlBytesAreRefusedBeforeTheDeviceHearsOfTheFile) {
  const std::vector<InjectionCase> cases = {
      {"current syntax",
       {},
       {kInjected},
       "1 ERROR\r\n8061;Linia contine un caracter de control nepermis : "
       "21;1;AB<02>0004003108INJECTED78<03>CD\r\n"},
      // The byte sits in a field that the conversion drops.
      {"older syntax",
       {{"Sintaxa", "1"}},
       {std::string("1;INJECTED;\x02;BUC;1;250;1000"), "5;250;1"},
       "1 ERROR\r\n8061;Linia contine un caracter de control nepermis : "
       "1;INJECTED;<02>;BUC;1;250;1000\r\n"},
  };
  ASSERT_TRUE(h.ListenTcp()) << h.Sim().LastError().toStdString();
  QStringList commands;
  QObject::connect(&h.Sim(), &sim::FiscalSimulator::CommandReceived,
                   [&commands](const QString& command) { commands << command; });
  int n = 0;
  for (const InjectionCase& c : cases) {
    SCOPED_TRACE(c.name);
    h.WriteIni(c.ini);
    ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
    std::string suffix = "C";
    suffix += std::to_string(++n);
    EXPECT_EQ(h.Run(suffix, c.lines), c.answer);
    h.StopDriver();
  }
  EXPECT_EQ(commands.filter("INJECTED"), QStringList{});
  EXPECT_EQ(h.RollText().find("INJECTED"), std::string::npos) << h.RollText();
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 0);
}

}  // namespace
}  // namespace vorn::itest
