#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <thread>

#include "ManualFixture.h"
#include "core/TextFiles.h"
#include "operations/LogoFile.h"
#include "operations/LogoUpload.h"

namespace vorn::test {
namespace {

TEST(LogoFileTest, CommandFileOf120Bytes) {
  std::string bytes(120, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 3);
  const std::vector<std::string> lines = BuildLogoFile(bytes);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "9100000120");
  EXPECT_EQ(lines[1].substr(0, 6), "910150");
  EXPECT_EQ(lines[1].substr(6, 10), "000306090C");
  EXPECT_EQ(lines[1].size(), 6u + 100u);
  EXPECT_EQ(lines[2].substr(0, 6), "910150");
  EXPECT_EQ(lines[3].substr(0, 6), "910120");
  EXPECT_EQ(lines[3].size(), 6u + 40u);
  EXPECT_EQ(lines[4], "9102");
  EXPECT_EQ(HexText("\xff\x0a"), "FF0A");
}

TEST(LogoFileTest, NamesAndExtensions) {
  EXPECT_EQ(LogoCommandFileName("/tmp/x/logo.bmp"), "LOGO.XVD");
  EXPECT_EQ(LogoCommandFileName("a.bmp.Bmp"), "A.XVD.XVD");
  EXPECT_TRUE(IsBmpFileName("/a/b/Logo.BmP"));
  EXPECT_FALSE(IsBmpFileName("/a/b.bmp/logo.png"));
  EXPECT_FALSE(IsBmpFileName("bmp"));
}

using LogoUploadTest = ManualFixture;

TEST_F(LogoUploadTest, UploadsInChunksWithProgressAndCommandFile) {
  LogsOn(false);
  std::string bytes(120, 'B');
  std::string error;
  ASSERT_TRUE(WriteFileWhole(folder + "logo.bmp", bytes, error));
  std::vector<std::string> events;
  LogoProgress progress;
  progress.started = [&](int n) { events.push_back("start " + std::to_string(n)); };
  progress.advanced = [&](int n) { events.push_back(std::to_string(n)); };
  progress.finished = [&]() { events.push_back("end"); };

  const ManualOutcome out = LogoUpload(ctx).Run(folder + "logo.bmp", progress);
  EXPECT_TRUE(out.ok) << out.error;
  EXPECT_EQ(out.info, "Transmisia s-a facut cu succes !");
  EXPECT_EQ(events, (std::vector<std::string>{"start 3", "1", "2", "3", "end"}));
  QStringList chunks = sim.CommandLog().filter(QRegularExpression("^9101"));
  ASSERT_EQ(chunks.size(), 3);
  EXPECT_TRUE(chunks[0].startsWith("910150"));
  EXPECT_TRUE(chunks[2].startsWith("910120"));
  EXPECT_EQ(sim.LogoData().toStdString(), bytes);
  EXPECT_TRUE(QFile::exists(QString::fromStdString(folder + "LOGO.XVD")));
  ASSERT_EQ(Files("Log").size(), 1);
  EXPECT_TRUE(Files("Log").front().startsWith("Log_LoadBMP_"));
}

#ifndef _WIN32  // named pipes
TEST_F(LogoUploadTest, OnlyARegularFileOfAtMost200000BytesIsRead) {
  std::string error;
  ASSERT_TRUE(WriteFileWhole(folder + "big.bmp", std::string(kMaxLogoBytes + 1, 'x'), error));
  ASSERT_EQ(mkfifo((folder + "pipe.bmp").c_str(), 0600), 0);
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.bmp"));
  // Were the pipe opened for reading, this writer would let that read end at
  // once, and the test fail instead of hang.
  std::thread writer([path = folder + "pipe.bmp"] { close(open(path.c_str(), O_WRONLY)); });

  const struct {
    const char* name;
    std::string error;
  } cases[] = {
      {"big.bmp", "Fisierul " + folder +
                      "big.bmp are 200001 octeti.\rImprimanta accepta cel mult 200000 octeti. Nu "
                      "am transmis nimic."},
      {"pipe.bmp",
       "Fisierul " + folder + "pipe.bmp nu este un fisier obisnuit.\rNu am transmis nimic."},
      {"folder.bmp",
       "Fisierul " + folder + "folder.bmp nu este un fisier obisnuit.\rNu am transmis nimic."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    bool started = false;
    LogoProgress progress;
    progress.started = [&](int) { started = true; };
    const ManualOutcome out = LogoUpload(ctx).Run(folder + c.name, progress);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error, c.error);
    EXPECT_FALSE(started);
  }
  EXPECT_EQ(sim.FramesReceived(), 0);
  // A reader held open until the writer is through, whenever its open comes.
  const int reader = open((folder + "pipe.bmp").c_str(), O_RDONLY | O_NONBLOCK);
  writer.join();
  close(reader);
}
#endif

TEST_F(LogoUploadTest, MissingFileAndRefusedChunkAreReported) {
  EXPECT_EQ(LogoUpload(ctx).Run(folder + "none.bmp", {}).error.rfind("Nu pot citi fisierul", 0),
            0u);
  std::string error;
  ASSERT_TRUE(WriteFileWhole(folder + "l.bmp", std::string(60, 'x'), error));
  int finished = 0;
  LogoProgress progress;
  progress.advanced = [&](int) { sim.RefuseNextCommand(21); };
  progress.finished = [&]() { ++finished; };
  const ManualOutcome out = LogoUpload(ctx).Run(folder + "l.bmp", progress);
  EXPECT_EQ(out.error.rfind("Eroare comanda 9101 !\r21;", 0), 0u) << out.error;
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(Count("9102"), 0);
}

}  // namespace
}  // namespace vorn::test
