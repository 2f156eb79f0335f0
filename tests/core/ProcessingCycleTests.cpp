#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "TestFiles.h"
#include "base/Clock.h"
#include "core/InFlightRecord.h"
#include "core/ServiceCore.h"
#include "tests/PumpUntil.h"

namespace vorn {
namespace {

using namespace vorn::test;

class FakeExecutor : public FileExecutor {
 public:
  bool PrepareDeviceForFile(FileContext& ctx) override {
    ++prepared;
    if (!prepareResult) ctx.answer = {"8030;Casa de marcat nu este pregatita", *ctx.slots, {}, {}};
    return prepareResult;
  }
  bool ExecuteFile(FileContext& ctx) override {
    ++executed;
    seenLines.push_back(ctx.lines->ToStrings());
    ctx.processingLog->push_back("10:00:00:000-Calculator : 30");
    if (throwNext) {
      throwNext = false;
      throw std::runtime_error("link gone");
    }
    ctx.slots->FiscalReceiptNumber = "17";
    ctx.answer = {"0 OK", *ctx.slots, {}, {}};
    return true;
  }
  void ReleaseLink(FileContext&) override { ++released; }

  bool prepareResult = true;
  bool throwNext = false;
  int prepared = 0;
  int executed = 0;
  int released = 0;
  std::vector<std::vector<std::string>> seenLines;
};

class RecordingQuestions : public OperatorQuestions {
 public:
  bool AskPrinterErrorRemoved(const std::string&) override { return false; }
  bool AskRunZReport() override { return false; }
  int ChoosePaymentForm() override { return 0; }
  void ShowStepMessage(const std::string&) override {}
  void ShowError(const std::string& caption, const std::string& message) override {
    shown.push_back(caption + "|" + message);
  }
  std::vector<std::string> shown;
};

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> out;
  for (const QString& n : QDir(Q(folder)).entryList(QDir::Files, QDir::Name)) {
    out.push_back(n.toStdString());
  }
  return out;
}

class ProcessingCycle : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTimeScale(0.02);
    w = dir.path().toStdString() + "/";
  }
  void TearDown() override { SetTimeScale(1.0); }

  // A service as it stands after start-up, without its timers running.
  ServiceCore& Service(const std::string& config = "") {
    if (!config.empty()) WriteBytes(w + "XVORNDRV.INI", "[Configurari]\r\n" + config);
    core = std::make_unique<ServiceCore>(w);
    core->SetExecutor(&exec);
    core->SetQuestions(&questions);
    core->SetDeviceJobs(&jobs);
    core->SetConnectionTester([this](const Settings&, bool readJournal) {
      ConnectionProbe p;
      p.opened = deviceAnswers;
      p.connected = deviceAnswers;
      p.modelText = "VORN M4";
      if (readJournal) p.journalFreeLines = journalLines;
      ++probes;
      return p;
    });
    core->LoadConfiguration();
    core->TestConnection();
    return *core;
  }

  QTemporaryDir dir;
  std::string w;
  FakeExecutor exec;
  RecordingQuestions questions;
  // Its peers (timers, writers) answer through this thread's event loop during a pause.
  InlineJobs jobs{[](int ms) { PumpFor(ms); }};
  std::unique_ptr<ServiceCore> core;
  bool deviceAnswers = true;
  int64_t journalLines = -1;
  int probes = 0;
};

TEST_F(ProcessingCycle, TakesOneFilePerTickInNameOrder) {
  ServiceCore& s = Service();
  WriteBytes(w + "ONLINEB.TXT", "30\r\n");
  WriteBytes(w + "online_a.txt", "30");
  s.TprocessorTimer();
  EXPECT_EQ(FilesIn(w), (std::vector<std::string>{"ERROR_a.TXT", "ONLINEB.TXT", "VORNDRV.INFO"}));
  EXPECT_EQ(ReadBytes(w + "ERROR_a.TXT"), "0 OK\r\nBON FISCAL NR. 17\r\n");
  EXPECT_FALSE(s.IsBusy());
  EXPECT_EQ(s.FileSuffix(), "_a");

  s.TprocessorTimer();
  EXPECT_EQ(ReadBytes(w + "ERRORB.TXT"), "0 OK\r\nBON FISCAL NR. 17\r\n");
  EXPECT_FALSE(Exists(w + "ONLINEB.TXT"));
  ASSERT_EQ(exec.seenLines.size(), 2u);
  EXPECT_EQ(exec.seenLines[0], (std::vector<std::string>{"30"}));
  EXPECT_EQ(exec.released, 0);
}

