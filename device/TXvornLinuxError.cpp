// SetError: a numeric failure code to the text LastError.
#include "device/ErrorTables.h"
#include "device/LinkTally.h"
#include "device/TXvornLinux.h"
#include "device/TXvornLinuxImpl.h"

namespace vorn {

void TXvornLinux::SetError(int code) {
  CountDeviceError(code);
  ErrorIs24hSinceZ = code == 61;
  ErrorIsPaperOut = code == 16;
  ErrorIsExtended = code == 99;
  LastError = std::to_string(code) + ";";
  if (code == 99) {
    // The query is made at most once: a device that refuses it with 99 again
    // leaves "99;" instead of asking forever.
    if (d->inExtendedQuery) return;
    d->inExtendedQuery = true;
    const bool ok = ReadExtendedError();
    d->inExtendedQuery = false;
    if (ok) LastError += ExtendedErrorText(LastReply);
    return;
  }
  if (code == 8048) {
    LastError += "TIME OUT";
    if (AppendStatusAdvice) {
      LastError += "; VERIFICATI STAREA IMPRIMANTEI CU COMANDA 9999";
      AppendStatusAdvice = false;
    }
    return;
  }
  if (const char* msg = DeviceErrorMessage(code)) LastError += msg;
}

}  // namespace vorn
