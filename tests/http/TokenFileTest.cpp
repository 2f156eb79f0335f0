#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/TextFiles.h"
#include "http/TokenFile.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorn {
namespace {

constexpr const char* kKept = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

struct Folder {
  QTemporaryDir dir;
  std::string path = dir.path().toStdString() + "/";
  std::string Key() const { return path + kTokenFileName; }
  std::string Read(const std::string& name) const {
    std::string bytes;
    return ReadFileBytes(path + name, bytes) ? bytes : "<missing>";
  }
};

TEST(TokenFile, MadeOnceThenKept) {
  Folder f;
  const TokenFile first = LoadOrCreateToken(f.path);
  ASSERT_TRUE(first.error.empty()) << first.error;
  EXPECT_EQ(first.created, "cheie noua in VORNHTTP.KEY");
  EXPECT_TRUE(WellFormedToken(first.token)) << first.token;
  EXPECT_EQ(f.Read(kTokenFileName), first.token);
  const TokenFile again = LoadOrCreateToken(f.path);
  EXPECT_EQ(again.token, first.token);
  EXPECT_TRUE(again.created.empty());
  EXPECT_NE(LoadOrCreateToken(Folder().path).token, first.token);
#if !defined(_WIN32)
  struct stat st {};
  ASSERT_EQ(::stat(f.Key().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(f.Read(std::string(kTokenFileName) + ".new"), "<missing>");
#endif
}

TEST(TokenFile, OnlyAWellFormedTokenIsKept) {
  struct Case {
    std::string content;
    bool kept;
  } cases[] = {
      {kKept, true},
      {std::string(kKept) + "\r\n", true},
      {"", false},
      {"secret", false},
      {std::string(kKept).substr(1), false},
      {std::string(kKept) + "0", false},
      {"0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF", false},
      {std::string(kKept) + " ", false},
      {std::string(kKept, 32) + std::string(1, '\0') + std::string(kKept, 31), false},
  };
  for (const Case& c : cases) {
    Folder f;
    std::string error;
    ASSERT_TRUE(WriteSecretDurable(f.Key(), c.content, error)) << error;
    const TokenFile got = LoadOrCreateToken(f.path);
    ASSERT_TRUE(WellFormedToken(got.token)) << c.content;
    EXPECT_EQ(got.token == kKept, c.kept) << c.content;
    EXPECT_EQ(got.created.empty(), c.kept) << got.created;
    if (!c.kept) {
      EXPECT_EQ(got.created, "VORNHTTP.KEY nu contine o cheie valida; cheie noua");
      EXPECT_EQ(f.Read(kTokenFileName), got.token);
    }
  }
}

#if !defined(_WIN32)
TEST(TokenFile, AFileOthersCouldReadOrRedirectIsReplaced) {
  Folder f;
  std::string error;
  ASSERT_TRUE(WriteSecretDurable(f.Key(), kKept, error)) << error;
  ASSERT_EQ(::chmod(f.Key().c_str(), 0644), 0);
  const TokenFile opened = LoadOrCreateToken(f.path);
  EXPECT_NE(opened.token, kKept);
  EXPECT_EQ(opened.created, "VORNHTTP.KEY era accesibil oricui; cheie noua");
  struct stat st {};
  ASSERT_EQ(::stat(f.Key().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // Links planted in the folder: neither the kept name nor the temporary one
  // leads the token, or its trust, to a file elsewhere.
  Folder elsewhere;
  const std::string outside = elsewhere.path + "outside";
  ASSERT_TRUE(WriteFileWhole(outside, kKept, error)) << error;
  ASSERT_EQ(::unlink(f.Key().c_str()), 0);
  ASSERT_EQ(::symlink(outside.c_str(), f.Key().c_str()), 0);
  ASSERT_EQ(::symlink(outside.c_str(), (f.Key() + ".new").c_str()), 0);
  const TokenFile linked = LoadOrCreateToken(f.path);
  EXPECT_NE(linked.token, kKept);
  EXPECT_EQ(linked.created, "VORNHTTP.KEY nu este un fisier; cheie noua");
  EXPECT_EQ(elsewhere.Read("outside"), kKept);
  ASSERT_EQ(::lstat(f.Key().c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
}
#endif

TEST(TokenFile, AFolderThatCannotHoldItGivesNoToken) {
  Folder f;
  const TokenFile got = LoadOrCreateToken(f.path + "missing/");
  EXPECT_TRUE(got.token.empty());
  EXPECT_NE(got.error.find("VORNHTTP.KEY"), std::string::npos) << got.error;
}

}  // namespace
}  // namespace vorn