TEST_F(ProcessingCycle, StaleAnswerIsReplacedAndValidationErrorsAreAnswered) {
  ServiceCore& s = Service();
  WriteBytes(w + "ERROR12.TXT", "0 OK\r\nBON FISCAL NR. 99\r\n");
  WriteBytes(w + "ONLINE12.TXT", "");
  s.TprocessorTimer();
  EXPECT_EQ(ReadBytes(w + "ERROR12.TXT"),
            "1 ERROR\r\n8005;Fisierul de intrare nu contine date\r\n");
  EXPECT_FALSE(Exists(w + "ONLINE12.TXT"));
  EXPECT_EQ(exec.prepared, 0);

  WriteBytes(w + "ONLINE12.TXT", "abc\r\n");
  s.TprocessorTimer();
  EXPECT_EQ(ReadBytes(w + "ERROR12.TXT"), "1 ERROR\r\n8006;Comanda necunoscuta : abc\r\n");
}

TEST_F(ProcessingCycle, RefusedPreparationIsNotExecuted) {
  ServiceCore& s = Service();
  exec.prepareResult = false;
  WriteBytes(w + "ONLINE.TXT", "30\r\n");
  s.TprocessorTimer();
  EXPECT_EQ(exec.executed, 0);
  EXPECT_EQ(ReadBytes(w + "ERROR.TXT"), "1 ERROR\r\n8030;Casa de marcat nu este pregatita\r\n");
}

#ifndef _WIN32  // a dangling link is a shortcut file there
TEST_F(ProcessingCycle, UnreadableFileIsRetriedThenAnswered) {
  ServiceCore& s = Service();
  // A link to nothing is listed but can never be read.
  ASSERT_TRUE(QFile::link(Q(w + "nowhere"), Q(w + "ONLINE5.TXT")));
  s.TprocessorTimer();
  EXPECT_EQ(ReadBytes(w + "ERROR5.TXT"), "1 ERROR\r\nNu pot deschide fisierului ONLINE5.TXT\r\n");
  EXPECT_FALSE(QFileInfo(Q(w + "ONLINE5.TXT")).isSymLink());
  EXPECT_EQ(exec.prepared, 0);
}
#endif

TEST_F(ProcessingCycle, FileStillBeingWrittenIsReadOnceItSettles) {
  SetTimeScale(0.2);  // a settle time of 60 ms leaves room for the writer below
  ServiceCore& s = Service();
  WriteBytes(w + "ONLINE7.TXT", "1;Paine;BUC;1;1;100;100000\r\n");
  QTimer::singleShot(10, [this] {
    QFile f(Q(w + "ONLINE7.TXT"));
    if (f.open(QIODevice::Append)) f.write("5;100;1\r\n");
  });
  s.TprocessorTimer();
  ASSERT_EQ(exec.seenLines.size(), 1u);
  EXPECT_EQ(exec.seenLines[0], (std::vector<std::string>{"1;Paine;BUC;1;1;100;100000", "5;100;1"}));
}

TEST_F(ProcessingCycle, EscapedErrorKeepsTheServiceGoing) {
  ServiceCore& s = Service("LogFile=DA\r\n");
  exec.throwNext = true;
  WriteBytes(w + "ONLINE1.TXT", "30\r\n");
  WriteBytes(w + "ONLINE2.TXT", "30\r\n");
  s.TprocessorTimer();
  EXPECT_FALSE(s.IsBusy());
  EXPECT_FALSE(Exists(w + "ONLINE1.TXT"));
  EXPECT_EQ(exec.released, 1);
  ASSERT_EQ(s.Errors().size(), 1u);
  EXPECT_NE(s.Errors()[0].find("link gone"), std::string::npos);
  // The application still gets an answer to the file it dropped.
  EXPECT_EQ(ReadBytes(w + "ERROR1.TXT"),
            "1 ERROR\r\nEroare interna la procesarea fisierului ONLINE1.TXT\r\n");
  // The log holds what was done before the error.
  const auto logs = FilesIn(w + "Log");
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(ReadBytes(w + "Log/" + logs[0]), "10:00:00:000-Calculator : 30\r\n");

  s.TprocessorTimer();
  EXPECT_EQ(ReadBytes(w + "ERROR2.TXT"), "0 OK\r\nBON FISCAL NR. 17\r\n");
}

