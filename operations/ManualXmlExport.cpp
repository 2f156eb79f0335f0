#include "operations/ManualXmlExport.h"

#include "device/Encoding.h"
#include "operations/DialogLink.h"

namespace vorn {

bool IsExportYearAccepted(const std::string& yearText) { return wire::ReadInt(yearText, 0) > 2017; }

ManualExportOutcome RunManualXmlExport(const ManualContext& context,
                                       const ManualExportRequest& request,
                                       const ExportStepMessage& step) {
  ManualExportOutcome result;
  OperationOutcome outcome =
      RunOnDialogLink(context, false, "Log_ExportXML_", [&](TXvornLinux& link) {
        const LinkStatus exported =
            link.ExportFiscalData(request.year, request.month, request.type, "", "");
        if (!exported) return Checked(exported, "Eroare la efectuarea exportului !\r");
        ExportCopy copy;
        copy.year = request.year;
        copy.month = request.month;
        copy.type = request.type;
        copy.mode = request.binary ? 2 : 1;
        copy.onlyCompleteBinary = true;
        result.archivePath = FetchExportArchive(link, copy, context.programFolder,
                                                result.fiscalSeries, step, &result.badHexPairs);
        return OperationOutcome{true, {}};
      });
  result.ok = outcome.ok;
  result.message = outcome.message;
  return result;
}

}  // namespace vorn
