#include "console/TXV_MAIN.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cstdio>

#include "console/CommandPanel.h"
#include "console/ConsoleImages.h"
#include "console/Cp1252.h"
#include "console/RomMessageDialog.h"
#include "console/SettingsPanel.h"
#include "console/TrayIcon.h"
#include "controls/TBitmapButton.h"
#include "core/ProgramFolder.h"

namespace vorn {

namespace {

constexpr const char* kStop = "Stop procesare";
constexpr const char* kStart = "Start procesare";

TBitmapButton* BitmapButton(const char* name, const char* caption, images::Glyph glyph,
                            QWidget* parent) {
  auto* button = new TBitmapButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAccessibleName(QString::fromLatin1(caption).remove(QLatin1Char('&')));
  button->SetGlyph(images::ButtonGlyph(glyph));
  return button;
}

QAction* Item(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(QString::fromLatin1(caption));
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

}  // namespace

TXV_MAIN::TXV_MAIN(ServiceCore& core, OperatorQuestions* questions, QWidget* parent)
    : QWidget(parent), core_(core), dialogs_(this), questions_(questions ? *questions : dialogs_) {
  setObjectName(QStringLiteral("TXV_MAIN"));
  setWindowTitle(QStringLiteral("Vorn_Drv vers.2.7"));
  setWindowIcon(images::ApplicationIcon());
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setFixedSize(487, 321);

  BuildMenus();
  BuildWindow();
  tray_ = new TrayIcon(this, messPopup_, this);

  pictureChooser = [this]() {
    return QFileDialog::getOpenFileName(this, QStringLiteral("Alege logo"), QString(),
                                        QStringLiteral("Imagini BMP (*.bmp *.BMP);;Toate (*)"));
  };
  runDialog = [](QDialog& dialog) { dialog.exec(); };

  connect(&core_, &ServiceCore::StateChanged, this, &TXV_MAIN::ShowState);
  connect(&core_, &ServiceCore::WarningsChanged, this,
          [this]() { commandPanel_->ShowWarnings(core_.Warnings()); });
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  ShowState();
}

TXV_MAIN::~TXV_MAIN() {
  // The service must not call back into half-destroyed widgets.
  disconnect(&core_, nullptr, this, nullptr);
}

void TXV_MAIN::BuildMenus() {
  messPopup_ = new QMenu(this);
  messPopup_->setObjectName(QStringLiteral("MessPopup"));
  config_ = Item(messPopup_, "Config", "Configurari");
  stareMeniu_ = Item(messPopup_, "StareMeniu", "Stop procesare mesaje");
  Item(messPopup_, "Stopprogram1", "Stop program");
  connect(config_, &QAction::triggered, this, &TXV_MAIN::ConfigClick);
  connect(stareMeniu_, &QAction::triggered, this, &TXV_MAIN::StareMeniuClick);
  connect(messPopup_->findChild<QAction*>(QStringLiteral("Stopprogram1")), &QAction::triggered,
          this, &TXV_MAIN::Stopprogram1Click);
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { messPopup_->popup(mapToGlobal(at)); });