TEST_F(ProcessingCycle, HistoryWithoutLogKeepsReceiptAndAnswerCopies) {
  ServiceCore& s = Service("History=DA\r\nLogFile=da\r\n");
  WriteBytes(w + "ONLINE9.TXT", "30\n");
  s.TprocessorTimer();
  const std::string ts = s.ProcessingTimestampText();
  EXPECT_EQ(FilesIn(w + "History"),
            (std::vector<std::string>{"ERROR9_" + ts + ".TXT", "ONLINE9_" + ts + ".TXT"}));
  EXPECT_EQ(ReadBytes(w + "History/ONLINE9_" + ts + ".TXT"), "30\r\n");
  EXPECT_EQ(ReadBytes(w + "History/ERROR9_" + ts + ".TXT"), "0 OK\r\nBON FISCAL NR. 17\r\n");
  EXPECT_FALSE(Exists(w + "Log"));
}

#ifndef _WIN32  // separators and letter case of the folder names are those of POSIX
TEST_F(ProcessingCycle, LogAndHistoryKeepTheProcessingLogTwice) {
  QDir().mkpath(Q(w + "HISTORY"));  // an existing folder is found whatever its case
  ServiceCore& s = Service("History=DA\r\nLogFile=DA\r\n");
  WriteBytes(w + "ONLINE.TXT", "30\r\n");
  s.TprocessorTimer();
  const std::string log = "Log_" + s.ProcessingTimestampText() + ".TXT";
  EXPECT_EQ(ReadBytes(w + "Log/" + log), "10:00:00:000-Calculator : 30\r\n");
  EXPECT_EQ(ReadBytes(w + "HISTORY/" + log), "10:00:00:000-Calculator : 30\r\n");
  EXPECT_EQ(s.HistoryFolder(), w + "HISTORY/");
}
#endif

#ifndef _WIN32  // separators of POSIX
TEST_F(ProcessingCycle, FolderPathsStaySetWhenTheFlagsGoOff) {
  ServiceCore& s = Service("History=DA\r\nLogFile=DA\r\n");
  WriteBytes(w + "XVORNDRV.INI", "[Configurari]\r\n");
  s.LoadConfiguration();
  EXPECT_EQ(s.LogFolder(), w + "Log/");
  EXPECT_EQ(s.HistoryFolder(), w + "History/");
  EXPECT_FALSE(s.Config().LogFile);
}
#endif

TEST_F(ProcessingCycle, UnreachableDeviceLeavesFilesUntilACheckSucceeds) {
  deviceAnswers = false;
  ServiceCore& s = Service();
  s.TprocessorTimer();  // idle tick: the test fails and the connection check starts
  EXPECT_TRUE(s.IsCheckingConnection());
  EXPECT_EQ(ReadBytes(w + "VORNDRV.INFO"),
            "[INFO]\r\nVersiune=2.7.0.0\r\nStare=STOP PROCESARE\r\nConectatLaCasa=NU\r\n");

  WriteBytes(w + "ONLINE.TXT", "30\r\n");
  s.TprocessorTimer();
  EXPECT_TRUE(Exists(w + "ONLINE.TXT"));
  EXPECT_FALSE(Exists(w + "ERROR.TXT"));

  deviceAnswers = true;
  s.TcheckCOMTimer();
  EXPECT_FALSE(s.IsCheckingConnection());
  EXPECT_TRUE(s.IsConnected());
  s.TprocessorTimer();
  EXPECT_EQ(ReadBytes(w + "ERROR.TXT"), "0 OK\r\nBON FISCAL NR. 17\r\n");
}

TEST_F(ProcessingCycle, IdleTicksTestOnlyWithoutFaraVerificareConexiune) {
  ServiceCore& s = Service("FaraVerificareConexiune=DA\r\n");
  const int before = probes;
  s.TprocessorTimer();
  EXPECT_EQ(probes, before);

  WriteBytes(w + "XVORNDRV.INI", "[Configurari]\r\n");
  s.LoadConfiguration();
  s.TprocessorTimer();
  EXPECT_EQ(probes, before + 1);
}

