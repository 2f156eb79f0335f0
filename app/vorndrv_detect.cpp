// vorndrv-detect: finds the port the fiscal device hangs on.
//
// Exit 0: a device was found (and stored with --write-ini).
// Exit 1: none or several found; with --write-ini nothing was written.
// Exit 2: bad usage, or the INI could not be written.
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "core/Configuration.h"
#include "core/TextFiles.h"
#include "detect/Candidates.h"
#include "detect/Probe.h"
#include "detect/StoreDevice.h"

namespace {

constexpr int kFound = 0;
constexpr int kNotFound = 1;
constexpr int kUsage = 2;

const char kUsageText[] =
    "usage: vorndrv-detect [options] [ADDRESS[:PORT] ...]\n"
    "Tries every serial port that can hold the fiscal device (/dev/ttyS*, /dev/ttyUSB*,\n"
    "/dev/ttyACM* and the ports mapped in [PorturiSeriale] of the folder's XVORNDRV.INI) and\n"
    "the TCP addresses given (port 9100 unless named), all at once, and prints one line per\n"
    "port: the device model (GASIT) or why not.\n"
    "  --folder DIR      a driver folder: its mapped ports are tried, its running driver's port\n"
    "                    is left alone (default: VORNDRV_HOME); may be repeated\n"
    "  --write-ini DIR   store the one device found into DIR/XVORNDRV.INI (implies --folder DIR)\n"
    "  --port PATH       also try this serial device; may be repeated\n"
    "  --no-system-ports do not try /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*\n"
    "  --timeout MS      how long a port may stay silent (default 1000)\n"
    "  --help, --version\n"
    "Ports used by a running driver (in the folders above and in /var/lib/vorndrv/*) are not\n"
    "touched. Exit status: 0 found, 1 none or several found, 2 bad usage or INI not written.\n";

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::vector<std::string> ServiceFolders() {
  std::vector<std::string> out;
  const char* root = std::getenv("VORNDRV_SERVICE_ROOT");  // tests point it elsewhere
  const QDir dir(QString::fromLocal8Bit(root && *root ? root : "/var/lib/vorndrv"));
  for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    out.push_back(dir.filePath(name).toLocal8Bit().toStdString());
  }
  return out;
}

// The work folder of a service that has not started yet: made like the
// service makes it, owned as its parent (/var/lib/vorndrv belongs to vorndrv).
bool EnsureWorkFolder(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  if (!QDir().mkpath(QString::fromLocal8Bit(folder.c_str()))) return false;
  ::chmod(folder.c_str(), 02775);
  struct stat parent {};
  const std::string up = QFileInfo(QString::fromLocal8Bit(folder.c_str()))
                             .absoluteDir()
                             .path()
                             .toLocal8Bit()
                             .toStdString();
  if (::geteuid() == 0 && ::stat(up.c_str(), &parent) == 0 &&
      ::chown(folder.c_str(), parent.st_uid, parent.st_gid) != 0) {
    // Still usable: the service's start gives its state folder to its user.
  }
  return true;
}

// A file written by root for a folder that belongs to the service user stays
// the service's to rewrite.
void OwnLikeFolder(const std::string& file, const std::string& folder) {
  struct stat st {};
  if (::geteuid() == 0 && ::stat(folder.c_str(), &st) == 0 &&
      ::chown(file.c_str(), st.st_uid, st.st_gid) != 0) {
    // Left to root; the driver only reads it.
  }
}

