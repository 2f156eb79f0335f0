#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "TestFiles.h"
#include "core/HeadlessQuestions.h"
#include "core/ScriptedQuestions.h"

namespace vorn {
namespace {

using namespace vorn::test;

TEST(ScriptedQuestions, AnswersInOrderAndLogsEveryDialog) {
  QTemporaryDir dir;
  const std::string script = dir.path().toStdString() + "/answers.txt";
  WriteBytes(script, "Da\r\n3\r\nNu\r\n");
  ScriptedQuestions q(script);
  EXPECT_TRUE(q.AskPrinterErrorRemoved("16;HARTIE TERMINATA"));
  EXPECT_EQ(q.ChoosePaymentForm(), 3);
  q.ShowStepMessage("Listez Linia 1\rx");
  EXPECT_FALSE(q.AskRunZReport());
  EXPECT_FALSE(q.AskRunZReport());  // exhausted: "Nu"
  EXPECT_EQ(q.ChoosePaymentForm(), 0);
  q.ShowError("Eroare", "8005;Fisierul de intrare nu contine date");
  EXPECT_EQ(ReadBytes(script + ".log"),
            "Eroare imprimanta;16;HARTIE TERMINATA;Da\r\n"
            "Eroare forma plata;;3\r\n"
            "Mesaj;Listez Linia 1 x;OK\r\n"
            "Atentie;Raport Z;Nu\r\n"
            "Atentie;Raport Z;Nu\r\n"
            "Eroare forma plata;;0\r\n"
            "Eroare;8005;Fisierul de intrare nu contine date;OK\r\n");
}

TEST(ScriptedQuestions, MissingScriptAnswersNo) {
  QTemporaryDir dir;
  ScriptedQuestions q(dir.path().toStdString() + "/none.txt");
  EXPECT_FALSE(q.AskPrinterErrorRemoved("x"));
  EXPECT_EQ(q.ChoosePaymentForm(), 0);
}

TEST(HeadlessQuestions, EveryQuestionIsNo) {
  HeadlessQuestions q;
  EXPECT_FALSE(q.AskPrinterErrorRemoved("37;CAPAC DESCHIS"));
  EXPECT_FALSE(q.AskRunZReport());
  EXPECT_EQ(q.ChoosePaymentForm(), 0);
}

}  // namespace
}  // namespace vorn
