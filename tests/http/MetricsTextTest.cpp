#include <gtest/gtest.h>

#include "core/AnswerCounters.h"
#include "http/MetricsText.h"

namespace vorn {
namespace {

TEST(AnswerCounters, CodesAreTheLeadingNumberOnly) {
  const struct {
    const char* message;
    const char* code;
  } cases[] = {{"8006;Comanda necunoscuta : 01;X", "8006"},
               {"16;Eroare lipsa hartie", "16"},
               {" NU POT COMUNICA CU CASA DE MARCAT", "none"},
               {"Nu pot deschide fisierului ONLINE.TXT", "none"},
               {";x", "none"},
               {"123456;too long for a code", "none"},
               {"12a;x", "none"}};
  AnswerCounters counters;
  for (const auto& c : cases) {
    EXPECT_EQ(AnswerCounters::CodeOf(c.message), c.code) << c.message;
    counters.Note(c.message, 5);
  }
  counters.Note("0 OK", 9);
  EXPECT_EQ(counters.Ok(), 1u);
  EXPECT_EQ(counters.Errors().at("none"), 5u);
  EXPECT_EQ(counters.LastAnswerMs(), 9);
}

TEST(MetricsText, EveryFamilyIsDeclaredOnceAndUnknownValuesAreLeftOut) {
  MetricsSnapshot m;
  m.version = "2.7.0.0";
  m.answerErrors = {{"8006", 2}};
  m.deviceErrors = {{3, 1}};
  const std::string text = RenderMetrics(m);
  EXPECT_NE(text.find("vorndrv_answers_total{result=\"error\"} 2\n"), std::string::npos);
  // Codes an alert names are there from the start; others get reason "other".
  EXPECT_NE(text.find("vorndrv_device_errors_total{code=\"16\",reason=\"paper_out\"} 0\n"),
            std::string::npos);
  EXPECT_NE(text.find("vorndrv_device_errors_total{code=\"3\",reason=\"other\"} 1\n"),
            std::string::npos);
  EXPECT_EQ(text.find("vorndrv_journal_free_lines"), std::string::npos);
  EXPECT_EQ(text.find("vorndrv_last_answer_age_seconds"), std::string::npos);
  // An alert on a stuck job needs the 0 before the 1.
  EXPECT_NE(text.find("vorndrv_job_overdue 0\n"), std::string::npos);
  m.jobOverdue = true;
  m.journalFreeLines = 480;
  m.lastAnswerAgeSeconds = 1.5;
  const std::string known = RenderMetrics(m);
  EXPECT_NE(known.find("vorndrv_journal_free_lines 480\n"), std::string::npos);
  EXPECT_NE(known.find("vorndrv_last_answer_age_seconds 1.500\n"), std::string::npos);
  EXPECT_NE(known.find("vorndrv_job_overdue 1\n"), std::string::npos);
  size_t families = 0;
  for (size_t at = known.find("# TYPE "); at != std::string::npos;
       at = known.find("# TYPE ", at + 1)) {
    ++families;
  }
  EXPECT_EQ(families, 13u);
}

}  // namespace
}  // namespace vorn
