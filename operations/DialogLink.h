#pragma once
// The link of one dialog operation: created from the settings, opened, closed,
// freed and its traffic logged on every path.
#include <functional>
#include <string>

#include "operations/ManualLink.h"
#include "operations/OperationOutcome.h"

namespace vorn {

inline constexpr char kOpenFailedText[] = "Nu pot deschide portul serial !\r";

// Opens a link of its own and runs `work` on it. An open failure gives
// kOpenFailedText (a port that does not open leaves no device error). When logPrefix is not empty
// and LogFile is on, the traffic goes to prefix + stamp + ".TXT" in the current working folder,
// also after a failure.
OperationOutcome RunOnDialogLink(const ManualContext& context, bool withLongTimeOut,
                                 const std::string& logPrefix,
                                 const std::function<OperationOutcome(TXvornLinux&)>& work);

// failureText + the operation's error text, or success.
OperationOutcome Checked(const LinkStatus& status, const std::string& failureText);

}  // namespace vorn
