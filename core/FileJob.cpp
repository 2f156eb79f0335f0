#include "core/FileJob.h"

#include <QDateTime>

#include "core/CrashRecord.h"
#include "core/ReceiptNames.h"

namespace vorn {

namespace {

std::string NowTimestamp() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return ProcessingTimestamp(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

}  // namespace

FileJob::FileJob(std::string fileName, std::optional<FolderPickup::CompletedFile> completed,
                 JobView jobView, CrashRecord& crashRecord)
    : name(std::move(fileName)),
      suffix(DeriveSuffix(name)),
      complete(completed),
      view(std::move(jobView)),
      record(crashRecord) {}

void FileJob::Begin(const AnswerSlots& carried) {
  timestamp = NowTimestamp();
  slots = carried;
  slots.ClearForNewFile();
  record.StartFile();
}

}  // namespace vorn
