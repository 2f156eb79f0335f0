#include "core/Cleanup.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cctype>

#include "core/IniFile.h"
#include "core/LocalText.h"

namespace vorn {

namespace {

std::string S(const QString& s) { return s.toLocal8Bit().toStdString(); }

std::string WithSeparator(std::string path) {
  const char sep = QDir::separator().toLatin1();
  if (path.empty() || (path.back() != sep && path.back() != '/')) path += sep;
  return path;
}

}  // namespace

bool MatchesMask(const std::string& name, const std::string& prefix, const std::string& extension) {
  const std::string tail = "." + extension;
  if (name.size() < prefix.size() + tail.size()) return false;
  return EqualsNoCase(name.substr(0, prefix.size()), prefix) &&
         EqualsNoCase(name.substr(name.size() - tail.size()), tail);
}

std::string ResolveFolderNoCase(const std::string& folder) {
  if (folder.empty()) return {};
  QString path = LocalText(folder);
  while (path.size() > 1 && (path.endsWith('/') || path.endsWith(QDir::separator()))) path.chop(1);
  const QFileInfo info(path);
  if (info.isDir()) return WithSeparator(S(QDir::toNativeSeparators(info.filePath())));
  const QDir parent = info.dir();
  if (!parent.exists()) return {};
  const std::string wanted = S(info.fileName());
  const auto entries =
      parent.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
  for (const QString& entry : entries) {
    if (EqualsNoCase(S(entry), wanted)) {
      return WithSeparator(S(QDir::toNativeSeparators(parent.filePath(entry))));
    }
  }
  return {};
}

std::vector<std::string> ListMatchingFiles(const std::string& folder, const std::string& prefix,
                                           const std::string& extension) {
  std::vector<std::string> out;
  const std::string resolved = ResolveFolderNoCase(folder);
  if (resolved.empty()) return out;
  const QDir dir(LocalText(resolved));
  const auto entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
  for (const QString& entry : entries) {
    std::string name = S(entry);
    if (MatchesMask(name, prefix, extension)) out.push_back(std::move(name));
  }
  // Name order without regard to case, as the folder lists on the original platform.
  std::sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) {
    const auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    const bool less =
        std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) {
          return lower(static_cast<unsigned char>(x)) < lower(static_cast<unsigned char>(y));
        });
    const bool greater =
        std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), [&](char x, char y) {
          return lower(static_cast<unsigned char>(x)) < lower(static_cast<unsigned char>(y));
        });
    return less || (!greater && a < b);
  });
  return out;
}

void DeleteMatchingFiles(const std::string& folder, const std::string& prefix,
                         const std::string& extension, const std::vector<std::string>& keep) {
  const std::string resolved = ResolveFolderNoCase(folder);
  if (resolved.empty()) return;
  for (const auto& name : ListMatchingFiles(resolved, prefix, extension)) {
    if (std::find(keep.begin(), keep.end(), name) != keep.end()) continue;
    QFile::remove(LocalText(resolved + name));
  }
}

void DeleteFilesOlderThan(const std::string& folder, const std::string& prefix, int64_t days) {
  const std::string resolved = ResolveFolderNoCase(folder);
  if (resolved.empty()) return;
  for (const auto& name : ListMatchingFiles(resolved, prefix, "txt")) {
    if (FileAgeDays(resolved + name) > days) QFile::remove(LocalText(resolved + name));
  }
}

int64_t FileAgeDays(const std::string& path) {
  const QFileInfo info(LocalText(path));
  if (!info.exists()) return 0;
  const QDateTime written = info.lastModified();
  if (!written.isValid()) return 0;
  const QDateTime midnight = QDate::currentDate().startOfDay();
  const qint64 ms = written.msecsTo(midnight);
  return static_cast<int64_t>(ms / (24LL * 3600 * 1000));  // C++ division cuts toward zero
}

bool IsCutLeftover(const std::string& name) {
  const auto digitsFrom = [&name](std::size_t at) {
    return at < name.size() &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(at), name.end(),
                       [](unsigned char c) { return std::isdigit(c); });
  };
  const std::string probe = ".vorndrv-write-";
  if (name.rfind(probe, 0) == 0) return digitsFrom(probe.size());
  if (name == "VORNDRV.INFLIGHT.tmp") return true;
  if (name.size() < 8 || name[name.size() - 7] != '.') return false;
  const std::string base = name.substr(0, name.size() - 7);
  if (!std::all_of(name.end() - 6, name.end(), [](unsigned char c) { return std::isalnum(c); }))
    return false;
  return base == "VORNDRV.INFO" || base == "XVORNDRV.INI" || base == "VORNDRV.INFLIGHT" ||
         MatchesMask(base, "ERROR", "TXT");
}

int RemoveCutLeftovers(const std::string& folder) {
  const std::string resolved = ResolveFolderNoCase(folder);
  if (resolved.empty()) return 0;
  int removed = 0;
  const QDir dir(LocalText(resolved));
  for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
    const std::string name = S(entry);
    if (IsCutLeftover(name) && QFile::remove(LocalText(resolved + name))) ++removed;
  }
  return removed;
}

}  // namespace vorn
