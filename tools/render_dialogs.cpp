// Renders the operation dialogs to PNG for the documentation:
//   build/tools/vorndrv-render-dialogs docs/console
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "console/TEExportXML.h"
#include "console/TEInOutSume.h"
#include "console/TEMfReport.h"
#include "console/TEVerificari.h"
#include "operations/VerificationOperation.h"

namespace vorn {
namespace {

using Factory = std::function<std::unique_ptr<QWidget>(const ManualContext&)>;

std::vector<std::pair<QString, Factory>> Dialogs() {
  return {
      {"TEMfReport-numar",
       [](const ManualContext& c) {
         auto d = std::make_unique<TEMfReport>(c, 0);
         d->findChild<QLineEdit*>("ENrStart")->setText("1");
         d->findChild<QLineEdit*>("ENrEnd")->setText("12");
         return d;
       }},
      {"TEMfReport-perioada",
       [](const ManualContext& c) {
         auto d = std::make_unique<TEMfReport>(c, 1);
         d->findChild<QLineEdit*>("EdataStart")->setText("01.03.25");
         d->findChild<QLineEdit*>("EDataEnd")->setText("31.03.25");
         return d;
       }},
      {"TEInOutSume",
       [](const ManualContext& c) {
         auto d = std::make_unique<TEInOutSume>(c);
         d->findChild<QLineEdit*>("ENrStart")
             ->setText(QStringLiteral("150") + QLatin1Char(d->DecimalSeparator()) + "00");
         return d;
       }},
      {"TEVerificari",
       [](const ManualContext& c) {
         auto d = std::make_unique<TEVerificari>(c);
         d->ShowMemoLines(
             VerificationMemoLines("1"
                                   "0002"
                                   "003"
                                   "15032025"
                                   "1"
                                   "001"));
         return d;
       }},
      {"TEExportXML",
       [](const ManualContext& c) { return std::make_unique<TEExportXML>(c, true, false); }},
  };
}

// The client area under a plain title bar with the window's caption, so the
// picture shows the caption the operator sees.
QPixmap Framed(QWidget& dialog) {
  const QPixmap body = dialog.grab();
  constexpr int kTitle = 26;
  QPixmap framed(body.width() + 2, body.height() + kTitle + 1);
  framed.fill(QColor(0x2b, 0x4f, 0x81));
  QPainter painter(&framed);
  QFont font = dialog.font();
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(8, 0, framed.width() - 16, kTitle), Qt::AlignVCenter | Qt::AlignLeft,
                   dialog.windowTitle());
  painter.drawPixmap(1, kTitle, body);
  return framed;
}

}  // namespace
}  // namespace vorn

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  if (!QDir().mkpath(folder)) return 1;
  int failures = 0;
  for (const auto& [name, make] : vorn::Dialogs()) {
    std::unique_ptr<QWidget> dialog = make(vorn::ManualContext());
    dialog->show();
    QCoreApplication::processEvents();
    if (QWidget* focus = dialog->focusWidget()) focus->clearFocus();
    const QString path = QDir(folder).filePath(name + ".png");
    if (!vorn::Framed(*dialog).save(path)) ++failures;
  }
  return failures == 0 ? 0 : 1;
}