TEST_F(ProcessingCycle, FirstConnectionReadsTheJournalSpace) {
  struct Case {
    int64_t lines;
    std::vector<std::string> warnings;
  };
  const Case cases[] = {
      {499,
       {"Linii libere in memoria JE :499",
        "EFECTUATI RAPORTUL FISCAL Z/CHEMATI TEHNICIANUL AUTORIZAT PENTRU INLOCUIRE MEMORIE JE"}},
      {500,
       {"Linii libere in memoria JE :500",
        "CHEMATI TEHNICIANUL AUTORIZAT PENTRU INLOCUIRE MEMORIE JE"}},
      {100000, {"Linii libere in memoria JE :100000"}},
      {0, {"Linii libere in memoria JE :0"}},
      {-1, {}},
  };
  for (const Case& c : cases) {
    journalLines = c.lines;
    ServiceCore& s = Service();
    EXPECT_EQ(s.Warnings(), c.warnings) << c.lines;
    EXPECT_EQ(s.Slots().JournalFreeLines, c.lines);
    s.Slots().JournalFreeLines = 1234;  // once known it is not read again
    journalLines = 7;
    s.TestConnection();
    EXPECT_EQ(s.Slots().JournalFreeLines, 1234);
  }
}

// A later answer (a receipt's, or a manual "Anulare bon"'s) adds its own
// warnings and keeps the journal's, which are not read again.
TEST_F(ProcessingCycle, JournalWarningsOutliveLaterAnswers) {
  journalLines = 400;
  ServiceCore& s = Service();
  const std::vector<std::string> journal = {
      "Linii libere in memoria JE :400",
      "EFECTUATI RAPORTUL FISCAL Z/CHEMATI TEHNICIANUL AUTORIZAT PENTRU INLOCUIRE MEMORIE JE"};
  s.WriteAnswerFile("0 OK");
  EXPECT_EQ(s.Warnings(), journal);
  s.Slots().PaperNearEnd = true;
  s.WriteAnswerFile("0 OK");
  EXPECT_EQ(s.Warnings(),
            (std::vector<std::string>{journal[0], journal[1], "Atentie ! Se termina hartia !"}));
}

TEST_F(ProcessingCycle, ErrorDialogOnlyWhenAskedAndOnlyForErrors) {
  ServiceCore& s = Service("DialogMesajEroare=DA\r\n");
  s.WriteAnswerFile("0 OK");
  s.WriteAnswerFile("8005;Fisierul de intrare nu contine date");
  EXPECT_EQ(questions.shown,
            (std::vector<std::string>{"Eroare|8005;Fisierul de intrare nu contine date"}));
}

TEST_F(ProcessingCycle, RecoveryNoticeIsWrittenOnceAndSeriesSurvivesPickup) {
  ServiceCore& s = Service();
  s.Slots().RecoveryNotice = "#0;NU EXISTA BON IN DERULARE";
  s.Slots().FiscalSeries = "AB";
  s.WriteAnswerFile("0 OK");
  EXPECT_EQ(ReadBytes(w + "ERROR.TXT"),
            "0 OK\r\nSerie Fiscala : AB\r\n#0;NU EXISTA BON IN DERULARE\r\n");
  s.WriteAnswerFile("0 OK");
  EXPECT_EQ(ReadBytes(w + "ERROR.TXT"), "0 OK\r\nSerie Fiscala : AB\r\n");

  WriteBytes(w + "ONLINE3.TXT", "30\r\n");
  s.TprocessorTimer();
  EXPECT_EQ(ReadBytes(w + "ERROR3.TXT"), "0 OK\r\nBON FISCAL NR. 17\r\nSerie Fiscala : AB\r\n");
}

TEST_F(ProcessingCycle, CleanupAtStartOfProcessing) {
  QDir().mkpath(Q(w + "log"));
  QDir().mkpath(Q(w + "History"));
  WriteAged(w + "Log_old.TXT", DaysAgoAt(2, 10));
  WriteAged(w + "log/Log_1_old.TXT", DaysAgoAt(5, 10));
  WriteAged(w + "log/Log_2_new.TXT", DaysAgoAt(1, 10));
  WriteAged(w + "History/ONLINE_old.TXT", DaysAgoAt(3, 10));
  WriteAged(w + "History/ERROR_old.TXT", DaysAgoAt(3, 10));
  WriteAged(w + "History/notes.txt", DaysAgoAt(30, 10));
  ServiceCore& s = Service("StergereFisierevechi=DA\r\nMarjaZileStergere=0\r\n");
  s.CleanOldFiles();
  EXPECT_FALSE(Exists(w + "Log_old.TXT"));
  EXPECT_EQ(FilesIn(w + "log"), (std::vector<std::string>{"Log_2_new.TXT"}));
  EXPECT_EQ(FilesIn(w + "History"), (std::vector<std::string>{"notes.txt"}));
}

