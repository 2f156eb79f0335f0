#pragma once
#include <memory>
#include <string>

#include "http/HttpFront.h"

namespace vorn {

class ServiceCore;

// The HTTP front when section "ServerHTTP" of XVORNDRV.INI has Activ=DA;
// nullptr when it is off or cannot start (the reason goes to the log).
std::unique_ptr<HttpFront> StartHttpFront(const std::string& workFolder, const ServiceCore& core);

}  // namespace vorn
