#include "tests/integration/HttpFrontTest.h"

namespace vorn::itest {
namespace {

class MetricsTest : public HttpFrontTest {
 protected:
  void StartWithMetrics(const std::string& metricsKeys = {}) {
    ASSERT_TRUE(h.ListenTcpIn(kHttpSubnet, kFirstSearched, 250))
        << h.Sim().LastError().toStdString();
    address_ = h.Address();
    ASSERT_NO_FATAL_FAILURE(PickPorts());
    h.WriteRawIni("[Configurari]\r\nComunicatie=1\r\nIP=" + address_ +
                  "\r\nTratareEroareStare=0\r\n[ServerHTTP]\r\nActiv=DA\r\nAdresa=" + address_ +
                  "\r\nPort=" + std::to_string(httpPort_) + "\r\n[Metrici]\r\nActiv=DA\r\nAdresa=" +
                  address_ + "\r\nPort=" + std::to_string(metricsPort_) + "\r\n" + metricsKeys);
    ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
    ASSERT_TRUE(DriverHarness::WaitFor(
        [&] { return h.DriverOutput().find("metrici: asculta") != std::string::npos; }, 10000))
        << h.DriverOutput();
    ReadToken(metricsKeys);
    client_ = std::make_unique<HttpClient>(Base(), token_);
    metrics_ = std::make_unique<HttpClient>(
        QString::fromStdString("http://" + address_ + ":" + std::to_string(metricsPort_)), token_);
  }
  // The value of one sample line ("name{labels}"), -1 when absent.
  double Sample(const QByteArray& page, const QByteArray& series) {
    for (const QByteArray& line : page.split('\n')) {
      if (line.startsWith(series + " ")) return line.mid(series.size() + 1).toDouble();
    }
    return -1;
  }
  std::unique_ptr<HttpClient> metrics_;
};

TEST_F(MetricsTest, ScrapeShowsAnswersRefusalsAndState) {
  ASSERT_NO_FATAL_FAILURE(StartWithMetrics());
  EXPECT_EQ(h.Run("1", kSale).rfind("0 OK", 0), 0u);
  EXPECT_EQ(h.Run("2", {"01;X"}).rfind("1 ERROR\r\n8006;", 0), 0u);
  h.Sim().SetPaperOut(true);
  EXPECT_EQ(h.Run("3", kSale).rfind("1 ERROR\r\n16;", 0), 0u);
  h.Sim().SetPaperOut(false);
  EXPECT_EQ(client_->Call("GET", "/status").status, 200);

  // No Cheie: a scrape without the folder's token is refused.
  EXPECT_EQ(metrics_->Call("GET", "/metrics", {}, {{"Authorization", "Bearer x"}}).status, 401);
  const HttpResult scrape = metrics_->Call("GET", "/metrics");
  ASSERT_EQ(scrape.status, 200) << scrape.body.toStdString();
  EXPECT_TRUE(scrape.Header("Content-Type").startsWith("text/plain; version=0.0.4"));
  const QByteArray& page = scrape.body;
  EXPECT_EQ(Sample(page, "vorndrv_build_info{version=\"2.7.0.0\"}"), 1);
  EXPECT_EQ(Sample(page, "vorndrv_processing"), 1);
  EXPECT_EQ(Sample(page, "vorndrv_device_connected"), 1);
  EXPECT_EQ(Sample(page, "vorndrv_files_waiting"), 0);
  EXPECT_EQ(Sample(page, "vorndrv_answers_total{result=\"ok\"}"), 1);
  EXPECT_EQ(Sample(page, "vorndrv_answers_total{result=\"error\"}"), 2);
  EXPECT_EQ(Sample(page, "vorndrv_answer_errors_total{code=\"8006\"}"), 1);
  EXPECT_EQ(Sample(page, "vorndrv_answer_errors_total{code=\"16\"}"), 1);
  EXPECT_GE(Sample(page, "vorndrv_device_errors_total{code=\"16\",reason=\"paper_out\"}"), 1);
  EXPECT_EQ(Sample(page, "vorndrv_device_errors_total{code=\"61\",reason=\"z_report_due\"}"), 0);
  EXPECT_GE(Sample(page, "vorndrv_last_answer_age_seconds"), 0);
  EXPECT_EQ(Sample(page, "vorndrv_http_requests_total{status=\"200\"}"), 1);
  EXPECT_GT(Sample(page, "process_start_time_seconds"), 1.7e9);

  // The listener takes no receipt, whatever is sent to it.
  EXPECT_EQ(metrics_->Call("POST", "/metrics", Text(kSale), kPlain).status, 405);
  EXPECT_EQ(metrics_->Call("POST", "/receipts", Text(kSale), kPlain).status, 404);
  // Refused on its header block: the announced body is never waited for.
  const QByteArray early = RawExchange(
      QString::fromStdString(address_), metricsPort_,
      "POST /metrics HTTP/1.1\r\nHost: localhost\r\n" + AuthLine() + "Content-Length: 4096\r\n\r\n",
      10000);
  EXPECT_TRUE(early.startsWith("HTTP/1.1 405")) << early.toStdString();
  DriverHarness::Pump(300);
  for (const std::string& name : h.List()) EXPECT_NE(name.rfind("ONLINE", 0), 0u) << name;
  EXPECT_EQ(CountOf(h.RollText(), "PAINE"), 1) << h.RollText();
}

TEST_F(MetricsTest, WithATokenOnlyAuthenticatedScrapes) {
  ASSERT_NO_FATAL_FAILURE(StartWithMetrics("Cheie=scrape-7\r\n"));
  EXPECT_EQ(metrics_->Call("GET", "/metrics").status, 401);
  EXPECT_EQ(metrics_->Call("GET", "/metrics", {}, {{"Authorization", "Bearer scrape-8"}}).status,
            401);
  const HttpResult ok =
      metrics_->Call("GET", "/metrics", {}, {{"Authorization", "Bearer scrape-7"}});
  EXPECT_EQ(ok.status, 200);
  EXPECT_TRUE(ok.body.contains("vorndrv_processing 1"));
}

}  // namespace
}  // namespace vorn::itest
