// vorndrv-render: draws the console's windows and dialogs into PNG files for
// the README. Usage: vorndrv-render <output folder> [name...]
// A new picture is one more line in Renders().
#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DriverAssembly.h"
#include "base/Clock.h"
#include "console/CGetFormaPlata.h"
#include "console/CommandPanel.h"
#include "console/RomMessageDialog.h"
#include "console/SettingsPanel.h"
#include "console/TProgressbar.h"
#include "console/TXV_MAIN.h"
#include "controls/TGauge.h"
#include "core/DeviceJobs.h"
#include "core/TextFiles.h"
#include "simulator/FiscalSimulator.h"

namespace {

// Whatever a picture needs alive while it is drawn.
using Holder = std::vector<std::shared_ptr<void>>;
struct Render {
  const char* name;
  std::function<QWidget*(Holder&)> make;
};

// A console connected to a simulated device, processing stopped, so the
// command panel is enabled and the connection label green.
struct DemoConsole {
  QTemporaryDir dir;
  vorn::sim::FiscalSimulator sim;
  // The device work at once, so that the window shows the connection when drawn.
  vorn::InlineJobs jobs;
  std::unique_ptr<vorn::DriverAssembly> driver;
  vorn::TXV_MAIN* window = nullptr;

  DemoConsole() {
    vorn::SetTimeScale(0.05);
    sim.StartOwnThread();  // the inline jobs block this thread on the link
    std::string ip;
    for (int host = 250; host > 200 && ip.empty(); --host) {
      const std::string candidate = "127.0.10." + std::to_string(host);
      if (sim.ListenTcp(QString::fromStdString(candidate), 9100)) ip = candidate;
    }
    sim.SetJournalFreeLines(90000);
    std::string error;
    vorn::WriteFileWhole(dir.path().toStdString() + "/XVORNDRV.INI",
                         "[Configurari]\r\nComunicatie=1\r\nIP=" + ip + "\r\n", error);
    driver = std::make_unique<vorn::DriverAssembly>(dir.path().toStdString() + "/",
                                                    vorn::DriverFace::Console, &jobs);
    window = driver->Window();
    window->FormCreate();
    window->BstareClick();
  }
};

QWidget* MainWindow(Holder& hold, int settingsTab) {
  auto demo = std::make_shared<DemoConsole>();
  hold.push_back(demo);
  if (settingsTab >= 0) {
    demo->window->BConfig2Click();
    demo->window->SettingsPane()->Tabs()->setCurrentIndex(settingsTab);
  }
  return demo->window;
}

template <class W>
W* Keep(Holder& hold, W* widget) {
  hold.push_back(std::shared_ptr<W>(widget));
  return widget;
}

const std::vector<Render>& Renders() {
  using namespace vorn;
  static const std::vector<Render> renders = {
      {"main-window-commands", [](Holder& h) { return MainWindow(h, -1); }},
      {"main-window-reports",
       [](Holder& h) {
         QWidget* w = MainWindow(h, -1);
         static_cast<TXV_MAIN*>(w)->Commands()->Tabs()->setCurrentIndex(1);
         return w;
       }},
      {"main-window-settings-general", [](Holder& h) { return MainWindow(h, 0); }},
      {"main-window-settings-errors", [](Holder& h) { return MainWindow(h, 1); }},
      {"message-warning",
       [](Holder& h) {
         return Keep(h,
                     new RomMessageDialog(
                         "Operatie anulare nereusita  !\r8030;Nu exista nici un bon in derulare ",
                         "Eroare", MsgKind::Warning, kBtnOk));
       }},
      {"message-question",
       [](Holder& h) {
         return Keep(h, new RomMessageDialog("Sigur inchizi programul ?", "Atentie",
                                             MsgKind::Confirmation, kBtnYes | kBtnNo));
       }},
      {"message-printer-error",
       [](Holder& h) {
         return Keep(
             h, new RomMessageDialog("16;Lipsa hartie\r\rAti eliminat eroarea ?",
                                     "Eroare imprimanta", MsgKind::Confirmation, kBtnYes | kBtnNo));
       }},
      {"payment-form", [](Holder& h) { return Keep(h, new CGetFormaPlata); }},
      {"progress",
       [](Holder& h) {
         auto* progress = Keep(h, new TProgressbar);
         progress->setWindowTitle(QStringLiteral("Asteapta, transmit fisierul ..."));
         progress->Gauge()->SetRange(1, 3);
         progress->Gauge()->SetProgress(2);
         return static_cast<QWidget*>(progress);
       }},
  };
  return renders;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: vorndrv-render <output folder> [name...]\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  QStringList wanted;
  for (int i = 2; i < argc; ++i) wanted << QString::fromLocal8Bit(argv[i]);
  int failures = 0;
  for (const Render& render : Renders()) {
    const QString name = QString::fromLatin1(render.name);
    if (!wanted.isEmpty() && !wanted.contains(name)) continue;
    Holder hold;
    QWidget* widget = render.make(hold);
    widget->show();
    widget->adjustSize();
    QCoreApplication::processEvents();
    const QString path = out + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!widget->grab().save(path)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      ++failures;
    } else {
      std::printf("%s\n", qPrintable(path));
    }
    widget->hide();
  }
  return failures == 0 ? 0 : 1;
}
