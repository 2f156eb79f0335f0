#pragma once
// What a device link operation hands back: its error, and for a read the value
// read. Nothing of it stays behind in the link for a later operation to find.
#include <string>
#include <utility>

namespace vorn {

// A failed operation: the link's or the device's code and the text the answer
// file and the operator see for it ("16;...", "8048;TIME OUT" ...).
struct LinkError {
  int code = 0;
  std::string text;
  // A close the device acknowledged but never answered: the text advises the
  // state check (command 9999).
  bool statusAdvice = false;

  bool IsExtended() const { return code == 99; }  // the text carries the extended error
  bool Is24hSinceZ() const { return code == 61; }
  bool IsPaperOut() const { return code == 16; }
};

template <class T = void>
struct [[nodiscard]] LinkResult {
  LinkResult(T v) : value(std::move(v)), ok(true) {}
  LinkResult(LinkError e) : error(std::move(e)) {}
  explicit operator bool() const { return ok; }

  T value{};
  LinkError error;  // set when the operation failed

 private:
  bool ok = false;
};

template <>
struct [[nodiscard]] LinkResult<void> {
  LinkResult() = default;
  LinkResult(LinkError e) : error(std::move(e)), ok(false) {}
  // A read's outcome without its value.
  template <class T>
  LinkResult(const LinkResult<T>& r) : error(r.error), ok(static_cast<bool>(r)) {}
  explicit operator bool() const { return ok; }

  LinkError error;  // set when the operation failed

 private:
  bool ok = true;
};

using LinkStatus = LinkResult<void>;

}  // namespace vorn
