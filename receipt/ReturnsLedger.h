#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vorn {

// Net quantity of each article (name and VAT code) over one validation pass.
// Quantities are summed exactly: a fraction of the denominator never turns a
// net of zero into a tiny negative number.
class ReturnsLedger {
 public:
  // A sale line that passed its check: quantity in hundred-thousandths,
  // denominator 1..9999, `isReturn` for the "-" mark.
  void Record(std::string_view name, std::string_view vatCode, int64_t quantity,
              int64_t denominator, bool isReturn);

  // Article name of the first entry, in creation order, whose net is below
  // zero; false when there is none.
  bool FirstNegative(std::string& name) const;

  std::size_t size() const { return entries_.size(); }
  // Net quantity of an entry (creation order), in units; for tests and logs.
  double Net(std::size_t i) const;

 private:
  __extension__ typedef __int128 Wide;
  struct Part {
    int64_t denominator;
    Wide numerator;
  };
  struct Entry {
    std::string name;         // article name without "|", as first written
    Wide whole = 0;           // sum of the whole parts
    std::vector<Part> parts;  // remainders, one per denominator in use
  };
  bool IsNegative(const Entry& e) const;

  std::vector<Entry> entries_;
  std::unordered_map<std::string, std::size_t> byKey_;
};

// 8052 for the first article returned beyond what the receipt sold.
bool CheckReturns(const ReturnsLedger& ledger, std::string& error);

}  // namespace vorn
