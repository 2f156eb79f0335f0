#include "console/RomMessageDialog.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <cstdio>

#include "console/Cp1252.h"

namespace vorn {
namespace {

std::deque<MsgResult>& Queue() {
  static std::deque<MsgResult> queue;
  return queue;
}
std::optional<MsgResult>& Fallback() {
  static std::optional<MsgResult> fallback;
  return fallback;
}
std::vector<RomMessageDialog::Record>& Records() {
  static std::vector<RomMessageDialog::Record> records;
  return records;
}
bool& StoppingFlag() {
  static bool stopping = false;
  return stopping;
}
std::vector<QPointer<QDialog>>& OpenBoxes() {
  static std::vector<QPointer<QDialog>> open;
  return open;
}

const char* AnswerName(MsgResult answer) {
  switch (answer) {
    case MsgResult::Yes:
      return "Da";
    case MsgResult::No:
      return "Nu";
    case MsgResult::Ok:
      return "OK";
    case MsgResult::Cancel:
      return "Renunta";
    case MsgResult::None:
      break;
  }
  return "-";
}

// A box nobody saw still leaves its text where a headless run leaves it.
void TellUnseen(const RomMessageDialog::Record& record) {
  std::string text = record.text;
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  std::fprintf(stderr, "vorndrv: %s: %s -> %s\n", record.caption.c_str(), text.c_str(),
               AnswerName(record.answer));
}

QString DisplayText(const std::string& text) {
  QString shown = FromCp1252(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

}  // namespace

std::string RomMessageDialog::DefaultCaption(MsgKind kind) {
  switch (kind) {
    case MsgKind::Warning:
      return "Atentie !";
    case MsgKind::Error:
      return "EROARE !";
    case MsgKind::Information:
      return "Informatie...";
    case MsgKind::Confirmation:
      return "Confirmare...";
    case MsgKind::Custom:
      return "";
  }
  return "";
}

RomMessageDialog::RomMessageDialog(const std::string& text, const std::string& caption,
                                   MsgKind kind, int buttons, QWidget* parent)
    : QDialog(parent), buttons_(buttons) {
  setObjectName(QStringLiteral("TERomDialog"));
  setWindowTitle(FromCp1252(caption.empty() ? DefaultCaption(kind) : caption));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("PMesaj"));
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  auto* panelLayout = new QHBoxLayout(panel);
  panelLayout->setContentsMargins(16, 14, 16, 14);
  panelLayout->setSpacing(14);

  QStyle::StandardPixmap picture = QStyle::SP_CustomBase;
  if (kind == MsgKind::Warning || kind == MsgKind::Error) picture = QStyle::SP_MessageBoxWarning;
  if (kind == MsgKind::Confirmation) picture = QStyle::SP_MessageBoxQuestion;
  if (picture != QStyle::SP_CustomBase) {
    auto* image = new QLabel(panel);
    image->setObjectName(QStringLiteral("Image"));
    image->setPixmap(style()->standardIcon(picture).pixmap(40, 40));
    image->setAlignment(Qt::AlignTop);
    panelLayout->addWidget(image, 0, Qt::AlignTop);
  }

  auto* message = new QLabel(DisplayText(text), panel);
  message->setObjectName(QStringLiteral("LMesaj"));
  QFont bold = message->font();
  bold.setBold(true);
  message->setFont(bold);
  message->setAlignment(Qt::AlignCenter);
  message->setWordWrap(true);
  message->setTextInteractionFlags(Qt::TextSelectableByMouse);
  int maxWidth = 600;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    maxWidth = std::max(200, screen->availableGeometry().width() / 2);
  }
  message->setMaximumWidth(maxWidth);
  const QFontMetrics metrics(bold);
  int longest = 0;
  for (const QString& line : message->text().split(QLatin1Char('\n'))) {
    longest = std::max(longest, metrics.horizontalAdvance(line));
  }
  message->setMinimumWidth(std::min(maxWidth, std::max(160, longest + 4)));
  panelLayout->addWidget(message, 1);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  const std::pair<MsgResult, const char*> order[] = {{MsgResult::Yes, "Da"},
                                                     {MsgResult::No, "Nu"},
                                                     {MsgResult::Ok, "OK"},
                                                     {MsgResult::Cancel, "Renunta"}};
  const int bits[] = {kBtnYes, kBtnNo, kBtnOk, kBtnCancel};
  bool first = true;
  for (size_t i = 0; i < 4; ++i) {
    if (!(buttons & bits[i])) continue;
    auto* button = new QPushButton(QString::fromLatin1(order[i].second), this);
    button->setObjectName(QStringLiteral("B") + QString::fromLatin1(order[i].second));
    button->setAccessibleName(button->text());
    button->setFixedWidth(80);
    const MsgResult result = order[i].first;
    connect(button, &QPushButton::clicked, this, [this, result]() {
      result_ = result;
      accept();
    });
    if (first) {
      button->setDefault(true);
      button->setFocus();
      first = false;
    }
    buttonWidgets_.emplace_back(result, button);
    auto* slot = new QHBoxLayout;  // each button centred in a 90 px slot
    slot->setContentsMargins(5, 0, 5, 0);
    slot->addWidget(button);
    row->addLayout(slot);
  }
  row->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(panel);
  layout->addWidget(line);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QPushButton* RomMessageDialog::ButtonFor(MsgResult which) const {
  for (const auto& [result, button] : buttonWidgets_) {
    if (result == which) return button;
  }
  return nullptr;
}

void RomMessageDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    if (buttons_ & kBtnCancel) {
      result_ = MsgResult::Cancel;
      accept();
    } else if (buttons_ & kBtnOk) {
      result_ = MsgResult::Ok;
      accept();
    }
    return;  // no cancel and no OK: Escape does nothing
  }
  QDialog::keyPressEvent(event);
}

