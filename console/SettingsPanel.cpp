#include "console/SettingsPanel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include "console/Cp1252.h"
#include "console/DialogControls.h"
#include "core/Settings.h"

namespace vorn {

namespace {

QString Caption(const char* text) { return FromCp1252(text); }

QString Accessible(const QString& caption) {
  QString name = caption;
  name.remove(QLatin1Char('&'));
  return name.trimmed();
}

template <class W>
W* Named(W* widget, const char* name, const QString& accessible) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setAccessibleName(accessible);
  return widget;
}

QLabel* Label(const char* text, QWidget* parent) {
  auto* label = new QLabel(Caption(text), parent);
  label->setAccessibleName(Accessible(label->text()));
  return label;
}

QLineEdit* FixedEdit(const char* name, const char* value, const char* caption, QWidget* parent) {
  auto* edit = Named(new QLineEdit(QString::fromLatin1(value), parent), name, Caption(caption));
  edit->setReadOnly(true);
  edit->setFixedWidth(54);
  return edit;
}

}  // namespace

SettingsPanel::SettingsPanel(Settings& settings, QWidget* parent) : QWidget(parent), s_(settings) {
  setObjectName(QStringLiteral("PConfig"));
  setAccessibleName(QStringLiteral("Configurari"));
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("PageConfig"));
  tabs_->addTab(BuildGeneralTab(), Caption("Setari &generale"));
  tabs_->addTab(BuildErrorTab(), Caption("Mod tratare &erori "));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabs_);
  Reload();
}

QButtonGroup* SettingsPanel::RadioGroup(QGroupBox* box, const QString& name,
                                        std::initializer_list<const char*> items) {
  box->setObjectName(name);
  box->setAccessibleName(Accessible(box->title()));
  auto* group = new QButtonGroup(box);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->setSpacing(0);
  int id = 0;
  for (const char* item : items) {
    auto* radio = new QRadioButton(Caption(item), box);
    radio->setObjectName(name + QString::number(id));
    radio->setAccessibleName(Accessible(radio->text()));
    group->addButton(radio, id++);
    layout->addWidget(radio);
  }
  return group;
}