int Usage(const std::string& why) {
  std::fprintf(stderr, "vorndrv-detect: %s\n%s", why.c_str(), kUsageText);
  return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  if (auto done = vorn::HandleHelpAndVersion(argc, argv, "vorndrv-detect", kUsageText)) {
    return *done;
  }
  QCoreApplication app(argc, argv);

  std::vector<std::string> folders;
  std::vector<std::string> extraPorts;
  std::vector<std::string> addresses;
  std::string writeIni;
  bool systemPorts = true;
  int timeoutMs = 1000;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--folder" || arg == "--write-ini" || arg == "--port" || arg == "--timeout") {
      if (!hasValue) return Usage(arg + " needs a value");
      const std::string value = argv[++i];
      if (arg == "--folder") folders.push_back(value);
      if (arg == "--write-ini") writeIni = value;
      if (arg == "--port") extraPorts.push_back(value);
      if (arg == "--timeout") {
        char* end = nullptr;
        const long ms = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end || ms < 50 || ms > 60000) return Usage("bad --timeout " + value);
        timeoutMs = static_cast<int>(ms);
      }
    } else if (arg == "--no-system-ports") {
      systemPorts = false;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage("unknown option " + arg);
    } else {
      addresses.push_back(arg);
    }
  }
  if (!writeIni.empty()) folders.push_back(writeIni);
  if (folders.empty()) {
    if (const char* home = std::getenv("VORNDRV_HOME"); home && *home) folders.push_back(home);
  }

  using namespace vorn::detect;
  std::vector<Candidate> list;
  if (systemPorts) {
    for (const std::string& p : SystemSerialPorts()) AddCandidate(list, SerialCandidate(p));
  }
  for (const std::string& folder : folders) {
    std::string ini;
    if (!vorn::ReadFileBytes(WithSeparator(folder) + vorn::kConfigFileName, ini)) continue;
    for (const std::string& p : MappedPorts(ini)) AddCandidate(list, SerialCandidate(p));
  }
  for (const std::string& p : extraPorts) AddCandidate(list, SerialCandidate(p));
  for (const std::string& a : addresses) {
    std::string host;
    int port = 0;
    if (!ParseTcpAddress(a, host, port)) return Usage("bad address " + a);
    AddCandidate(list, TcpCandidate(host, port));
  }
  std::vector<std::string> lockFolders = folders;
  for (const std::string& f : ServiceFolders()) lockFolders.push_back(f);
  MarkPortsOfRunningDrivers(list, lockFolders);

  SetAnswerTimeout(timeoutMs);
  const std::vector<ProbeResult> results = ProbeAll(list);
  std::vector<const ProbeResult*> found;
  for (const ProbeResult& r : results) {
    std::printf("%s\n", ResultLine(r).c_str());
    if (r.verdict == Verdict::Found) found.push_back(&r);
  }
  if (list.empty()) std::printf("niciun port de incercat\n");
  std::fflush(stdout);

  if (writeIni.empty()) return found.empty() ? kNotFound : kFound;

  const std::string iniPath = WithSeparator(writeIni) + vorn::kConfigFileName;
  if (found.size() != 1) {
    std::string why =
        found.empty() ? "nicio casa de marcat gasita" : "mai multe case de marcat gasite (";
    for (size_t i = 0; i < found.size(); ++i) {
      why += (i ? ", " : "") + found[i]->candidate.where;
    }
    if (!found.empty()) why += ")";
    std::fprintf(stderr, "%s; %s nu a fost modificat\n", why.c_str(), iniPath.c_str());
    return kNotFound;
  }
  std::string bytes;
  if (!vorn::ReadFileBytes(iniPath, bytes)) bytes.clear();
  const Stored stored = StoreDevice(bytes, found.front()->candidate);
  if (!stored.ok) {
    std::fprintf(stderr, "%s; %s nu a fost modificat\n", stored.summary.c_str(), iniPath.c_str());
    return kNotFound;
  }
  std::string error;
  if (!EnsureWorkFolder(writeIni)) {
    std::fprintf(stderr, "%s nu este un folder si nu poate fi creat\n", writeIni.c_str());
    return kUsage;
  }
  if (!vorn::WriteFileWhole(iniPath, stored.bytes, error)) {
    std::fprintf(stderr, "%s nu poate fi scris: %s\n", iniPath.c_str(), error.c_str());
    return kUsage;
  }
  OwnLikeFolder(iniPath, writeIni);
  std::printf("salvat in %s: %s\n", iniPath.c_str(), stored.summary.c_str());
  return kFound;
}
