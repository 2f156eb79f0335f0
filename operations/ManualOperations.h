#pragma once
// The manual operations of the console that need no dialog of their own: Z and
// X reports, cancelling and closing a receipt left open. Each opens its own
// link, works, writes its log and closes the link on every path.
#include <functional>
#include <string>

#include "operations/ManualLink.h"

namespace vorn {

// What an operation leaves for the operator: on failure the text of the error
// dialog (caption "Eroare"); on success, at most an information text.
struct ManualOutcome {
  bool ok = false;
  std::string error;
  std::string info;
};

class ManualOperations {
 public:
  explicit ManualOperations(ManualContext context);

  ManualOutcome RunZReport(int kind);  // 0 fiscal, 1 departments, 2 VAT rates, 3 PLU
  ManualOutcome RunXReport();
  ManualOutcome CancelReceipt();
  ManualOutcome CloseReceipt();

  // Plain messages shown in the middle of an operation (the close's log counts).
  std::function<void(const std::string&)> showMessage;

 private:
  ManualOutcome Report(bool z, int kind);
  void Inform(const std::string& text) const;

  ManualContext ctx_;
};

// Opens the link of a manual operation and, whatever happens after, writes its
// log(s) and closes it when it goes out of scope.
class ManualSession {
 public:
  ManualSession(const ManualContext& ctx, std::string logPrefix, bool withLongTimeOut,
                bool historyCopy);
  ~ManualSession();
  ManualSession(const ManualSession&) = delete;
  ManualSession& operator=(const ManualSession&) = delete;

  // False with the error dialog text in `error` when the link did not open.
  bool Open(std::string& error);
  TXvornLinux& Link() { return *link_; }

  // Called before each log copy is written, with the number of lines.
  std::function<void(bool history, size_t lines)> beforeSave;

 private:
  const ManualContext& ctx_;
  std::string prefix_;
  bool historyCopy_;
  std::unique_ptr<TXvornLinux> link_;
};

}  // namespace vorn