QWidget* SettingsPanel::BuildGeneralTab() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabGenerale"));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(3);

  // Link kind and, in the same place, the serial port or the IP address.
  auto* linkRow = new QHBoxLayout;
  auto* comBox = new QGroupBox(Caption(" Comunicatie "), page);
  comunicatie_ = RadioGroup(comBox, QStringLiteral("RTipComunicatie"), {"Seriala", "TCP/IP"});
  linkRow->addWidget(comBox);
  auto* place = new QWidget(page);
  auto* placeLayout = new QVBoxLayout(place);
  placeLayout->setContentsMargins(0, 8, 0, 0);
  portPanel_ = Named(new QWidget(place), "PPortSerial", QStringLiteral("Port serial"));
  auto* portLayout = new QHBoxLayout(portPanel_);
  portLayout->setContentsMargins(0, 0, 0, 0);
  portLayout->addWidget(Label("Port serial   COM ", portPanel_));
  port_ = Named(new QComboBox(portPanel_), "CPORT", QStringLiteral("Port serial COM"));
  for (int i = 1; i <= 16; ++i) port_->addItem(QStringLiteral(" %1").arg(i));
  ChooseFromListOnly(port_);  // CPORTKeyPress
  portLayout->addWidget(port_);
  portLayout->addStretch(1);
  ipPanel_ = Named(new QWidget(place), "PIPImprimanta", QStringLiteral("Adresa IP"));
  auto* ipLayout = new QHBoxLayout(ipPanel_);
  ipLayout->setContentsMargins(0, 0, 0, 0);
  ipLayout->addWidget(Label("Adresa IP ", ipPanel_));
  ip_ = Named(new QLineEdit(ipPanel_), "EIP", QStringLiteral("Adresa IP"));
  ipLayout->addWidget(ip_);
  placeLayout->addWidget(portPanel_);
  placeLayout->addWidget(ipPanel_);
  placeLayout->addStretch(1);
  linkRow->addWidget(place, 1);
  layout->addLayout(linkRow);

  // Kept and written back, never shown.
  auto* rataBox = new QGroupBox(page);
  rata_ = RadioGroup(rataBox, QStringLiteral("RRata"), {"19200", "38400", "57600"});
  rataBox->hide();

  auto* cutBox =
      new QGroupBox(Caption("             Mod taiere hartie la finalizare bon      "), page);
  taiere_ = RadioGroup(cutBox, QStringLiteral("RG"),
                       {"Taiere totala", "Taiere partiala si avans                linii"});
  // The spin edit sits in the blank of the second item's caption.
  QAbstractButton* partial = taiere_->button(1);
  liniiAvans_ = Named(new QSpinBox(partial), "LiniiAvans", QStringLiteral("Linii avans"));
  liniiAvans_->setRange(0, 9);
  liniiAvans_->setFixedSize(40, 22);
  partial->setMinimumHeight(24);
  {
    const QFontMetrics fm(partial->font());
    const int textStart = partial->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                          partial->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing) +
                          fm.horizontalAdvance(Caption("Taiere partiala si avans  "));
    liniiAvans_->move(textStart, 1);
  }
  layout->addWidget(cutBox);

  auto* files = new QHBoxLayout;
  const std::pair<const char*, const char*> kFileGroups[] = {{"Fisier bonuri", "ONLINE"},
                                                             {"Fisier raspuns", "ERROR"}};
  const char* const kNameEdits[] = {"ENumeBon", "ENumeOut"};
  const char* const kExtEdits[] = {"EExtBon", "EExtOut"};
  for (int i = 0; i < 2; ++i) {
    auto* box = new QGroupBox(Caption(kFileGroups[i].first), page);
    box->setAccessibleName(box->title());
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(4, 2, 4, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    grid->addWidget(Label("Masca Nume", box), 0, 0);
    grid->addWidget(FixedEdit(kNameEdits[i], kFileGroups[i].second, "Masca Nume", box), 0, 1);
    grid->addWidget(Label("Extensie", box), 1, 0);
    grid->addWidget(FixedEdit(kExtEdits[i], "TXT", "Extensie", box), 1, 1);
    files->addWidget(box);
  }
  layout->addLayout(files);

  auto* syntaxRow = new QHBoxLayout;
  syntaxRow->addWidget(Label("Sintaxa bon", page));
  sintaxa_ = Named(new QComboBox(page), "CSintaxa", QStringLiteral("Sintaxa bon"));
  sintaxa_->addItem(QStringLiteral("Vorn_Drv"));
  sintaxa_->addItem(QStringLiteral("XVornDrv (driver vechi)"));
  ChooseFromListOnly(sintaxa_);
  syntaxRow->addWidget(sintaxa_, 1);
  layout->addLayout(syntaxRow);
  layout->addStretch(1);

  // Bound to the change signals, not to the user's ones (clicked, textEdited):
  // assistive tools and desktop automation change the controls through their
  // setters, and the save must keep what the panel shows.
  BindChoice(comunicatie_, [this](int id) {
    s_.Comunicatie = id;
    ShowLinkPanel();
  });
  connect(port_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!loading_) s_.PortIndex = i;
  });
  connect(ip_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!loading_) s_.IP = ToCp1252(text);
  });
  BindChoice(rata_, [this](int id) { s_.BaudRate = id; });
  BindChoice(taiere_, [this](int id) { s_.ModTaiere = id; });
  connect(liniiAvans_, &QSpinBox::valueChanged, this, [this](int v) {
    if (!loading_) s_.LiniiAvans = v;
  });
  connect(sintaxa_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (loading_) return;
    s_.SintaxaIndex = i;
    s_.Sintaxa = i == 1 ? 1 : 0;
  });
  return page;
}

