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

struct DetectOptions {
  std::vector<std::string> folders;  // --folder, --write-ini's, else VORNDRV_HOME
  std::vector<std::string> extraPorts;
  std::vector<vorn::detect::Candidate> addresses;
  std::string writeIni;
  bool systemPorts = true;
  int timeoutMs = 1000;
  std::string error;  // bad usage: why; empty when the arguments are good
};

bool ParseTimeout(const std::string& value, int& ms) {
  char* end = nullptr;
  const long parsed = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end || parsed < 50 || parsed > 60000) return false;
  ms = static_cast<int>(parsed);
  return true;
}

// After HandleHelpAndVersion. Addresses are checked last, so an unknown option
// anywhere is named before a bad address.
DetectOptions ParseDetectOptions(int argc, char** argv) {
  DetectOptions o;
  std::vector<std::string> addresses;
  for (int i = 1; i < argc && o.error.empty(); ++i) {
    const std::string arg = argv[i];
    if (arg == "--folder" || arg == "--write-ini" || arg == "--port" || arg == "--timeout") {
      if (i + 1 >= argc) {
        o.error = arg + " needs a value";
        break;
      }
      const std::string value = argv[++i];
      if (arg == "--folder") o.folders.push_back(value);
      if (arg == "--write-ini") o.writeIni = value;
      if (arg == "--port") o.extraPorts.push_back(value);
      if (arg == "--timeout" && !ParseTimeout(value, o.timeoutMs)) {
        o.error = "bad --timeout " + value;
      }
    } else if (arg == "--no-system-ports") {
      o.systemPorts = false;
    } else if (arg.size() > 1 && arg[0] == '-') {
      o.error = "unknown option " + arg;
    } else {
      addresses.push_back(arg);
    }
  }
  if (!o.error.empty()) return o;
  if (!o.writeIni.empty()) o.folders.push_back(o.writeIni);
  if (o.folders.empty()) {
    if (const char* home = std::getenv("VORNDRV_HOME"); home && *home) o.folders.push_back(home);
  }
  for (const std::string& a : addresses) {
    std::string host;
    int port = 0;
    if (!vorn::detect::ParseTcpAddress(a, host, port)) {
      o.error = "bad address " + a;
      break;
    }
    o.addresses.push_back(vorn::detect::TcpCandidate(host, port));
  }
  return o;
}

// In the order the lines are printed: system ports, mapped ports, --port, addresses.
std::vector<vorn::detect::Candidate> CandidatesOf(const DetectOptions& o) {
  using namespace vorn::detect;
  std::vector<Candidate> list;
  if (o.systemPorts) {
    for (const std::string& p : SystemSerialPorts()) AddCandidate(list, SerialCandidate(p));
  }
  for (const std::string& folder : o.folders) {
    std::string ini;
    if (!vorn::ReadFileBytes(WithSeparator(folder) + vorn::kConfigFileName, ini)) continue;
    for (const std::string& p : MappedPorts(ini)) AddCandidate(list, SerialCandidate(p));
  }
  for (const std::string& p : o.extraPorts) AddCandidate(list, SerialCandidate(p));
  for (const Candidate& a : o.addresses) AddCandidate(list, a);
  std::vector<std::string> lockFolders = o.folders;
  for (const std::string& f : ServiceFolders()) lockFolders.push_back(f);
  MarkPortsOfRunningDrivers(list, lockFolders);
  return list;
}

// "nicio casa de marcat gasita" or "mai multe case de marcat gasite (a, b)".
std::string NotOneFound(const std::vector<const vorn::detect::Candidate*>& found) {
  if (found.empty()) return "nicio casa de marcat gasita";
  std::string why = "mai multe case de marcat gasite (";
  for (size_t i = 0; i < found.size(); ++i) why += (i ? ", " : "") + found[i]->where;
  return why + ")";
}

int WriteIni(const std::string& folder, const std::vector<const vorn::detect::Candidate*>& found) {
  const std::string iniPath = WithSeparator(folder) + vorn::kConfigFileName;
  if (found.size() != 1) {
    std::fprintf(stderr, "%s; %s nu a fost modificat\n", NotOneFound(found).c_str(),
                 iniPath.c_str());
    return kNotFound;
  }
  std::string bytes;
  if (!vorn::ReadFileBytes(iniPath, bytes)) bytes.clear();
  const vorn::detect::Stored stored = vorn::detect::StoreDevice(bytes, *found.front());
  if (!stored.ok) {
    std::fprintf(stderr, "%s; %s nu a fost modificat\n", stored.summary.c_str(), iniPath.c_str());
    return kNotFound;
  }
  if (!EnsureWorkFolder(folder)) {
    std::fprintf(stderr, "%s nu este un folder si nu poate fi creat\n", folder.c_str());
    return kUsage;
  }
  std::string error;
  if (!vorn::WriteFileDurable(iniPath, stored.bytes, error)) {
    std::fprintf(stderr, "%s nu poate fi scris: %s\n", iniPath.c_str(), error.c_str());
    return kUsage;
  }
  OwnLikeFolder(iniPath, folder);
  std::printf("salvat in %s: %s\n", iniPath.c_str(), stored.summary.c_str());
  return kFound;
}

int Detect(const DetectOptions& o) {
  using namespace vorn::detect;
  const std::vector<Candidate> list = CandidatesOf(o);
  SetAnswerTimeout(o.timeoutMs);
  const std::vector<ProbeResult> results = ProbeAll(list);
  std::vector<const Candidate*> found;
  for (const ProbeResult& r : results) {
    std::printf("%s\n", ResultLine(r).c_str());
    if (r.verdict == Verdict::Found) found.push_back(&r.candidate);
  }
  if (list.empty()) std::printf("niciun port de incercat\n");
  std::fflush(stdout);
  if (o.writeIni.empty()) return found.empty() ? kNotFound : kFound;
  return WriteIni(o.writeIni, found);
}

}  // namespace

int main(int argc, char** argv) {
  if (auto done = vorn::HandleHelpAndVersion(argc, argv, "vorndrv-detect", kUsageText)) {
    return *done;
  }
  QCoreApplication app(argc, argv);
  const DetectOptions options = ParseDetectOptions(argc, argv);
  if (!options.error.empty()) return Usage(options.error);
  return Detect(options);
}
