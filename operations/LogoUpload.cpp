#include "operations/LogoUpload.h"

#include <QFile>
#include <QFileInfo>

#include "core/TextFiles.h"
#include "operations/LogoFile.h"

namespace vorn {

namespace {
ManualOutcome Failed(std::string text) { return {false, std::move(text), {}}; }

std::string TooLarge(const std::string& path, long long size) {
  return "Fisierul " + path + " are " + std::to_string(size) +
         " octeti.\rImprimanta accepta cel mult " + std::to_string(kMaxLogoBytes) +
         " octeti. Nu am transmis nimic.";
}

std::string NotRegular(const std::string& path) {
  return "Fisierul " + path + " nu este un fisier obisnuit.\rNu am transmis nimic.";
}

// Looked at before it is opened: opening a named pipe waits for a writer, and
// a huge file would be read whole, both with the console frozen.
bool ReadPicture(const std::string& path, std::string& bytes, std::string& error) {
  const QString qpath = QString::fromLocal8Bit(path.c_str());
  const QFileInfo info(qpath);
  if (info.exists() && !info.isFile()) {
    error = NotRegular(path);
    return false;
  }
  // The device's buffer holds no more; a bigger picture would be cut silently.
  if (info.size() > static_cast<qint64>(kMaxLogoBytes)) {
    error = TooLarge(path, info.size());
    return false;
  }
  QFile file(qpath);
  QByteArray data;
  if (file.open(QIODevice::ReadOnly)) {
    if (file.isSequential()) {  // replaced since it was looked at
      error = NotRegular(path);
      return false;
    }
    // One byte more than allowed tells a file that grew meanwhile.
    data = file.read(static_cast<qint64>(kMaxLogoBytes) + 1);
  }
  if (!file.isOpen() || file.error() != QFileDevice::NoError) {
    error = "Nu pot citi fisierul " + path;
    return false;
  }
  if (data.size() > static_cast<qsizetype>(kMaxLogoBytes)) {
    error = TooLarge(path, file.size());
    return false;
  }
  bytes.assign(data.constData(), static_cast<std::size_t>(data.size()));
  return true;
}

}  // namespace

ManualOutcome LogoUpload::Run(const std::string& picturePath, const LogoProgress& progress) {
  ManualSession session(ctx_, "Log_LoadBMP_", false, false);
  std::string bytes;
  std::string readError;
  if (!ReadPicture(picturePath, bytes, readError)) return Failed(readError);
  const std::vector<std::string> lines = BuildLogoFile(bytes);
  std::string writeError;
  WriteLinesWhole(ctx_.programFolder + LogoCommandFileName(picturePath), lines, writeError);

  std::string error;
  if (!session.Open(error)) return Failed(error);
  TXvornLinux& link = session.Link();
  const int size = static_cast<int>(bytes.size());
  if (LinkStatus begun = link.LogoBegin(size); !begun)
    return Failed("Eroare comanda 9100 !\r" + begun.error.text);

  const int chunks = static_cast<int>((bytes.size() + kLogoChunkBytes - 1) / kLogoChunkBytes);
  if (progress.started) progress.started(chunks);
  for (int i = 0; i < chunks; ++i) {
    const std::string chunk = bytes.substr(i * kLogoChunkBytes, kLogoChunkBytes);
    if (LinkStatus sent = link.LogoChunk(static_cast<int>(chunk.size()), HexText(chunk)); !sent) {
      if (progress.finished) progress.finished();
      return Failed("Eroare comanda 9101 !\r" + sent.error.text);
    }
    if (progress.advanced) progress.advanced(i + 1);
  }
  if (progress.finished) progress.finished();
  if (LinkStatus ended = link.LogoEnd(); !ended)
    return Failed("Eroare comanda 9102 !\r" + ended.error.text);
  return {true, {}, "Transmisia s-a facut cu succes !"};
}

}  // namespace vorn
