#include "execution/XmlExport.h"

#include <QByteArray>
#include <QDir>
#include <QSaveFile>
#include <QString>

#include "base/Clock.h"
#include "core/Cleanup.h"
#include "execution/RunSupport.h"

namespace vorn {

using namespace exec;

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr int kReadyWaitMs = 120000;

}  // namespace

HexDecoded DecodeHexText(const std::string& text) {
  HexDecoded out;
  // No fixed buffer: an archive above 200000 bytes is kept whole, never cut.
  out.bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    int hi = HexDigit(text[i]);
    int lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) {
      ++out.badPairs;
      out.bytes.push_back('\0');
    } else {
      out.bytes.push_back(static_cast<char>(hi * 16 + lo));
    }
  }
  return out;
}

std::string ExportArchiveName(const std::string& year, const std::string& month,
                              const std::string& series) {
  std::string mm = month;
  if (mm.size() < 2) mm.insert(0, 2 - mm.size(), '0');
  return year + mm + "_" + series + ".ZIP";
}

bool WriteFileWhole(const std::string& path, const std::string& bytes) {
  QSaveFile file(QString::fromLocal8Bit(path.c_str()));
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (!bytes.empty() && file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
                            static_cast<qint64>(bytes.size())) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

std::string FetchExportArchive(TXvornLinux& link, const ExportCopy& request,
                               const std::string& programFolder, std::string& fiscalSeries,
                               const ExportStepMessage& step, int* badHexPairs) {
  std::string written;
  if (badHexPairs) *badHexPairs = 0;
  WaitMs(7000);

  // Elapsed time on the monotonic clock: the wait must survive midnight.
  const int64_t start = MonotonicMs();
  std::string series;
  int seriesResult = 0;
  link.ReadFiscalSeries(series, seriesResult);
  fiscalSeries = series;

  bool ready = false;
  for (;;) {
    std::string counters;
    ready = link.ReadReceiptCounters(counters) && counters.compare(0, 5, "00000") != 0;
    WaitMs(1000);
    if (ready || MonotonicMs() - start > ScaledMs(kReadyWaitMs)) break;
  }
  if (!ready) return written;

  const bool binary = request.mode != 1;
  auto say = [&](const std::string& text) {
    if (binary && step) step(text);
  };
  say("Comanda 7400");
  if (!link.BeginExport(request.type != "R")) return written;

  bool haveFile = false;
  std::string bytes;
  if (!binary) {
    std::string hex;
    while (link.ExportNextBlock()) {
      if (link.LastReply.size() > 3) hex += link.LastReply.substr(3, 1000);
    }
    if (!hex.empty()) {
      HexDecoded decoded = DecodeHexText(hex);
      bytes = std::move(decoded.bytes);
      if (badHexPairs) *badHexPairs = decoded.badPairs;
      haveFile = true;
    }
  } else {
    say("Comanda 7404");
    const bool read = link.ReadExportFile();
    if (read || !request.onlyCompleteBinary) {
      bytes = link.ExportFileBytes();
      haveFile = true;
      say("Salvez fisier ZIP. Total bytes : " + std::to_string(bytes.size()));
    }
  }
  if (haveFile) {
    QString folder = QString::fromLocal8Bit((programFolder + "ExportXML").c_str());
    QDir().mkpath(folder);
    std::string path = (folder + QDir::separator()).toLocal8Bit().toStdString() +
                       ExportArchiveName(request.year, request.month, fiscalSeries);
    if (WriteFileWhole(path, bytes)) written = path;
  }
  say("Comanda 7408");
  link.EndExport();
  return written;
}

std::string CopyExportArchive(TXvornLinux& link, const ExportCopy& request,
                              const std::string& programFolder, std::string& fiscalSeries) {
  WriteFileWhole(programFolder + "wait.txt", std::string());
  std::string written = FetchExportArchive(link, request, programFolder, fiscalSeries);
  DeleteMatchingFiles(programFolder, "wait", "txt");
  return written;
}

bool RunExportLine(TXvornLinux& link, const std::vector<std::string>& f, FileContext& ctx) {
  if (!link.ExportFiscalData(Field(f, 1), Field(f, 2), Field(f, 3), Field(f, 5), Field(f, 6))) {
    return false;
  }
  const int64_t copyMode = IntField(f, 4);
  if (f.size() >= 5 && (copyMode == 1 || copyMode == 2)) {
    ExportCopy request;
    request.year = f[1];
    request.month = f[2];
    request.type = f[3];
    request.mode = static_cast<int>(copyMode);
    // The copy's outcome is not part of the answer: the export itself was accepted.
    CopyExportArchive(link, request, ctx.programFolder, SlotsOf(ctx).FiscalSeries);
  }
  return true;
}

}  // namespace vorn
