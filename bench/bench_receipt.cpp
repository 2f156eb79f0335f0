// Validation throughput on a generated million-line sale file, and the peak
// memory of the process while it runs.
#include <benchmark/benchmark.h>
#if defined(__unix__)
#include <sys/resource.h>
#endif

#include <string>
#include <vector>

#include "receipt/Fields.h"
#include "receipt/OlderSyntax.h"
#include "receipt/Validation.h"

namespace {

constexpr int kLines = 1'000'000;

// A realistic large receipt: many articles, some sold in fractions, a few
// returns of what was sold, discounts, texts and the payment.
const std::string& SaleFileBytes() {
  static const std::string bytes = [] {
    std::string out;
    out.reserve(static_cast<std::size_t>(kLines) * 40);
    for (int i = 0; i < kLines - 1; ++i) {
      const int article = i % 20000;
      switch (i % 10) {
        case 7:
          out += "7;1;1;1;500\r\n";
          break;
        case 8:
          out += "2;1;CLIENT FIDEL " + std::to_string(i) + "\r\n";
          break;
        case 9: {
          const int sold = (i - 3) % 20000;  // an article sold three lines above
          out += "1;ARTICOL " + std::to_string(sold) + ";BUC;1;" + std::to_string(sold % 2 + 1) +
                 ";250;1;1;-\r\n";
          break;
        }
        default:
          out += "1;ARTICOL " + std::to_string(article) + ";BUC;1;" +
                 std::to_string(article % 2 + 1) + ";" + std::to_string(100 + article) + ";" +
                 std::to_string(100000 + i % 3) + (i % 5 == 0 ? ";3" : "") + "\r\n";
          break;
      }
    }
    out += "5;999999999;1\r\n";
    return out;
  }();
  return bytes;
}

void ReportMemory(benchmark::State& state) {
#if defined(__unix__)
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;  // KiB on Linux
#else
  (void)state;
#endif
}

void BM_ValidateMillionLines(benchmark::State& state) {
  const vorn::ReceiptLines lines = vorn::SplitReceiptLines(SaleFileBytes());
  vorn::ValidationOptions opts;
  for (auto _ : state) {
    vorn::ReceiptMarkers markers;
    std::string error;
    const bool ok = vorn::CheckReceiptFile(lines, markers, opts, error);
    if (!ok) state.SkipWithError(error.substr(0, 200).c_str());
    benchmark::DoNotOptimize(ok);
  }
  state.counters["lines_per_s"] = benchmark::Counter(
      static_cast<double>(lines.size()) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
  state.counters["file_MiB"] = static_cast<double>(SaleFileBytes().size()) / (1024.0 * 1024.0);
  ReportMemory(state);
}
BENCHMARK(BM_ValidateMillionLines)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// From the file's bytes: line splitting included, as the service does it.
void BM_SplitAndValidateMillionLines(benchmark::State& state) {
  const std::string& bytes = SaleFileBytes();
  vorn::ValidationOptions opts;
  for (auto _ : state) {
    const vorn::ReceiptLines lines = vorn::SplitReceiptLines(bytes);
    vorn::ReceiptMarkers markers;
    std::string error;
    benchmark::DoNotOptimize(vorn::CheckReceiptFile(lines, markers, opts, error));
  }
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(kLines) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  ReportMemory(state);
}
BENCHMARK(BM_SplitAndValidateMillionLines)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The older-syntax conversion of a million lines with a fixed table.
void BM_ConvertOlderMillionLines(benchmark::State& state) {
  vorn::ReceiptLines older;
  for (int i = 0; i < kLines; ++i) {
    older.push_back(i % 10 == 9 ? "5;1000;7"
                                : "1;ARTICOL " + std::to_string(i % 20000) + ";x;BUC;1;250;1000");
  }
  const vorn::IniLookup ini = [](const std::string&, const std::string& key) {
    return key == "BUC" ? std::optional<std::string>("buc") : std::nullopt;
  };
  for (auto _ : state) {
    vorn::ReceiptLines lines = older;
    vorn::ConvertOlderSyntax(lines, ini);
    benchmark::DoNotOptimize(lines.size());
  }
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(kLines) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  ReportMemory(state);
}
BENCHMARK(BM_ConvertOlderMillionLines)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
