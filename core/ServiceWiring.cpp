#include "core/ServiceWiring.h"

#include "base/DecimalSeparator.h"
#include "core/DeviceProbe.h"
#include "core/ServiceCore.h"

namespace vorn {

void WireService(ServiceCore& core, DeviceJobs& jobs, FileExecutor& executor,
                 OperatorQuestions& questions) {
  core.SetDecimalSeparator(SystemDecimalSeparator());
  core.SetQuestions(&questions);
  core.SetExecutor(&executor);
  core.SetConnectionTester(ProbeDevice);
  core.SetDeviceJobs(&jobs);
}

}  // namespace vorn