QWidget* SettingsPanel::BuildErrorTab() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabErori"));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);

  auto* imprBox = new QGroupBox(Caption(" La aparitia unei erori de stare imprimanta "), page);
  erImpr_ = RadioGroup(
      imprBox, QStringLiteral("RGErImpr"),
      {" Generez cod eroare in fisierul text", " Initiez dialog pentru rezolvare eroare"});
  layout->addWidget(imprBox);

  auto* anulareBox = new QGroupBox(Caption(" La aparitia erorii BON IN DERULARE"), page);
  erAnulare_ =
      RadioGroup(anulareBox, QStringLiteral("RGErAnulare"),
                 {" Generez cod eroare in fisierul text", " Initiez dialog pentru rezolvare eroare",
                  " Anulez automat bonul si continui listarea"});
  anulareBox->setEnabled(false);
  layout->addWidget(anulareBox);

  auto* plataBox =
      new QGroupBox(Caption("La aparitia unei erori de forma plata neprogramata "), page);
  erModPlata_ = RadioGroup(
      plataBox, QStringLiteral("RGErModPlata"),
      {" Retransmit linia cu codul de forma plata .. ", " Initiez dialog pentru rezolvare eroare"});
  forma_ = Named(new QSpinBox(plataBox), "SForma", QStringLiteral("Cod forma plata"));
  forma_->setRange(1, 7);
  forma_->setFixedWidth(44);
  {
    // Under the first item, whose caption ends with "..": the code it resends with.
    auto* row = new QHBoxLayout;
    row->setContentsMargins(24, 0, 0, 0);
    row->addWidget(forma_);
    row->addStretch(1);
    static_cast<QVBoxLayout*>(plataBox->layout())->insertLayout(1, row);
  }
  layout->addWidget(plataBox);
  layout->addStretch(1);

  BindChoice(erImpr_, [this](int id) { s_.TratareEroareStare = id; });
  BindChoice(erModPlata_, [this](int id) {
    s_.TratareFormaPlata = id;
    ShowFormSpin();
  });
  connect(forma_, &QSpinBox::valueChanged, this, [this](int v) {
    if (!loading_) s_.CodFormaPlata = v;
  });
  return page;
}

void SettingsPanel::BindChoice(QButtonGroup* group, std::function<void(int)> store) {
  connect(group, &QButtonGroup::idToggled, this, [this, store = std::move(store)](int id, bool on) {
    if (on && !loading_) store(id);
  });
}

void SettingsPanel::Reload() {
  loading_ = true;
  comunicatie_->button(s_.Comunicatie == 1 ? 1 : 0)->setChecked(true);
  port_->setCurrentIndex(s_.PortIndex >= 0 && s_.PortIndex < 16 ? s_.PortIndex : -1);
  const QString ip = FromCp1252(s_.IP);
  if (ip_->text() != ip) ip_->setText(ip);
  if (QAbstractButton* b = rata_->button(s_.BaudRate)) b->setChecked(true);
  if (QAbstractButton* b = taiere_->button(s_.ModTaiere)) b->setChecked(true);
  liniiAvans_->setValue(s_.LiniiAvans);
  sintaxa_->setCurrentIndex(s_.SintaxaIndex >= 0 && s_.SintaxaIndex <= 1 ? s_.SintaxaIndex : -1);
  if (QAbstractButton* b = erImpr_->button(s_.TratareEroareStare)) b->setChecked(true);
  if (QAbstractButton* b = erAnulare_->button(s_.TratareBonInDerulare)) b->setChecked(true);
  if (QAbstractButton* b = erModPlata_->button(s_.TratareFormaPlata)) b->setChecked(true);
  forma_->setValue(s_.CodFormaPlata);
  loading_ = false;
  ShowLinkPanel();
  ShowFormSpin();
}

void SettingsPanel::ShowLinkPanel() {
  const bool tcp = comunicatie_->checkedId() == 1;
  ipPanel_->setVisible(tcp);
  portPanel_->setVisible(!tcp);
}

void SettingsPanel::ShowFormSpin() { forma_->setVisible(erModPlata_->checkedId() == 0); }

}  // namespace vorn
