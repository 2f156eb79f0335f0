#pragma once
// POST /check and GET /status: answers made on the spot, without a device.
#include <QJsonObject>
#include <functional>
#include <string>
#include <vector>

namespace vorn {

// What the running driver knows beyond its files, read-only.
struct DriverView {
  std::function<std::string()> modelText;              // Windows-1252
  std::function<std::vector<std::string>()> warnings;  // Windows-1252
  std::function<std::string()> suffixInProgress;       // of the file being processed, or empty
};

// The receipt file checked as the driver checks it (the older syntax converted
// first when XVORNDRV.INI asks for it): {ok, kind} or {ok, message, code, lines, raw}.
QJsonObject CheckReceipt(const std::string& workFolder, const std::string& fileBytes);

// {info: the keys of VORNDRV.INFO, connected, model, warnings, filesWaiting}.
QJsonObject DriverStatus(const std::string& workFolder, const DriverView& view);

}  // namespace vorn
