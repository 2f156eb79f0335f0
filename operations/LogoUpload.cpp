#include "operations/LogoUpload.h"

#include "core/TextFiles.h"
#include "operations/LogoFile.h"

namespace vorn {

namespace {
ManualOutcome Failed(std::string text) { return {false, std::move(text), {}}; }
}  // namespace

ManualOutcome LogoUpload::Run(const std::string& picturePath, const LogoProgress& progress) {
  ManualSession session(ctx_, "Log_LoadBMP_", false, false);
  std::string bytes;
  if (!ReadFileBytes(picturePath, bytes)) return Failed("Nu pot citi fisierul " + picturePath);
  // The device's buffer holds no more; a bigger picture would be cut silently.
  if (bytes.size() > kMaxLogoBytes) {
    return Failed("Fisierul " + picturePath + " are " + std::to_string(bytes.size()) +
                  " octeti.\rImprimanta accepta cel mult " + std::to_string(kMaxLogoBytes) +
                  " octeti. Nu am transmis nimic.");
  }
  const std::vector<std::string> lines = BuildLogoFile(bytes);
  std::string writeError;
  WriteLinesWhole(ctx_.programFolder + LogoCommandFileName(picturePath), lines, writeError);

  std::string error;
  if (!session.Open(error)) return Failed(error);
  TXvornLinux& link = session.Link();
  const int size = static_cast<int>(bytes.size());
  if (!link.LogoBegin(size)) return Failed("Eroare comanda 9100 !\r" + link.LastError);

  const int chunks = static_cast<int>((bytes.size() + kLogoChunkBytes - 1) / kLogoChunkBytes);
  if (progress.started) progress.started(chunks);
  for (int i = 0; i < chunks; ++i) {
    const std::string chunk = bytes.substr(i * kLogoChunkBytes, kLogoChunkBytes);
    if (!link.LogoChunk(static_cast<int>(chunk.size()), HexText(chunk))) {
      if (progress.finished) progress.finished();
      return Failed("Eroare comanda 9101 !\r" + link.LastError);
    }
    if (progress.advanced) progress.advanced(i + 1);
  }
  if (progress.finished) progress.finished();
  if (!link.LogoEnd()) return Failed("Eroare comanda 9102 !\r" + link.LastError);
  return {true, {}, "Transmisia s-a facut cu succes !"};
}

}  // namespace vorn
