// Every control word, as the control channel and vorn-sim's start options
// give it: the answer to good and bad lines, and what a good one changed.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "simulator/FiscalDevice.h"
#include "simulator/FiscalSimulator.h"

using vorn::sim::FiscalSimulator;

namespace {

vorn::sim::DeviceState& State(FiscalSimulator& s) { return s.Device().State(); }
vorn::sim::DeviceFaults& Faults(FiscalSimulator& s) { return s.Device().State().faults; }
vorn::sim::LinkFaults& Link(FiscalSimulator& s) { return s.Device().link; }

template <typename T>
using Reading = std::pair<const char*, std::function<T(FiscalSimulator&)>>;

TEST(ControlWords, EverySwitchTakesOnOrOffAndMeansOnAlone) {
  const Reading<bool> switches[] = {
      {"paper-out", [](FiscalSimulator& s) { return Faults(s).paperOut; }},
      {"paper-near-end", [](FiscalSimulator& s) { return Faults(s).paperNearEnd; }},
      {"cover-open", [](FiscalSimulator& s) { return Faults(s).coverOpen; }},
      {"cutter-error", [](FiscalSimulator& s) { return Faults(s).cutterError; }},
      {"journal-full", [](FiscalSimulator& s) { return Faults(s).journalFull; }},
      {"journal-near-full", [](FiscalSimulator& s) { return Faults(s).journalNearFull; }},
      {"journal-missing", [](FiscalSimulator& s) { return Faults(s).journalMissing; }},
      {"display-missing", [](FiscalSimulator& s) { return Faults(s).displayMissing; }},
      {"fm-full", [](FiscalSimulator& s) { return Faults(s).fiscalMemoryFull; }},
      {"fm-missing", [](FiscalSimulator& s) { return Faults(s).fiscalMemoryMissing; }},
      {"not-fiscalized", [](FiscalSimulator& s) { return Faults(s).notFiscalized; }},
      {"24h", [](FiscalSimulator& s) { return Faults(s).day24h; }},
      {"silent", [](FiscalSimulator& s) { return Link(s).silent; }},
      {"export-bad-hex", [](FiscalSimulator& s) { return State(s).exportBadHex; }},
  };
  for (const auto& [word, read] : switches) {
    FiscalSimulator sim;
    const QString w = QString::fromLatin1(word);
    EXPECT_EQ(sim.ApplyControl(w + " yes"), "OK") << word;
    EXPECT_TRUE(read(sim)) << word;
    EXPECT_EQ(sim.ApplyControl(" " + w.toUpper() + "  Off "), "OK") << word;
    EXPECT_FALSE(read(sim)) << word;
    EXPECT_EQ(sim.ApplyControl(w + " maybe"), "ERR expected on or off") << word;
    EXPECT_FALSE(read(sim)) << word;
    EXPECT_EQ(sim.ApplyControl(w), "OK") << word;
    EXPECT_TRUE(read(sim)) << word;
  }
}

TEST(ControlWords, EveryNumberTakesZeroToABillion) {
  const Reading<qint64> numbers[] = {
      {"journal-free-lines", [](FiscalSimulator& s) { return State(s).journalFreeLines; }},
      {"nak", [](FiscalSimulator& s) { return qint64{Link(s).nakFrames}; }},
      {"cut", [](FiscalSimulator& s) { return qint64{Link(s).cutNextReply}; }},
      {"chunk", [](FiscalSimulator& s) { return qint64{Link(s).chunkSize}; }},
      {"delay", [](FiscalSimulator& s) { return qint64{Link(s).replyDelayMs}; }},
      {"report-busy", [](FiscalSimulator& s) { return qint64{State(s).reportBusyMs}; }},
      {"slow-reports", [](FiscalSimulator& s) { return qint64{State(s).slowReportMs}; }},
      {"export-delay", [](FiscalSimulator& s) { return qint64{State(s).exportReadyDelayMs}; }},
      {"export-size", [](FiscalSimulator& s) { return State(s).exportSize; }},
  };
  for (const auto& [word, read] : numbers) {
    FiscalSimulator sim;
    const QString w = QString::fromLatin1(word);
    EXPECT_EQ(sim.ApplyControl(w + " 4000"), "OK") << word;
    EXPECT_EQ(read(sim), 4000) << word;
    for (const char* bad : {"", " -1", " 1000000001", " x"}) {
      EXPECT_EQ(sim.ApplyControl(w + bad), "ERR expected a number") << word << bad;
      EXPECT_EQ(read(sim), 4000) << word << bad;
    }
    EXPECT_EQ(sim.ApplyControl(w + " 1000000000"), "OK") << word;
    EXPECT_EQ(read(sim), 1000000000) << word;
  }
}

TEST(ControlWords, TheWordsWithArgumentsOfTheirOwn) {
  using Check = std::function<bool(FiscalSimulator&)>;
  const Check nothing = [](FiscalSimulator&) { return true; };
  const struct {
    const char* before;  // a line given first, when not empty
    const char* line;
    const char* answer;
    Check holds;
  } cases[] = {
      // The receipt file's form 1 is the device's 3.
      {"", "form-unprogrammed 1", "OK",
       [](FiscalSimulator& s) { return Faults(s).unprogrammedForms == std::set<int>{3}; }},
      {"", "refuse 99 144", "OK",
       [](FiscalSimulator& s) { return Faults(s).refuseNextExtended == 144; }},
      {"", "refuse 100", "ERR expected a code 0..99", nothing},
      {"", "hold 3011 3", "OK", [](FiscalSimulator& s) { return Link(s).holdCodeCount == 3; }},
      {"", "hold-nth 2", "OK", [](FiscalSimulator& s) { return Link(s).holdNth == 2; }},
      {"hold 3011", "release", "OK", [](FiscalSimulator& s) { return Link(s).holdCode.empty(); }},
      {"", "drop", "OK", [](FiscalSimulator& s) { return Link(s).dropNext; }},
      {"", "model Classic", "OK", [](FiscalSimulator& s) { return !State(s).extendedModel; }},
      {"", "model", "ERR expected extended or classic", nothing},
      {"", "classic", "OK", [](FiscalSimulator& s) { return !State(s).extendedModel; }},
      {"classic", "extended", "OK", [](FiscalSimulator& s) { return State(s).extendedModel; }},
      {"", "receipt-open nonfiscal", "OK",
       [](FiscalSimulator& s) { return State(s).nonFiscalOpen; }},
      {"", "receipt-open 7", "ERR expected a stage 0..6 or nonfiscal", nothing},
      {"", "series AB123", "OK",
       [](FiscalSimulator& s) { return State(s).fiscalSeries == "AB123"; }},
      {"", "  ", "ERR empty command", nothing},
      {"", "Frobnicate on", "ERR unknown command Frobnicate", nothing},
  };
  for (const auto& c : cases) {
    FiscalSimulator sim;
    if (*c.before) {
      ASSERT_EQ(sim.ApplyControl(c.before), "OK") << c.before;
    }
    EXPECT_EQ(sim.ApplyControl(c.line), c.answer) << c.line;
    EXPECT_TRUE(c.holds(sim)) << c.line;
  }
}

TEST(ControlWords, TheInspectionWordsAnswerWithText) {
  FiscalSimulator sim;
  ASSERT_EQ(sim.ApplyControl("receipt-open nonfiscal"), "OK");
  sim.Device().Handle("1013");
  ASSERT_FALSE(sim.PaperRoll().isEmpty());
  EXPECT_EQ(sim.ApplyControl("status"), sim.StatusText());
  EXPECT_EQ(sim.ApplyControl("roll"), sim.PaperRoll());
  EXPECT_EQ(sim.ApplyControl("log"), "1013");
  EXPECT_EQ(sim.ApplyControl("help"), FiscalSimulator::ControlHelp());
  EXPECT_EQ(sim.ApplyControl("held"), "NONE");
}

}  // namespace
