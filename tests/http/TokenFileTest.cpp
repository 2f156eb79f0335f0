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

const std::string kKept = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

struct Folder {
  QTemporaryDir dir;
  std::string path = dir.path().toStdString() + "/";
  std::string Key() const { return path + kTokenFileName; }
  unsigned Mode() const {
#if defined(_WIN32)
    return 0640;
#else
    struct stat st {};
    return ::lstat(Key().c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_mode & 07777 : 0;
#endif
  }
};

TEST(TokenFile, MadeOnceThenKept) {
  Folder f;
  const TokenFile first = LoadOrCreateToken(f.path);
  EXPECT_EQ(first.created, "cheie noua in VORNHTTP.KEY");
  ASSERT_TRUE(WellFormedToken(first.token)) << first.error;
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(f.Key(), bytes) && bytes == first.token);
  EXPECT_EQ(f.Mode(), 0640u);
  const TokenFile again = LoadOrCreateToken(f.path);
  EXPECT_EQ(again.token, first.token);
  EXPECT_TRUE(again.created.empty());
  EXPECT_NE(LoadOrCreateToken(Folder().path).token, first.token);
  EXPECT_TRUE(LoadOrCreateToken(f.path + "missing/").token.empty());
}

TEST(TokenFile, OnlyAWellFormedTokenIsKept) {
  struct Case {
    std::string content;
    bool kept;
  } cases[] = {
      {kKept, true},
      {kKept + "\r\n", true},
      {"", false},
      {kKept.substr(1), false},
      {"0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF", false},
  };
  for (const Case& c : cases) {
    Folder f;
    std::string error;
    ASSERT_TRUE(WriteSecretDurable(f.Key(), c.content, error)) << error;
    const TokenFile got = LoadOrCreateToken(f.path);
    EXPECT_TRUE(WellFormedToken(got.token)) << c.content;
    EXPECT_EQ(got.token == kKept, c.kept) << c.content;
    EXPECT_EQ(got.created, c.kept ? "" : "VORNHTTP.KEY nu contine o cheie valida; cheie noua");
  }
}

#if !defined(_WIN32)
TEST(TokenFile, AFileOthersCouldReadOrRedirectIsReplaced) {
  Folder f;
  std::string error;
  ASSERT_TRUE(WriteSecretDurable(f.Key(), kKept, error)) << error;
  ASSERT_EQ(::chmod(f.Key().c_str(), 0644), 0);
  EXPECT_EQ(LoadOrCreateToken(f.path).created, "VORNHTTP.KEY era accesibil oricui; cheie noua");
  EXPECT_EQ(f.Mode(), 0640u);

  // Links planted in the folder lead neither the token nor its trust elsewhere.
  Folder elsewhere;
  ASSERT_TRUE(WriteFileWhole(elsewhere.Key(), kKept, error)) << error;
  ASSERT_EQ(::unlink(f.Key().c_str()), 0);
  ASSERT_EQ(::symlink(elsewhere.Key().c_str(), f.Key().c_str()), 0);
  ASSERT_EQ(::symlink(elsewhere.Key().c_str(), (f.Key() + ".new").c_str()), 0);
  const TokenFile linked = LoadOrCreateToken(f.path);
  EXPECT_EQ(linked.created, "VORNHTTP.KEY nu este un fisier; cheie noua");
  EXPECT_NE(linked.token, kKept);
  EXPECT_EQ(f.Mode(), 0640u);
  std::string outside;
  EXPECT_TRUE(ReadFileBytes(elsewhere.Key(), outside) && outside == kKept);
}
#endif

}  // namespace
}  // namespace vorn