MsgResult RomMessageDialog::Show(const std::string& text, const std::string& caption, MsgKind kind,
                                 int buttons, QWidget* parent) {
  Record record{text, caption.empty() ? DefaultCaption(kind) : caption, kind, buttons,
                MsgResult::None};
  if (Stopping()) {
    record.answer = HeadlessAnswer(buttons);
    TellUnseen(record);
  } else if (!Queue().empty()) {
    record.answer = Queue().front();
    Queue().pop_front();
  } else if (Fallback()) {
    record.answer = *Fallback();
  } else if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    // No widgets (headless): nothing to show, nothing pressed.
    record.answer = MsgResult::None;
  } else {
    // A window manager may keep a box for a hidden window (the console in the
    // tray) off the screen, where nobody can answer it.
    QWidget* owner = parent && parent->window()->isVisible() ? parent : nullptr;
    RomMessageDialog dialog(text, caption, kind, buttons, owner);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      dialog.adjustSize();
      dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    }
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    ExecUnlessStopping(dialog);
    QGuiApplication::restoreOverrideCursor();
    record.answer = dialog.result_;
    if (dialog.closedByStop_) TellUnseen(record);
  }
  Records().push_back(record);
  return record.answer;
}

void RomMessageDialog::BeginStopping() {
  StoppingFlag() = true;
  const std::vector<QPointer<QDialog>> open = OpenBoxes();  // closing edits the list
  for (const QPointer<QDialog>& dialog : open) {
    if (!dialog) continue;
    if (auto* box = qobject_cast<RomMessageDialog*>(dialog.data())) {
      box->result_ = HeadlessAnswer(box->buttons_);
      box->closedByStop_ = true;
      box->accept();
    } else {
      dialog->reject();
    }
  }
}

bool RomMessageDialog::Stopping() { return StoppingFlag(); }

MsgResult RomMessageDialog::HeadlessAnswer(int buttons) {
  if (buttons & kBtnCancel) return MsgResult::Cancel;
  if (buttons & kBtnNo) return MsgResult::No;
  if (buttons & kBtnOk) return MsgResult::Ok;
  return MsgResult::None;
}

int RomMessageDialog::ExecUnlessStopping(QDialog& dialog) {
  if (Stopping()) return QDialog::Rejected;
  OpenBoxes().emplace_back(&dialog);
  const int code = dialog.exec();
  std::erase_if(OpenBoxes(),
                [&dialog](const QPointer<QDialog>& open) { return !open || open == &dialog; });
  return code;
}

void RomMessageDialog::SetNextAnswer(MsgResult answer) { Queue().push_back(answer); }
void RomMessageDialog::SetUnansweredFallback(std::optional<MsgResult> answer) {
  Fallback() = answer;
}
const std::vector<RomMessageDialog::Record>& RomMessageDialog::Shown() { return Records(); }
void RomMessageDialog::ClearShown() {
  Records().clear();
  Queue().clear();
  StoppingFlag() = false;
}

}  // namespace vorn
