// The HTTP front under a flood of well-formed receipts: its queue is bounded
// in receipts and bytes, the folder owner's files are not kept waiting behind
// its backlog, and answers of any size leave a small store that a restart
// reads at once.
#include <QFileInfo>
#include <algorithm>

#include "http/ReceiptStore.h"
#include "tests/integration/HttpFrontTest.h"

namespace vorn::itest {
namespace {

const Headers kAuthorised = {{"Content-Type", "text/plain"}, {"Authorization", "Bearer cheie-7"}};

int NumberIn(const std::string& answer) {
  const size_t at = answer.find("BON FISCAL NR. ");
  return at == std::string::npos ? -1 : std::stoi(answer.substr(at + 15));
}

class HttpQueueBound : public HttpFrontTest {
 protected:
  // The device silent at the start: the driver takes no file until it answers,
  // so that nothing of the front drains meanwhile.
  void StartWithoutDevice(const std::string& keys) {
    ASSERT_TRUE(h.ListenTcpIn(kHttpSubnet, kFirstSearched, 250))
        << h.Sim().LastError().toStdString();
    address_ = h.Address();
    ASSERT_NO_FATAL_FAILURE(PickPorts());
    WriteIni("Cheie=cheie-7\r\n" + keys);
    h.Sim().SetSilent(true);
    ASSERT_TRUE(h.StartDriver(kTimeScale, false)) << h.DriverOutput();
    ASSERT_EQ(h.ReadFile("VORNDRV.INFO").find("ConectatLaCasa=DA"), std::string::npos);
    client_ = std::make_unique<HttpClient>(Base());
    ASSERT_TRUE(DriverHarness::WaitFor(
        [&] { return h.DriverOutput().find("http: asculta") != std::string::npos; }, 10000))
        << h.DriverOutput();
  }
  int FrontFilesInFolder() const {
    int n = 0;
    for (const auto& name : h.List()) n += name.rfind("ONLINEH", 0) == 0 ? 1 : 0;
    return n;
  }
  // Posts with wait=0 and sorts the ids of the 202s from the 503s.
  std::vector<QString> PostMany(int count, const std::function<QByteArray(int)>& body,
                                int& refused) {
    std::vector<QString> ids;
    refused = 0;
    for (int i = 0; i < count; ++i) {
      const HttpResult r = client_->Call("POST", "/receipts?wait=0", body(i), kAuthorised);
      if (r.status == 202) {
        ids.push_back(r.json["id"].toString());
        continue;
      }
      EXPECT_EQ(r.status, 503) << r.body.toStdString();
      EXPECT_EQ(r.Header("Retry-After"), "10");
      EXPECT_TRUE(r.json["error"].toString().startsWith("the queue is full"))
          << r.body.toStdString();
      ++refused;
    }
    return ids;
  }
  HttpResult Answered(const QString& id) {
    HttpResult r;
    EXPECT_TRUE(DriverHarness::WaitFor([&] {
      r = client_->Call("GET", "/receipts/" + id, {}, kAuthorised);
      return r.json["state"].toString() == "answered";
    })) << r.body.toStdString();
    return r;
  }
};

TEST_F(HttpQueueBound, ABacklogIsBoundedAndAFolderFileWaitsForAtMostOneOfIt) {
  ASSERT_NO_FATAL_FAILURE(StartWithoutDevice("MaxBonuriCoada=10\r\n"));
  Headers keyed = kAuthorised;
  keyed.push_back({"Idempotency-Key", "comanda-1"});
  const HttpResult first = client_->Call("POST", "/receipts?wait=0", Text(kSale), keyed);
  ASSERT_EQ(first.status, 202) << first.body.toStdString();
  int refused = 0;
  std::vector<QString> ids = PostMany(
      29,
      [](int i) {
        return Text({"1;HTTP " + std::to_string(i) + ";BUC;1;1;100;100000", "5;100;1"});
      },
      refused);
  EXPECT_EQ(ids.size(), 9u);
  EXPECT_EQ(refused, 20);
  ids.insert(ids.begin(), first.json["id"].toString());
  EXPECT_EQ(FrontFilesInFolder(), 1);
  // A retry under a key already queued is not a new receipt: not refused.
  const HttpResult retry = client_->Call("POST", "/receipts?wait=0", Text(kSale), keyed);
  EXPECT_EQ(retry.status, 202) << retry.body.toStdString();
  EXPECT_EQ(retry.json["id"], first.json["id"]);

  h.DropReceipt("ONLINEPOS1.TXT", {"1;DIN POS;BUC;1;1;100;100000", "5;100;1"});
  h.Sim().SetSilent(false);
  int most = 0;
  std::optional<std::string> pos;
  ASSERT_TRUE(DriverHarness::WaitFor(
      [&] {
        most = std::max(most, FrontFilesInFolder());
        if (!pos && h.Exists("ERRORPOS1.TXT") && !h.Exists("ONLINEPOS1.TXT")) {
          pos = h.ReadFile("ERRORPOS1.TXT");
        }
        return pos && FrontFilesInFolder() == 0;
      },
      120000))
      << h.DriverOutput();
  EXPECT_EQ(most, 1);
  std::vector<int> numbers;
  for (const QString& id : ids)
    numbers.push_back(NumberIn(Answered(id).json["raw"].toString().toStdString()));
  EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
  // Taken right after the one HTTP receipt in the folder with it.
  EXPECT_EQ(NumberIn(*pos), numbers.front() + 1) << *pos;
  EXPECT_EQ(numbers[1], numbers.front() + 2);
}

TEST_F(HttpQueueBound, HugeAnswersLeaveASmallStoreAndARestartAnswersAtOnce) {
  ASSERT_NO_FATAL_FAILURE(StartWithoutDevice("MaxCoadaMB=1\r\n"));
  const auto unknownLine = [](int bytes) {
    return [bytes](int i) {
      return QByteArray::number(900 + i) + ";" + QByteArray(bytes, 'X') + "\r\n";
    };
  };
  // Bounded in bytes too: four of these fit in 1 MB.
  int refused = 0;
  const std::vector<QString> queued = PostMany(8, unknownLine(250000), refused);
  EXPECT_EQ(queued.size(), 4u);
  EXPECT_EQ(refused, 4);
  h.Sim().SetSilent(false);
  for (const QString& id : queued) Answered(id);

  // Each waiting client gets its whole answer; a later ask gets it cut.
  std::vector<QString> ids;
  for (int i = 0; i < 40; ++i) {
    const HttpResult r =
        client_->Call("POST", "/receipts?wait=120", unknownLine(1000000)(i), kAuthorised);
    ASSERT_EQ(r.status, 200) << r.body.left(300).toStdString();
    EXPECT_GT(r.json["raw"].toString().size(), 1000000);
    ids.push_back(r.json["id"].toString());
  }
  const HttpResult later = Answered(ids.back());
  EXPECT_LE(later.json["raw"].toString().size(), qsizetype(kMaxAnswerBytes));
  EXPECT_TRUE(later.json["raw"].toString().contains("[raspuns trunchiat: "))
      << later.body.right(200).toStdString();

  // 40 answers of more than 1 MB each: a store of a few MB.
  const qint64 store = QFileInfo(QString::fromStdString(h.PathOf(kHttpStoreName))).size();
  EXPECT_LT(store, qint64(kMaxStoreBytes)) << store;
  h.StopDriver();
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  ASSERT_TRUE(DriverHarness::WaitFor(
      [&] { return CountOf(h.DriverOutput(), "http: asculta") == 2; }, 10000));
  const HttpResult status = client_->Call("GET", "/status", {}, kAuthorised);
  EXPECT_EQ(status.status, 200) << status.body.toStdString();
  EXPECT_EQ(status.json["httpWaiting"].toInt(), 0);
  EXPECT_EQ(Answered(ids.front()).json["id"].toString(), ids.front());
}

}  // namespace
}  // namespace vorn::itest
