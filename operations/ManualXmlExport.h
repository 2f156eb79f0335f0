#pragma once
// The monthly XML archive fetched by hand: the same device exchange as the
// receipt command 416, without the marker file and without an answer file.
#include <string>

#include "execution/XmlExport.h"
#include "operations/ManualLink.h"
#include "operations/OperationOutcome.h"

namespace vorn {

// The year as the dialog reads it (0 when not a number) must be after 2017.
bool IsExportYearAccepted(const std::string& yearText);

struct ManualExportRequest {
  std::string year;   // as typed
  std::string month;  // "1".."12", no blanks
  std::string type;   // "R" or "X"
  bool binary = false;
};

struct ManualExportOutcome : OperationOutcome {
  std::string fiscalSeries;
  std::string archivePath;  // empty when no archive was written
  int badHexPairs = 0;      // hexadecimal transfer: pairs written as a 0 byte
};

// Prepares and copies the export on a link of its own (default long time-out);
// log "Log_ExportXML_". ok is false only for a link that would not open or a
// refused export request; an archive that never became ready is not a failure.
// step receives the binary transfer's step messages (leave empty for none).
ManualExportOutcome RunManualXmlExport(const ManualContext& context,
                                       const ManualExportRequest& request,
                                       const ExportStepMessage& step = {});

}  // namespace vorn
