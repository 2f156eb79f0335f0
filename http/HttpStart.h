#pragma once
#include <memory>
#include <string>

#include "http/HttpFront.h"
#include "http/MetricsFront.h"

namespace vorn {

class ServiceCore;

// The HTTP front when section "ServerHTTP" of XVORNDRV.INI has Activ=DA;
// nullptr when it is off or cannot start (the reason goes to the log).
std::unique_ptr<HttpFront> StartHttpFront(const std::string& workFolder, const ServiceCore& core);

// GET /metrics when section "Metrici" has Activ=DA; `front` (may be null) adds
// its response counts. nullptr when off or it cannot start.
std::unique_ptr<MetricsFront> StartMetricsFront(const std::string& workFolder,
                                                const ServiceCore& core, const HttpFront* front);

}  // namespace vorn