TEST_F(ProcessingCycle, WorkFolderCleanupDeletesWaitingFilesWithoutAnAnswer) {
  WriteBytes(w + "ONLINE1.TXT", "30\r\n");
  WriteBytes(w + "error1.txt", "0 OK\r\n");
  WriteBytes(w + "logx.TXT", "x");
  WriteBytes(w + "ONLINE1.DAT", "x");
  ServiceCore& s = Service("CuratareFolderLucru=DA\r\n");
  s.CleanOldFiles();
  EXPECT_EQ(FilesIn(w), (std::vector<std::string>{"ONLINE1.DAT", "VORNDRV.INFO", "XVORNDRV.INI"}));
}

// The file a restart interrupted and its answer stay: the device may hold its
// receipt half printed, and the answer may already tell the truth about it.
TEST_F(ProcessingCycle, WorkFolderCleanupKeepsTheReceiptARestartInterrupted) {
  WriteBytes(w + "ONLINE1.TXT", "30\r\n");
  WriteBytes(w + "ERROR1.TXT", "0 OK\r\n");
  WriteBytes(w + "ONLINE2.TXT", "15\r\n");
  WriteBytes(w + "ERROR2.TXT", "0 OK\r\n");
  InFlightRecord r;
  r.name = "ONLINE2.TXT";
  r.size = 4;
  r.digest = FileDigest("15\r\n");
  r.bytes = "15\r\n";
  r.phase = InFlightPhase::Closed;
  std::string error;
  ASSERT_TRUE(SaveInFlight(w, r, error)) << error;
  ServiceCore& s = Service("CuratareFolderLucru=DA\r\n");
  s.Start();
  EXPECT_FALSE(Exists(w + "ONLINE1.TXT"));
  EXPECT_FALSE(Exists(w + "ERROR1.TXT"));
  EXPECT_EQ(ReadBytes(w + "ERROR2.TXT"), "0 OK\r\n");
  s.Shutdown();
}

TEST_F(ProcessingCycle, SaveKeepsTheFileAndShutdownClosesTheStatus) {
  const std::string ini =
      "[Configurari]\r\nPort=3\r\nLogFile=DA\r\nMarjaZileStergere=12\r\nSintaxa=5\r\n"
      "[ConversieStornoAvans]\r\nCuvinte=AVANS\r\n";
  WriteBytes(w + "XVORNDRV.INI", ini);
  WriteBytes(w + "VORNDRV.INFO", "[INFO]\r\nCititDe=POS\r\n");
  ServiceCore& s = Service();
  s.Config().IP = "10.1.1.1";
  s.Shutdown();
  EXPECT_EQ(ReadBytes(w + "XVORNDRV.INI"),
            "[Configurari]\r\nPort=3\r\nLogFile=DA\r\nMarjaZileStergere=12\r\nSintaxa=-1\r\n"
            "BaudRate=0\r\nModTaiere=0\r\nLiniiAvans=0\r\nTratareEroareStare=0\r\n"
            "TratareBonInDerulare=2\r\nTratareFormaPlata=0\r\nCodFormaPlata=1\r\nComunicatie=0\r\n"
            "IP=10.1.1.1\r\n[ConversieStornoAvans]\r\nCuvinte=AVANS\r\n");
  EXPECT_EQ(ReadBytes(w + "VORNDRV.INFO"),
            "[INFO]\r\nCititDe=POS\r\nVersiune=2.7.0.0\r\nStare=DRIVER INCHIS\r\n"
            "ConectatLaCasa=DA\r\n");
  EXPECT_FALSE(s.Tprocessor().isActive());
  EXPECT_FALSE(s.TcheckCOM().isActive());
}

TEST_F(ProcessingCycle, StartAndStopProcessing) {
  deviceAnswers = false;
  ServiceCore& s = Service();
  s.Start();
  EXPECT_TRUE(s.IsProcessing());
  EXPECT_TRUE(s.Tprocessor().isActive());
  EXPECT_TRUE(s.IsCheckingConnection());
  EXPECT_EQ(ReadBytes(w + "VORNDRV.INFO"),
            "[INFO]\r\nVersiune=2.7.0.0\r\nStare=START PROCESARE\r\nConectatLaCasa=NU\r\n");
  s.Slots().JournalFreeLines = 800;
  s.SetProcessing(false);
  EXPECT_FALSE(s.Tprocessor().isActive());
  EXPECT_FALSE(s.IsCheckingConnection());
  EXPECT_EQ(s.Slots().JournalFreeLines, -1);
  EXPECT_EQ(ReadBytes(w + "VORNDRV.INFO"),
            "[INFO]\r\nVersiune=2.7.0.0\r\nStare=STOP PROCESARE\r\nConectatLaCasa=NU\r\n");
}

