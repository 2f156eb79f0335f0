#include "http/CheckAndStatus.h"

#include <QJsonArray>

#include "base/DecimalSeparator.h"
#include "core/AnswerFile.h"
#include "core/AnswerSlots.h"
#include "core/Cleanup.h"
#include "core/Configuration.h"
#include "core/Cp1252Text.h"
#include "core/FreshIniFile.h"
#include "core/ReceiptNames.h"
#include "core/TextFiles.h"
#include "http/AnswerJson.h"
#include "receipt/Fields.h"
#include "receipt/OlderSyntax.h"
#include "receipt/ReceiptMarkers.h"
#include "receipt/Validation.h"

namespace vorn {

QJsonObject CheckReceipt(const std::string& workFolder, const std::string& fileBytes) {
  ReceiptLines lines = SplitLines(fileBytes);

  const std::string iniPath = workFolder + kConfigFileName;
  std::string iniBytes;
  if (!ReadFileBytes(iniPath, iniBytes)) iniBytes.clear();
  Settings settings = InitialSettings();
  ApplyConfiguration(IniFile(iniBytes), settings);
  if (settings.Sintaxa == 1) {
    FreshIniFile tables(iniPath);
    ConvertOlderSyntax(lines, [&tables](const std::string& section, const std::string& key) {
      return tables.Get(section, key);
    });
  }

  ReceiptMarkers markers;
  ValidationOptions options;
  options.decimalSeparator = SystemDecimalSeparator();
  options.connected = true;
  std::string error;
  if (!CheckReceiptFile(lines, markers, options, error)) {
    return AnswerToJson(JoinCrLf(BuildAnswerLines(FileAnswer{error, {}, {}, {}})));
  }
  QJsonObject out;
  out["ok"] = true;
  out["kind"] = markers.HasFiscal ? "FISCAL" : "SERVICE";
  return out;
}

QJsonObject DriverStatus(const std::string& workFolder, const DriverView& view) {
  std::string bytes;
  if (!ReadFileBytes(workFolder + kStatusFileName, bytes)) bytes.clear();
  QJsonObject info;
  for (const auto& [key, value] : IniFile(bytes).Entries("INFO")) {
    info[TextFromCp1252(key)] = TextFromCp1252(value);
  }
  QJsonObject out;
  out["info"] = info;
  out["connected"] = info.value(QStringLiteral("ConectatLaCasa")).toString() == "DA";
  out["model"] = view.modelText ? TextFromCp1252(view.modelText()) : QJsonValue();
  QJsonArray warnings;
  if (view.warnings) {
    for (const std::string& w : view.warnings()) warnings.append(TextFromCp1252(w));
  }
  out["warnings"] = warnings;
  out["filesWaiting"] =
      static_cast<int>(ListMatchingFiles(workFolder, kReceiptPrefix, kReceiptExtension).size());
  return out;
}

}  // namespace vorn
