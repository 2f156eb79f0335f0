#include "receipt/ReturnsLedger.h"

#include <numeric>

#include "receipt/Fields.h"

namespace vorn {

void ReturnsLedger::Record(std::string_view name, std::string_view vatCode, int64_t quantity,
                           int64_t denominator, bool isReturn) {
  std::string bare;
  bare.reserve(name.size());
  for (char c : name) {
    if (c != '|') bare.push_back(c);
  }
  if (bare.empty()) return;
  if (denominator <= 0) denominator = 1;

  std::string key = Cp1252Upper(bare);
  key.push_back('|');
  key.append(Cp1252Upper(vatCode));
  auto [it, inserted] = byKey_.try_emplace(std::move(key), entries_.size());
  if (inserted) {
    entries_.push_back(Entry{std::move(bare), 0, {}});
  }
  Entry& e = entries_[it->second];

  Wide q = quantity;
  if (isReturn) q = -q;
  // q / d = whole + rem / d with 0 <= rem < d.
  Wide whole = q / denominator;
  Wide rem = q % denominator;
  if (rem < 0) {
    rem += denominator;
    whole -= 1;
  }
  e.whole += whole;
  if (rem == 0) return;
  for (Part& p : e.parts) {
    if (p.denominator == denominator) {
      p.numerator += rem;
      if (p.numerator >= denominator) {
        e.whole += p.numerator / denominator;
        p.numerator %= denominator;
      }
      return;
    }
  }
  e.parts.push_back(Part{denominator, rem});
}

bool ReturnsLedger::IsNegative(const Entry& e) const {
  // The remainders add up to a value in [0, parts); it can only matter when the
  // whole part is negative and small.
  if (e.whole >= 0) return false;
  if (e.whole < -static_cast<Wide>(e.parts.size())) return true;
  // Sum the remainders exactly as one fraction; denominators are at most 9999
  // and few in practice. Past what 128 bits hold, fall back to long double.
  Wide num = 0, den = 1;
  for (const Part& p : e.parts) {
    if (p.numerator == 0) continue;
    const int64_t g = std::gcd(static_cast<int64_t>(den % p.denominator), p.denominator);
    const Wide factor = p.denominator / (g == 0 ? p.denominator : g);
    const Wide limit = static_cast<Wide>(1) << 100;
    if (den > limit / factor) {
      long double sum = static_cast<long double>(e.whole);
      for (const Part& q : e.parts) {
        sum += static_cast<long double>(q.numerator) / static_cast<long double>(q.denominator);
      }
      return sum < 0;
    }
    const Wide newDen = den * factor;
    num = num * factor + p.numerator * (newDen / p.denominator);
    den = newDen;
  }
  // whole + num/den < 0  <=>  num < -whole * den
  return num < -e.whole * den;
}

bool ReturnsLedger::FirstNegative(std::string& name) const {
  for (const Entry& e : entries_) {
    if (IsNegative(e)) {
      name = e.name;
      return true;
    }
  }
  return false;
}

double ReturnsLedger::Net(std::size_t i) const {
  const Entry& e = entries_.at(i);
  long double sum = static_cast<long double>(e.whole);
  for (const Part& p : e.parts) {
    sum += static_cast<long double>(p.numerator) / static_cast<long double>(p.denominator);
  }
  return static_cast<double>(sum);
}

bool CheckReturns(const ReturnsLedger& ledger, std::string& error) {
  std::string name;
  if (!ledger.FirstNegative(name)) return true;
  error = "8052;Nu sunt permise retururi de articole : " + name;
  return false;
}

}  // namespace vorn