TEST_F(ProcessingCycle, OlderSyntaxIsConvertedWithTheTablesOfThatMoment) {
  ServiceCore& s = Service("Sintaxa=1\r\nHistory=DA\r\n[ConversieUM]\r\n7=KG\r\n");
  WriteBytes(w + "ONLINE1.TXT", "1;Mere;x;7;1;250;1000\r\n\r\n12;1;CIF CLIENT RO 12\r\n");
  s.TprocessorTimer();
  const std::string first = "History/ONLINE1_" + s.ProcessingTimestampText() + ".TXT";
  EXPECT_EQ(ReadBytes(w + first), "1;Mere;KG;1;1;250;100000;1;\r\n11;B;RO12\r\n");

  // A hand edit of the tables counts from the next file on, without a restart.
  WriteBytes(w + "XVORNDRV.INI",
             "[Configurari]\r\nSintaxa=1\r\nHistory=DA\r\n[ConversieUM]\r\n7=LITRU\r\n");
  WriteBytes(w + "ONLINE2.TXT", "1;Lapte;x;7;1;250;1000\r\n");
  s.TprocessorTimer();
  EXPECT_EQ(ReadBytes(w + "History/ONLINE2_" + s.ProcessingTimestampText() + ".TXT"),
            "1;Lapte;LITRU;1;1;250;100000;1;\r\n");
}

TEST_F(ProcessingCycle, TimersPickUpADroppedFile) {
  ServiceCore& s = Service();
  s.Start();
  WriteBytes(w + "ONLINE4.TXT", "30\r\n");
  for (int i = 0; i < 2000 && !(Exists(w + "ERROR4.TXT") && !Exists(w + "ONLINE4.TXT")); ++i) {
    PumpFor(50);
  }
  EXPECT_EQ(ReadBytes(w + "ERROR4.TXT"), "0 OK\r\nBON FISCAL NR. 17\r\n");
  s.Shutdown();
}

TEST_F(ProcessingCycle, PanelChangesSurviveOnlyAStartFromTheButton) {
  ServiceCore& s = Service("Port=2\r\n");
  s.Config().PortIndex = 5;
  s.Config().SettingsTouched = true;
  s.SetProcessing(true);  // the tray menu: reloads the file, the change is lost
  EXPECT_EQ(s.Config().PortIndex, 1);
  s.SetProcessing(false);

  s.Config().PortIndex = 5;
  s.Config().SettingsTouched = true;
  s.SetProcessingFromButton(true);
  EXPECT_EQ(s.Config().PortIndex, 5);
  EXPECT_FALSE(s.Config().SettingsTouched);
  s.SetProcessing(false);
}

TEST_F(ProcessingCycle, AnsweredFileThatCannotBeDeletedIsNotRunTwice) {
  ServiceCore& s = Service();
  const std::string path = w + "ONLINE8.TXT";
  WriteBytes(path, "30\r\n");
  const std::string lock = "chattr +i '" + path + "' 2>/dev/null";
  if (std::system(lock.c_str()) != 0) GTEST_SKIP() << "no immutable files here";
  struct Unlock {
    std::string path;
    ~Unlock() { (void)std::system(("chattr -i '" + path + "' 2>/dev/null").c_str()); }
  } unlock{path};

  s.TprocessorTimer();
  EXPECT_EQ(ReadBytes(w + "ERROR8.TXT"), "0 OK\r\nBON FISCAL NR. 17\r\n");
  EXPECT_TRUE(Exists(path));
  s.TprocessorTimer();
  EXPECT_EQ(exec.executed, 1);
  EXPECT_TRUE(Exists(w + "ERROR8.TXT"));

  (void)std::system(("chattr -i '" + path + "'").c_str());
  s.TprocessorTimer();  // only deleted now
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(exec.executed, 1);

  WriteBytes(path, "30\r\n");  // a new file of that name is a new receipt
  s.TprocessorTimer();
  EXPECT_EQ(exec.executed, 2);
}

}  // namespace
}  // namespace vorn
