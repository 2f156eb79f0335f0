#include "device/PortDiagnosis.h"

#include <cerrno>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorn {

std::string SystemReasonText(int err) {
  switch (err) {
    case 0:
      return "eroare necunoscuta";
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "dispozitivul nu exista";
    case EACCES:
    case EPERM:
      return "acces refuzat";
    case EBUSY:
      return "ocupat de alt program";
    case ENOTDIR:
      return "o parte a caii nu este un folder";
    case EISDIR:
      return "este un folder";
    case EROFS:
      return "sistem de fisiere doar pentru citire";
    case ENOSPC:
      return "spatiu insuficient pe disc";
#ifdef EDQUOT
    case EDQUOT:
      return "cota de disc depasita";
#endif
    case EIO:
      return "eroare de intrare/iesire";
    case ENOLCK:
      return "blocarea fisierelor nu este disponibila";
    case ECONNREFUSED:
      return "conexiune refuzata";
    case ETIMEDOUT:
      return "timp de asteptare depasit";
    case ENETUNREACH:
    case EHOSTUNREACH:
      return "retea inaccesibila";
    default:
      return "eroare de sistem " + std::to_string(err) + " (" + std::strerror(err) + ")";
  }
}

std::string DeviceGroupOf(const std::string& path) {
#ifndef _WIN32
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  if (const group* g = ::getgrgid(st.st_gid)) return g->gr_name;
  return std::to_string(st.st_gid);
#else
  (void)path;
  return {};
#endif
}

std::string SerialOpenFailure(const std::string& path, bool refused) {
  const std::string head = "portul serial " + path + " nu poate fi deschis: ";
#ifndef _WIN32
  int err = 0;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    err = errno;
  } else if (::access(path.c_str(), R_OK | W_OK) != 0) {
    err = errno;
  } else {
    // The serial library's own open failed; a plain open tells why.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
      err = errno;
    } else {
      const bool isTerminal = ::isatty(fd) == 1;
      ::close(fd);
      if (!isTerminal) return head + "nu este un port serial";
      // Opens alone, so another program holds its lock.
      err = refused ? EBUSY : EIO;
    }
  }
  std::string text = head + SystemReasonText(err);
  if (err == EACCES || err == EPERM) {
    const std::string group = DeviceGroupOf(path);
    text += " (utilizatorul driverului trebuie sa fie in grupul " +
            (group.empty() ? std::string("dialout") : group) + ", care detine portul)";
  }
  return text;
#else
  return head + (refused ? "acces refuzat sau ocupat de alt program" : "eroare la deschidere");
#endif
}

}  // namespace vorn
