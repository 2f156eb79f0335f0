#include "console/CommandPanel.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "console/Cp1252.h"

namespace vorn {

namespace {

struct ButtonDef {
  const char* name;
  const char* caption;
};

QWidget* ButtonPage(const char* pageName, std::initializer_list<ButtonDef> buttons) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(pageName));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->setSpacing(3);
  for (const ButtonDef& def : buttons) {
    auto* button = new QPushButton(QString::fromLatin1(def.caption), page);
    button->setObjectName(QString::fromLatin1(def.name));
    button->setAccessibleName(button->text());
    button->setMinimumHeight(23);
    layout->addWidget(button);
  }
  layout->addStretch(1);
  return page;
}

}  // namespace

CommandPanel::CommandPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PInfo"));
  setAccessibleName(QStringLiteral("Comenzi"));
  auto* box = new QGroupBox(QStringLiteral("Mesaje avertizare"), this);
  box->setObjectName(QStringLiteral("GMalarma"));
  box->setAccessibleName(box->title());
  malarma_ = new QPlainTextEdit(box);
  malarma_->setObjectName(QStringLiteral("Malarma"));
  malarma_->setAccessibleName(QStringLiteral("Mesaje avertizare"));
  malarma_->setReadOnly(true);
  malarma_->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
  auto* boxLayout = new QVBoxLayout(box);
  boxLayout->setContentsMargins(4, 2, 4, 4);
  boxLayout->addWidget(malarma_);
  box->setFixedHeight(86);

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("PageComenzi"));
  tabs_->addTab(ButtonPage("TabComenzi", {{"BanulareBon", "Anulare bon"},
                                          {"BInchidere", "Inchidere bon"},
                                          {"BitBtn2", "Intrare/Iesire numerar sertar"},
                                          {"BLogoGrafic", "Incarcare logo grafic"},
                                          {"BVerificari", "Verificari"}}),
                QStringLiteral("Comenzi"));
  tabs_->addTab(ButtonPage("TabRapoarte", {{"BRaportZilnic", "Raport zilnic"},
                                           {"BRaportX", "Raport X"},
                                           {"BRaportMFZ", "Raport MF/JE dupa numar Z"},
                                           {"BraportMFD", "Raport MF/JE pe perioada"},
                                           {"BExportXML", "Export XML"},
                                           {"BExportXML2", "Export XML (7404)"}}),
                QStringLiteral("Rapoarte MF/JE"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  layout->addWidget(box);
  layout->addWidget(tabs_, 1);
}

QPushButton* CommandPanel::Button(const QString& name) const {
  return findChild<QPushButton*>(name);
}

void CommandPanel::ShowWarnings(const std::vector<std::string>& lines) {
  QStringList shown;
  for (const std::string& line : lines) shown << FromCp1252(line);
  malarma_->setPlainText(shown.join(QLatin1Char('\n')));
}

}  // namespace vorn
