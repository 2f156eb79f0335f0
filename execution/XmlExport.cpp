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

namespace {

// The series first (the archive's name needs it), then the device's counters
// until the archive is ready; false when it was not within the wait.
bool WaitForArchive(TXvornLinux& link, std::string& fiscalSeries) {
  WaitMs(7000);
  // Elapsed time on the monotonic clock: the wait must survive midnight.
  const int64_t start = MonotonicMs();
  fiscalSeries = link.ReadFiscalSeries().value;
  for (;;) {
    const LinkResult<std::string> counters = link.ReadReceiptCounters();
    const bool ready = counters && counters.value.compare(0, 5, "00000") != 0;
    WaitMs(1000);
    if (ready) return true;
    if (MonotonicMs() - start > ScaledMs(kReadyWaitMs)) return false;
  }
}

std::string SaveArchive(const std::string& programFolder, const ExportCopy& request,
                        const std::string& fiscalSeries, const std::string& bytes) {
  QString folder = QString::fromLocal8Bit((programFolder + "ExportXML").c_str());
  QDir().mkpath(folder);
  std::string path = (folder + QDir::separator()).toLocal8Bit().toStdString() +
                     ExportArchiveName(request.year, request.month, fiscalSeries);
  return WriteFileWhole(path, bytes) ? path : std::string();
}

}  // namespace

std::string FetchExportArchive(TXvornLinux& link, const ExportCopy& request,
                               const std::string& programFolder, std::string& fiscalSeries,
                               const ExportStepMessage& step, int* badHexPairs) {
  if (badHexPairs) *badHexPairs = 0;
  if (!WaitForArchive(link, fiscalSeries)) return std::string();

  const bool binary = request.mode != 1;
  auto say = [&](const std::string& text) {
    if (binary && step) step(text);
  };
  say("Comanda 7400");
  if (!link.BeginExport(request.type != "R")) return std::string();

  bool haveFile = false;
  std::string bytes;
  if (!binary) {
    std::string hex;
    while (const LinkResult<std::string> block = link.ExportNextBlock()) {
      if (block.value.size() > 3) hex += block.value.substr(3, 1000);
    }
    if (!hex.empty()) {
      HexDecoded decoded = DecodeHexText(hex);
      bytes = std::move(decoded.bytes);
      if (badHexPairs) *badHexPairs = decoded.badPairs;
      haveFile = true;
    }
  } else {
    say("Comanda 7404");
    const LinkStatus read = link.ReadExportFile();
    if (read || !request.onlyCompleteBinary) {
      bytes = link.ExportFileBytes();
      haveFile = true;
      say("Salvez fisier ZIP. Total bytes : " + std::to_string(bytes.size()));
    }
  }
  const std::string written =
      haveFile ? SaveArchive(programFolder, request, fiscalSeries, bytes) : std::string();
  say("Comanda 7408");
  static_cast<void>(link.EndExport());
  return written;
}

std::string CopyExportArchive(TXvornLinux& link, const ExportCopy& request,
                              const std::string& programFolder, std::string& fiscalSeries) {
  WriteFileWhole(programFolder + "wait.txt", std::string());
  std::string written = FetchExportArchive(link, request, programFolder, fiscalSeries);
  DeleteMatchingFiles(programFolder, "wait", "txt");
  return written;
}

}  // namespace vorn
