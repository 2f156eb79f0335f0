#pragma once
// The device's internet connection test and profile information (1514).
#include <string>
#include <vector>

#include "operations/ManualLink.h"
#include "operations/OperationOutcome.h"

namespace vorn {

// "2" for both, "3" for the profile only, "1" for the connection test only.
std::string VerificationRequestType(bool connectionTest, bool profileInfo);

// The description that follows a connection state code (" (OK)" for codes not known).
std::string ConnectionStateDescription(const std::string& code);

// The reply cut at its fixed positions into the lines the dialog shows; none
// for an empty reply.
std::vector<std::string> VerificationMemoLines(const std::string& reply);

struct VerificationOutcome : OperationOutcome {
  std::vector<std::string> memo;  // the lines to show on success
};

// One request on a link of its own with LongTimeOut; log "Log_InOutNumerar_".
VerificationOutcome RunVerification(const ManualContext& context, const std::string& requestType);

}  // namespace vorn
