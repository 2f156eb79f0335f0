// ErrorFor: a numeric failure code to the error with its text.
#include "device/ErrorTables.h"
#include "device/LinkTally.h"
#include "device/TXvornLinux.h"
#include "device/TXvornLinuxImpl.h"

namespace vorn {

LinkError TXvornLinux::ErrorFor(int code, bool statusAdvice) {
  CountDeviceError(code);
  LinkError error{code, std::to_string(code) + ";", false};
  if (code == 99) {
    // The query is made at most once: a device that refuses it with 99 again
    // leaves "99;" instead of asking forever.
    if (d->inExtendedQuery) return error;
    d->inExtendedQuery = true;
    const LinkResult<std::string> query = ReadExtendedError();
    d->inExtendedQuery = false;
    // The query's own failure replaces the text: the device said no more.
    if (!query) return query.error;
    error.text += ExtendedErrorText(query.value);
    return error;
  }
  if (code == 8048) {
    error.text += "TIME OUT";
    if (statusAdvice) {
      error.text += "; VERIFICATI STAREA IMPRIMANTEI CU COMANDA 9999";
      error.statusAdvice = true;
    }
    return error;
  }
  if (const char* msg = DeviceErrorMessage(code)) error.text += msg;
  return error;
}

}  // namespace vorn