  popUpZ_ = new QMenu(this);
  popUpZ_->setObjectName(QStringLiteral("PopUpZ"));
  const char* const kNames[] = {"RaportfiscalZ1", "RaportZpedepartamente1", "RaportZpecotedeTVA1",
                                "RaportZpePLU1"};
  const char* const kCaptions[] = {"Raport fiscal Z", "Raport Z pe departamente",
                                   "Raport Z pe cote de TVA", "Raport Z pe PLU"};
  for (int kind = 0; kind < 4; ++kind) {
    connect(Item(popUpZ_, kNames[kind], kCaptions[kind]), &QAction::triggered, this,
            [this, kind]() { RunZReport(kind); });
  }
}

void TXV_MAIN::BuildWindow() {
  bstare_ = BitmapButton("Bstare", kStart, images::Glyph::Start, this);
  bconfig2_ = BitmapButton("BConfig2", "&Configurari", images::Glyph::Config, this);
  biesire_ = BitmapButton("Biesire", "I&esire", images::Glyph::Exit, this);
  jetButton1_ = BitmapButton("JetButton1", "&Stop program", images::Glyph::Power, this);
  int y = 10;
  for (TBitmapButton* b : {bstare_, bconfig2_, biesire_, jetButton1_}) {
    b->setGeometry(6, y, 150, 38);
    y += 44;
  }
  connect(bstare_, &QAbstractButton::clicked, this, &TXV_MAIN::BstareClick);
  connect(bconfig2_, &QAbstractButton::clicked, this, &TXV_MAIN::BConfig2Click);
  connect(biesire_, &QAbstractButton::clicked, this, &TXV_MAIN::BiesireClick);
  connect(jetButton1_, &QAbstractButton::clicked, this, &TXV_MAIN::JetButton1Click);

  i1_ = new QLabel(this);
  i1_->setObjectName(QStringLiteral("I1"));
  i1_->setAccessibleName(QStringLiteral("Procesare pornita"));
  i1_->setPixmap(images::Indicator(true));
  i2_ = new QLabel(this);
  i2_->setObjectName(QStringLiteral("I2"));
  i2_->setAccessibleName(QStringLiteral("Procesare oprita"));
  i2_->setPixmap(images::Indicator(false));
  i1_->setGeometry(70, 190, 22, 22);
  i2_->setGeometry(70, 190, 22, 22);

  auto* status = new QWidget(this);
  status->setObjectName(QStringLiteral("PStatusDrv"));
  status->setAccessibleName(QStringLiteral("Stare conexiune"));
  status->setGeometry(6, 228, 150, 88);
  status->setStyleSheet(QStringLiteral("#PStatusDrv { border: 1px solid #b8bcc6; }"));
  auto* statusLayout = new QVBoxLayout(status);
  statusLayout->setContentsMargins(5, 4, 5, 4);
  comunicatie_ = new QLabel(status);
  comunicatie_->setObjectName(QStringLiteral("LComunicatie"));
  comunicatie_->setWordWrap(true);
  QFont bold = comunicatie_->font();
  bold.setBold(true);
  comunicatie_->setFont(bold);
  modelCasa_ = new QLabel(status);
  modelCasa_->setObjectName(QStringLiteral("PModelCasa"));
  modelCasa_->setAccessibleName(QStringLiteral("Model casa"));
  modelCasa_->setWordWrap(true);
  statusLayout->addWidget(comunicatie_);
  statusLayout->addWidget(modelCasa_);
  statusLayout->addStretch(1);

  commandPanel_ = new CommandPanel(this);
  commandPanel_->setGeometry(162, 4, 320, 313);
  settingsPanel_ = new SettingsPanel(core_.Config(), this);
  settingsPanel_->setGeometry(162, 4, 320, 313);
  settingsPanel_->hide();

  const std::pair<const char*, void (TXV_MAIN::*)()> kButtons[] = {
      {"BanulareBon", &TXV_MAIN::BanulareBonClick},
      {"BInchidere", &TXV_MAIN::BInchidereClick},
      {"BitBtn2", &TXV_MAIN::BitBtn2Click},
      {"BLogoGrafic", &TXV_MAIN::BLogoGraficClick},
      {"BVerificari", &TXV_MAIN::BVerificariClick},
      {"BRaportZilnic", &TXV_MAIN::BRaportZilnicClick},
      {"BRaportX", &TXV_MAIN::BRaportXClick},
      {"BRaportMFZ", &TXV_MAIN::BRaportMFZClick},
      {"BraportMFD", &TXV_MAIN::BraportMFDClick}};
  for (const auto& [name, handler] : kButtons) {
    connect(commandPanel_->Button(QString::fromLatin1(name)), &QPushButton::clicked, this, handler);
  }
  connect(commandPanel_->Button(QStringLiteral("BExportXML")), &QPushButton::clicked, this,
          [this]() { BExportXMLClick(false); });
  connect(commandPanel_->Button(QStringLiteral("BExportXML2")), &QPushButton::clicked, this,
          [this]() { BExportXMLClick(true); });
}

// ---------------------------------------------------------------- start and end

void TXV_MAIN::FormCreate() {
  tray_->Show();
  core_.Start();
  // Without a notification area the hidden window could never be reached.
  if (!TrayIcon::Available()) {
    std::fprintf(stderr, "vorndrv: fara zona de notificare: fereastra ramane afisata\n");
    show();
  }
}

void TXV_MAIN::EndProgram() {
  if (ended_) return;
  ended_ = true;
  // The job in hand may wait for the operator, or its outcome box may; nobody
  // is expected to answer any more, and the end must not wait for a click.
  RomMessageDialog::BeginStopping();
  hide();
  // The icon stays while the job in hand ends: the program still runs.
  const QPointer<TXV_MAIN> self(this);
  core_.EndAfterRunningJob([self] {
    if (!self) return;
    self->tray_->Remove();
    Q_EMIT self->ProgramEnded();
  });
}

void TXV_MAIN::closeEvent(QCloseEvent* event) {
  // The close box hides the window; only the stop commands end the program.
  if (!ended_) {
    event->ignore();
    hide();
    return;
  }
  QWidget::closeEvent(event);
}

// ---------------------------------------------------------------- state shown

void TXV_MAIN::ShowState() {
  const bool on = core_.IsProcessing();
  if (shownProcessing_ != on) {
    shownProcessing_ = on;
    const QString caption = QString::fromLatin1(on ? kStop : kStart);
    bstare_->setText(caption);
    bstare_->setAccessibleName(caption);
    bstare_->SetGlyph(images::ButtonGlyph(on ? images::Glyph::Stop : images::Glyph::Start));
    stareMeniu_->setText(caption);
    config_->setEnabled(!on);
    if (on) settingsPanel_->hide();
    bconfig2_->setEnabled(!on);
    i1_->setVisible(on);
    i2_->setVisible(!on);
    commandPanel_->setEnabled(!on);
    ShowPanels();
    tray_->SetProcessing(on);
  }
  settingsPanel_->Reload();
  ShowConnection();
}

void TXV_MAIN::ShowPanels() { commandPanel_->setVisible(settingsPanel_->isHidden()); }

void TXV_MAIN::ShowConnection() {
  const Settings& s = core_.Config();
  QString text = QStringLiteral("Neconectat la casa");
  QString color = QStringLiteral("#d00000");
  if (core_.IsConnected()) {
    text = s.UseTcp() ? QStringLiteral("Conectat la casa : IP ") + FromCp1252(s.IP)
                      : QStringLiteral("Conectat la casa : COM ") + QString::number(s.ComNumber());
    color = QStringLiteral("#008000");
  }
  if (comunicatie_->text() != text) {
    comunicatie_->setText(text);
    comunicatie_->setAccessibleName(text);
  }
  comunicatie_->setStyleSheet(QStringLiteral("color: ") + color);
  const QString model = FromCp1252(core_.ModelText());
  if (modelCasa_->text() != model) modelCasa_->setText(model);
}

// ---------------------------------------------------------------- window commands

void TXV_MAIN::BstareClick() { core_.SetProcessingFromButton(!core_.IsProcessing()); }

void TXV_MAIN::StareMeniuClick() { core_.SetProcessing(!core_.IsProcessing()); }

void TXV_MAIN::BConfig2Click() {
  if (!bconfig2_->isEnabled()) return;
  settingsPanel_->setVisible(settingsPanel_->isHidden());
  ShowPanels();
  if (settingsPanel_->isVisible()) core_.Config().SettingsTouched = true;
}

void TXV_MAIN::ConfigClick() {
  if (isVisible()) return;
  show();
  raise();
  activateWindow();
  BConfig2Click();
}

void TXV_MAIN::BiesireClick() { hide(); }

void TXV_MAIN::JetButton1Click() {
  const bool held = core_.HoldConnectionRetest();
  if (RomMessageDialog::Show("Sigur inchizi programul ?", "Atentie", MsgKind::Confirmation,
                             kBtnYes | kBtnNo, this) == MsgResult::Yes) {
    EndProgram();
    return;
  }
  if (held) core_.ResumeConnectionRetest();
}

void TXV_MAIN::Stopprogram1Click() { EndProgram(); }

}  // namespace vorn
