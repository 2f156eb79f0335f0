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
  QString cmd = w[0].toLower();
  const QString ok = QStringLiteral("OK");

  static const std::map<QString, std::function<void(FiscalSimulator*, bool)>> switches = {
      {"paper-out", &FiscalSimulator::SetPaperOut},
      {"paper-near-end", &FiscalSimulator::SetPaperNearEnd},
      {"cover-open", &FiscalSimulator::SetCoverOpen},
      {"cutter-error", &FiscalSimulator::SetCutterError},
      {"journal-full", &FiscalSimulator::SetJournalFull},
      {"journal-near-full", &FiscalSimulator::SetJournalNearFull},
      {"journal-missing", &FiscalSimulator::SetJournalMissing},
      {"display-missing", &FiscalSimulator::SetDisplayMissing},
      {"fm-full", &FiscalSimulator::SetFiscalMemoryFull},
      {"fm-missing", &FiscalSimulator::SetFiscalMemoryMissing},
      {"not-fiscalized", &FiscalSimulator::SetNotFiscalized},
      {"24h", &FiscalSimulator::Set24hSinceFirstReceipt},
      {"silent", &FiscalSimulator::SetSilent},
      {"export-bad-hex", &FiscalSimulator::SetExportBadHex},
  };
  static const std::map<QString, std::function<void(FiscalSimulator*, qint64)>> numbers = {
      {"journal-free-lines", &FiscalSimulator::SetJournalFreeLines},
      {"nak", [](FiscalSimulator* s, qint64 v) { s->NakNextFrames(static_cast<int>(v)); }},
      {"cut", [](FiscalSimulator* s, qint64 v) { s->CutNextReply(static_cast<int>(v)); }},
      {"chunk", [](FiscalSimulator* s, qint64 v) { s->SetChunkSize(static_cast<int>(v)); }},
      {"delay", [](FiscalSimulator* s, qint64 v) { s->SetReplyDelayMs(static_cast<int>(v)); }},
      {"report-busy",
       [](FiscalSimulator* s, qint64 v) { s->SetReportBusyMs(static_cast<int>(v)); }},
      {"export-delay",
       [](FiscalSimulator* s, qint64 v) { s->SetExportReadyDelayMs(static_cast<int>(v)); }},
      {"export-size", &FiscalSimulator::SetExportSize},
  };

  if (auto it = switches.find(cmd); it != switches.end()) {
    bool on = true;
    if (w.size() > 1 && !ParseSwitch(w[1], &on)) return "ERR expected on or off";
    it->second(this, on);
    return ok;
  }
  if (auto it = numbers.find(cmd); it != numbers.end()) {
    bool good = false;
    qint64 v = w.size() > 1 ? w[1].toLongLong(&good) : 0;
    if (!good || v < 0 || v > 1000000000) return "ERR expected a number";
    it->second(this, v);
    return ok;
  }
  if (cmd == "form-unprogrammed") {
    bool good = false;
    int form = w.size() > 1 ? w[1].toInt(&good) : 0;
    bool on = true;
    if (!good || form < 1 || form > 7) return "ERR expected a payment form 1..7";
    if (w.size() > 2 && !ParseSwitch(w[2], &on)) return "ERR expected on or off";
    SetPaymentFormUnprogrammed(form, on);
    return ok;
  }
  if (cmd == "refuse") {
    bool good = false, goodExt = true;
    int code = w.size() > 1 ? w[1].toInt(&good) : 0;
    int ext = w.size() > 2 ? w[2].toInt(&goodExt) : 0;
    if (!good || !goodExt || code < 0 || code > 99) return "ERR expected a code 0..99";
    RefuseNextCommand(code, ext);
    return ok;
  }
  if (cmd == "hold") {
    bool good = true;
    int n = w.size() > 2 ? w[2].toInt(&good) : 1;
    if (w.size() < 2 || !good || n < 1) return "ERR expected a command code and a count";
    HoldReplyTo(w[1], n);
    return ok;
  }
  if (cmd == "hold-nth") {
    bool good = false;
    int n = w.size() > 1 ? w[1].toInt(&good) : 0;
    if (!good || n < 1) return "ERR expected a number 1 or more";
    HoldReplyToNth(n);
    return ok;
  }
  if (cmd == "held") {
    QString c = HeldCommand();
    return c.isEmpty() ? QStringLiteral("NONE") : "HELD " + c;
  }
  if (cmd == "release") {
    ReleaseHeldReply();
    return ok;
  }
  if (cmd == "drop") {
    DropConnectionOnNextCommand();
    return ok;
  }
  if (cmd == "model" || cmd == "classic" || cmd == "extended") {
    QString which = cmd == "model" ? (w.size() > 1 ? w[1].toLower() : QString()) : cmd;
    if (which != "classic" && which != "extended") return "ERR expected extended or classic";
    SetExtendedModel(which == "extended");
    return ok;
  }
  if (cmd == "receipt-open") {
    if (w.size() > 1 && w[1].toLower().startsWith("non")) {
      SetReceiptInProgress(0, true);
      return ok;
    }
    bool good = false;
    int stage = w.size() > 1 ? w[1].toInt(&good) : 0;
    if (!good || stage < 0 || stage > 6) return "ERR expected a stage 0..6 or nonfiscal";
    SetReceiptInProgress(stage);
    return ok;
  }
  if (cmd == "series") {
    if (w.size() < 2) return "ERR expected a series";
    SetFiscalSeries(w[1]);
    return ok;
  }
  if (cmd == "status") return StatusText();
  if (cmd == "roll") return PaperRoll();
  if (cmd == "log") return CommandLog().join('\n');
  if (cmd == "help") return ControlHelp();
  return "ERR unknown command " + w[0];
}

}  // namespace vorn::sim
