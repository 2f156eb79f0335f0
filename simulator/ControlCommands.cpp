// The control channel's commands, shared by the command line and the text
// channel of a running simulator.
#include <functional>
#include <map>

#include "simulator/FiscalDevice.h"
#include "simulator/FiscalSimulator.h"

namespace vorn::sim {

namespace {

bool ParseSwitch(const QString& word, bool* on) {
  QString w = word.toLower();
  if (w == "on" || w == "1" || w == "true" || w == "yes") {
    *on = true;
    return true;
  }
  if (w == "off" || w == "0" || w == "false" || w == "no") {
    *on = false;
    return true;
  }
  return false;
}

// Answers one control line, given as its words (the control word first, as typed).
using ControlHandler = std::function<QString(FiscalSimulator&, const QStringList&)>;

const QString kOk = QStringLiteral("OK");

// "WORD [on|off]": on when the switch is left out.
ControlHandler Switch(void (FiscalSimulator::*set)(bool)) {
  return [set](FiscalSimulator& s, const QStringList& w) -> QString {
    bool on = true;
    if (w.size() > 1 && !ParseSwitch(w[1], &on)) return "ERR expected on or off";
    (s.*set)(on);
    return kOk;
  };
}

// "WORD N" with N from 0 to a billion.
template <typename T>
ControlHandler Number(void (FiscalSimulator::*set)(T)) {
  return [set](FiscalSimulator& s, const QStringList& w) -> QString {
    bool good = false;
    qint64 v = w.size() > 1 ? w[1].toLongLong(&good) : 0;
    if (!good || v < 0 || v > 1000000000) return "ERR expected a number";
    (s.*set)(static_cast<T>(v));
    return kOk;
  };
}

QString FormUnprogrammed(FiscalSimulator& s, const QStringList& w) {
  bool good = false;
  int form = w.size() > 1 ? w[1].toInt(&good) : 0;
  bool on = true;
  if (!good || form < 1 || form > 7) return "ERR expected a payment form 1..7";
  if (w.size() > 2 && !ParseSwitch(w[2], &on)) return "ERR expected on or off";
  s.SetPaymentFormUnprogrammed(form, on);
  return kOk;
}

QString Refuse(FiscalSimulator& s, const QStringList& w) {
  bool good = false, goodExt = true;
  int code = w.size() > 1 ? w[1].toInt(&good) : 0;
  int ext = w.size() > 2 ? w[2].toInt(&goodExt) : 0;
  if (!good || !goodExt || code < 0 || code > 99) return "ERR expected a code 0..99";
  s.RefuseNextCommand(code, ext);
  return kOk;
}

QString Hold(FiscalSimulator& s, const QStringList& w) {
  bool good = true;
  int n = w.size() > 2 ? w[2].toInt(&good) : 1;
  if (w.size() < 2 || !good || n < 1) return "ERR expected a command code and a count";
  s.HoldReplyTo(w[1], n);
  return kOk;
}

QString HoldNth(FiscalSimulator& s, const QStringList& w) {
  bool good = false;
  int n = w.size() > 1 ? w[1].toInt(&good) : 0;
  if (!good || n < 1) return "ERR expected a number 1 or more";
  s.HoldReplyToNth(n);
  return kOk;
}

QString Held(FiscalSimulator& s, const QStringList&) {
  QString c = s.HeldCommand();
  return c.isEmpty() ? QStringLiteral("NONE") : "HELD " + c;
}

// "model extended|classic", or "classic" and "extended" alone.
QString Model(FiscalSimulator& s, const QStringList& w) {
  QString cmd = w[0].toLower();
  QString which = cmd == "model" ? (w.size() > 1 ? w[1].toLower() : QString()) : cmd;
  if (which != "classic" && which != "extended") return "ERR expected extended or classic";
  s.SetExtendedModel(which == "extended");
  return kOk;
}

QString ReceiptOpen(FiscalSimulator& s, const QStringList& w) {
  if (w.size() > 1 && w[1].toLower().startsWith("non")) {
    s.SetReceiptInProgress(0, true);
    return kOk;
  }
  bool good = false;
  int stage = w.size() > 1 ? w[1].toInt(&good) : 0;
  if (!good || stage < 0 || stage > 6) return "ERR expected a stage 0..6 or nonfiscal";
  s.SetReceiptInProgress(stage);
  return kOk;
}

QString Series(FiscalSimulator& s, const QStringList& w) {
  if (w.size() < 2) return "ERR expected a series";
  s.SetFiscalSeries(w[1]);
  return kOk;
}

// A word that takes no argument and answers OK.
ControlHandler Action(void (FiscalSimulator::*act)()) {
  return [act](FiscalSimulator& s, const QStringList&) -> QString {
    (s.*act)();
    return kOk;
  };
}

// A word that answers with text about the simulator.
ControlHandler Text(QString (*read)(const FiscalSimulator&)) {
  return [read](FiscalSimulator& s, const QStringList&) { return read(s); };
}

// Every control word; ControlHelp() says what each does.
const std::map<QString, ControlHandler>& ControlWords() {
  using S = FiscalSimulator;
  static const std::map<QString, ControlHandler> words = {
      {"paper-out", Switch(&S::SetPaperOut)},
      {"paper-near-end", Switch(&S::SetPaperNearEnd)},
      {"cover-open", Switch(&S::SetCoverOpen)},
      {"cutter-error", Switch(&S::SetCutterError)},
      {"journal-full", Switch(&S::SetJournalFull)},
      {"journal-near-full", Switch(&S::SetJournalNearFull)},
      {"journal-missing", Switch(&S::SetJournalMissing)},
      {"display-missing", Switch(&S::SetDisplayMissing)},
      {"fm-full", Switch(&S::SetFiscalMemoryFull)},
      {"fm-missing", Switch(&S::SetFiscalMemoryMissing)},
      {"not-fiscalized", Switch(&S::SetNotFiscalized)},
      {"24h", Switch(&S::Set24hSinceFirstReceipt)},
      {"silent", Switch(&S::SetSilent)},
      {"export-bad-hex", Switch(&S::SetExportBadHex)},
      {"journal-free-lines", Number(&S::SetJournalFreeLines)},
      {"nak", Number(&S::NakNextFrames)},
      {"cut", Number(&S::CutNextReply)},
      {"chunk", Number(&S::SetChunkSize)},
      {"delay", Number(&S::SetReplyDelayMs)},
      {"report-busy", Number(&S::SetReportBusyMs)},
      {"slow-reports", Number(&S::SetSlowReportMs)},
      {"export-delay", Number(&S::SetExportReadyDelayMs)},
      {"export-size", Number(&S::SetExportSize)},
      {"form-unprogrammed", FormUnprogrammed},
      {"refuse", Refuse},
      {"hold", Hold},
      {"hold-nth", HoldNth},
      {"held", Held},
      {"release", Action(&S::ReleaseHeldReply)},
      {"drop", Action(&S::DropConnectionOnNextCommand)},
      {"model", Model},
      {"classic", Model},
      {"extended", Model},
      {"receipt-open", ReceiptOpen},
      {"series", Series},
      {"status", Text([](const S& s) { return s.StatusText(); })},
      {"roll", Text([](const S& s) { return s.PaperRoll(); })},
      {"log", Text([](const S& s) { return s.CommandLog().join('\n'); })},
      {"help", Text([](const S&) { return S::ControlHelp(); })},
  };
  return words;
}

}  // namespace

QString FiscalSimulator::ControlHelp() {
  return QStringLiteral(
      "Control commands (one per line; answer \"OK\", \"ERR <reason>\" or text):\n"
      "  paper-out on|off          printing refused with 16\n"
      "  paper-near-end on|off     warning bit only\n"
      "  cover-open on|off         printing refused with 37\n"
      "  cutter-error on|off       the cut refused with 67\n"
      "  journal-full on|off       fiscal printing refused with 30\n"
      "  journal-near-full on|off  warning bit only\n"
      "  journal-missing on|off    journal reports refused with 33\n"
      "  display-missing on|off    display text refused with 56\n"
      "  fm-full on|off            new receipts and Z refused with 51\n"
      "  fm-missing on|off         fiscal printing refused with 50\n"
      "  not-fiscalized on|off     warning bit only\n"
      "  24h on|off                fiscal commands refused with 61 until a Z report\n"
      "  journal-free-lines N      what the journal free-line query reports\n"
      "  form-unprogrammed F on|off  payment form F (1 NUMERAR, 2 CEC, 3 CARD..) refused\n"
      "                            with 99, extended error 144\n"
      "  refuse CODE [EXT]         the next command is refused with CODE\n"
      "  nak N                     the next N frames are answered with NAK\n"
      "  silent on|off             frames are read and never answered\n"
      "  cut N                     the next reply stops after N bytes\n"
      "  chunk N                   replies go out in pieces of N bytes (0: whole)\n"
      "  delay MS                  pause before every reply\n"
      "  drop                      the connection is dropped at the next command\n"
      "  hold CODE [N]             the next (Nth) command beginning with CODE is carried\n"
      "                            out and its reply held until release (e.g. hold 3011)\n"
      "  hold-nth N                the same for the Nth command from now\n"
      "  held                      \"HELD <command>\" while a reply is held, else \"NONE\"\n"
      "  release                   sends the held reply and forgets pending holds\n"
      "  model extended|classic    model text with or without \"M4\"\n"
      "  receipt-open STAGE        leave a fiscal receipt in stage 1..6 (0: none)\n"
      "  receipt-open nonfiscal    leave a non-fiscal receipt open\n"
      "  report-busy MS            how long a long report keeps the device busy\n"
      "  slow-reports MS           fiscal memory and journal reports print for MS (0: at\n"
      "                            once); a stop (5005) from any connection, or between\n"
      "                            frames on the serial line, cuts one short: the roll\n"
      "                            says RAPORT INTRERUPT, the stop's reply goes first and\n"
      "                            the report's own normal reply follows at once\n"
      "  export-delay MS           how long an export takes to prepare\n"
      "  export-size BYTES         approximate size of the export archive\n"
      "  export-bad-hex on|off     each hexadecimal export block begins with a non-hex pair\n"
      "  series TEXT               fiscal series\n"
      "  status                    the device state\n"
      "  roll                      everything printed so far\n"
      "  log                       the commands received\n"
      "  help                      this text\n"
      "  quit                      close the control connection\n");
}

QString FiscalSimulator::ApplyControl(const QString& line) {
  QStringList w = line.simplified().split(' ', Qt::SkipEmptyParts);
  if (w.isEmpty()) return QStringLiteral("ERR empty command");
  const std::map<QString, ControlHandler>& words = ControlWords();
  auto it = words.find(w[0].toLower());
  if (it == words.end()) return "ERR unknown command " + w[0];
  return it->second(*this, w);
}

}  // namespace vorn::sim
