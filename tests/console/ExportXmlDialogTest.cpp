#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "console/TEExportXML.h"
#include "tests/console/DialogTestSupport.h"

namespace vorn {
namespace {

using ExportXmlDialog = test::DialogWidgetTest;

TEST_F(ExportXmlDialog, TodayIsTheDefaultAndTheKeysAreFiltered) {
  TEExportXML dialog(context, false, false);
  dialog.show();
  QLineEdit* year = Find<QLineEdit>(dialog, "EAn");
  QComboBox* month = Find<QComboBox>(dialog, "CLuna");
  const QDate today = QDate::currentDate();
  EXPECT_EQ(year->text(), QString::number(today.year()));
  EXPECT_EQ(month->count(), 12);
  EXPECT_EQ(month->itemText(2), " 3");
  EXPECT_EQ(month->currentIndex(), today.month() - 1);
  EXPECT_TRUE(Find<QRadioButton>(dialog, "RTip_R")->isChecked());
  EXPECT_EQ(dialog.windowTitle(), "Export XML");

  year->clear();
  test::KeyClicks(year, "2a0b2-5");
  EXPECT_EQ(year->text(), "2025");
  const int before = month->currentIndex();
  test::KeyClicks(month, "1 9");
  EXPECT_EQ(month->currentIndex(), before);
}

TEST_F(ExportXmlDialog, YearAfterTwoThousandSeventeenOnly) {
  TEExportXML dialog(context, false, false);
  dialog.show();
  QLineEdit* year = Find<QLineEdit>(dialog, "EAn");
  for (const char* refused : {"2017", ""}) {
    RomMessageDialog::ClearShown();
    year->setText(refused);
    Find<QPushButton>(dialog, "BIesire")->setFocus();
    Find<QPushButton>(dialog, "BStart")->click();
    ASSERT_EQ(RomMessageDialog::Shown().size(), 1u);
    EXPECT_EQ(RomMessageDialog::Shown()[0].text, "Anul exportului este eronat");
    EXPECT_EQ(RomMessageDialog::Shown()[0].caption, "Eroare ");
    EXPECT_EQ(RomMessageDialog::Shown()[0].kind, MsgKind::Error);
    EXPECT_EQ(FocusName(dialog), "EAn");
  }
  EXPECT_TRUE(sim.CommandLog().isEmpty());

  RomMessageDialog::ClearShown();
  year->setText("2018");
  Find<QComboBox>(dialog, "CLuna")->setCurrentIndex(2);
  Find<QPushButton>(dialog, "BStart")->click();
  EXPECT_TRUE(Texts().empty()) << "hexadecimal transfer without messages";
  EXPECT_EQ(dialog.LastArchive(),
            context.programFolder + "ExportXML/201803_" + dialog.FiscalSeries() + ".ZIP");
  QFile archive(QString::fromStdString(dialog.LastArchive()));
  ASSERT_TRUE(archive.open(QIODevice::ReadOnly));
  EXPECT_TRUE(archive.readAll().startsWith("PK\x03\x04"));
  EXPECT_TRUE(dialog.isVisible()) << "the dialog stays for another export";
}

TEST_F(ExportXmlDialog, BinaryStepMessagesOnlyWhenAsked) {
  for (bool messages : {false, true}) {
    RomMessageDialog::ClearShown();
    TEExportXML dialog(context, true, messages);
    dialog.show();
    Find<QRadioButton>(dialog, "RTip_X")->setChecked(true);
    Find<QPushButton>(dialog, "BStart")->click();
    ASSERT_FALSE(dialog.LastArchive().empty());
    EXPECT_TRUE(Received("74000701"));
    if (!messages) {
      EXPECT_TRUE(Texts().empty());
      continue;
    }
    const std::string saved =
        "Salvez fisier ZIP. Total bytes : " +
        std::to_string(QFile(QString::fromStdString(dialog.LastArchive())).size());
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"Comanda 7400", "Comanda 7404", saved, "Comanda 7408"}));
  }
}

TEST_F(ExportXmlDialog, RefusedRequestShowsTheDeviceError) {
  TEExportXML dialog(context, false, false);
  dialog.show();
  Find<QLineEdit>(dialog, "EAn")->setText("2025");
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim, [this](const QString& c) {
    if (c.startsWith("6416")) sim.RefuseNextCommand(21);
  });
  Find<QPushButton>(dialog, "BStart")->click();
  ASSERT_EQ(RomMessageDialog::Shown().size(), 1u);
  EXPECT_EQ(RomMessageDialog::Shown()[0].caption, "Eroare");
  EXPECT_EQ(RomMessageDialog::Shown()[0].text.rfind("Eroare la efectuarea exportului !\r21;", 0),
            0u)
      << RomMessageDialog::Shown()[0].text;
  EXPECT_TRUE(dialog.LastArchive().empty());
}

}  // namespace
}  // namespace vorn
