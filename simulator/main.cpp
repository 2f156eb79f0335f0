// vorn-sim: the fiscal device simulator as a program, for the demo, the
// integration tests and the benchmarks.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <optional>

#include "simulator/FiscalSimulator.h"

namespace {

const char* const kSwitches[] = {"paper-out",       "paper-near-end",  "cover-open",
                                 "cutter-error",    "journal-full",    "journal-near-full",
                                 "journal-missing", "display-missing", "fm-full",
                                 "fm-missing",      "not-fiscalized",  "24h",
                                 "silent"};
const char* const kValues[][2] = {
    {"journal-free-lines", "N"}, {"chunk", "BYTES"},     {"delay", "MS"},
    {"report-busy", "MS"},       {"export-delay", "MS"}, {"export-size", "BYTES"},
    {"receipt-open", "STAGE"},   {"series", "TEXT"},     {"nak", "N"},
    {"slow-reports", "MS"},
};

void DefineOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(
      "Fiscal device simulator: answers the device protocol on TCP and/or a pseudo-terminal,\n"
      "prints a readable paper roll, and switches faults on demand.\n\n" +
      vorn::sim::FiscalSimulator::ControlHelp() +
      "\nEvery control command can also be given at start as an option of the same name\n"
      "(e.g. --paper-out, --journal-free-lines 400).");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption({"tcp", "Listen on TCP at ADDRESS (e.g. 127.0.0.2).", "ADDRESS"});
  parser.addOption({"port", "TCP port (default 9100; 0 picks a free one).", "PORT", "9100"});
  parser.addOption({"pty", "Serve a pseudo-terminal; its path is printed on standard output."});
  parser.addOption({"control", "Open the control channel on PORT of the same address.", "PORT"});
  parser.addOption({"roll", "Append the paper roll to FILE as it prints.", "FILE"});
  parser.addOption({"classic", "Classic model (status in the 1215 layout)."});
  for (const char* s : kSwitches) parser.addOption({s, QString("Start with %1 on.").arg(s)});
  for (const auto& v : kValues) parser.addOption({v[0], QString("Start with %1.").arg(v[0]), v[1]});
}

// The start options' faults and settings; false, told on `err`, for a bad value.
bool ApplyStartOptions(const QCommandLineParser& parser, vorn::sim::FiscalSimulator& sim,
                       QTextStream& err) {
  if (parser.isSet("classic")) sim.SetExtendedModel(false);
  for (const char* s : kSwitches)
    if (parser.isSet(s)) sim.ApplyControl(QString(s) + " on");
  for (const auto& v : kValues) {
    if (!parser.isSet(v[0])) continue;
    QString answer = sim.ApplyControl(QString(v[0]) + " " + parser.value(v[0]));
    if (answer != "OK") {
      err << "--" << v[0] << ": " << answer << "\n";
      return false;
    }
  }
  if (parser.isSet("roll")) sim.SetPaperRollFile(parser.value("roll"));
  return true;
}

// Opens what the options ask to serve, each told on `out`; the exit code when
// one cannot be opened.
std::optional<int> Serve(const QCommandLineParser& parser, vorn::sim::FiscalSimulator& sim,
                         QTextStream& out, QTextStream& err) {
  if (!parser.isSet("tcp") && !parser.isSet("pty")) {
    err << "nothing to serve: give --tcp ADDRESS and/or --pty (see --help)\n";
    return 2;
  }
  QString address = parser.value("tcp");
  if (parser.isSet("tcp")) {
    bool good = false;
    uint port = parser.value("port").toUInt(&good);
    if (!good || port > 65535) {
      err << "bad --port\n";
      return 2;
    }
    if (!sim.ListenTcp(address, static_cast<quint16>(port))) {
      err << "cannot listen on " << address << ":" << port << ": " << sim.LastError() << "\n";
      return 1;
    }
    out << "tcp " << address << ":" << sim.TcpPort() << "\n";
  }
  if (parser.isSet("pty")) {
    QString path = sim.OpenPseudoTerminal();
    if (path.isEmpty()) {
      err << "cannot open a pseudo-terminal: " << sim.LastError() << "\n";
      return 1;
    }
    out << path << "\n";
  }
  if (parser.isSet("control")) {
    bool good = false;
    uint port = parser.value("control").toUInt(&good);
    QString host = address.isEmpty() ? QString("127.0.0.1") : address;
    if (!good || port > 65535 || !sim.ListenControl(host, static_cast<quint16>(port))) {
      err << "cannot open the control channel: " << sim.LastError() << "\n";
      return 1;
    }
    out << "control " << host << ":" << sim.ControlPort() << "\n";
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("vorn-sim");
  QCoreApplication::setApplicationVersion(QString("%1.%2.%3.%4")
                                              .arg(VORN_VERSION_MAJOR)
                                              .arg(VORN_VERSION_MINOR)
                                              .arg(VORN_VERSION_PATCH)
                                              .arg(VORN_VERSION_TWEAK));
  QTextStream out(stdout);
  QTextStream err(stderr);

  QCommandLineParser parser;
  DefineOptions(parser);
  parser.process(app);

  vorn::sim::FiscalSimulator sim;
  if (!ApplyStartOptions(parser, sim, err)) return 2;
  if (std::optional<int> failed = Serve(parser, sim, out, err)) return *failed;
  out.flush();

  return app.exec();
}
