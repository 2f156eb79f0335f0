#pragma once
// The one place the service's parts are put together: the headless start
// and the console both wire it here.
namespace vorn {

class DeviceJobs;
class FileExecutor;
class OperatorQuestions;
class ServiceCore;

// The service runs its device work on `jobs`, its files with `executor`, asks
// through `questions`, tests the link with the real device probe and reads
// amounts with the system's decimal separator.
void WireService(ServiceCore& core, DeviceJobs& jobs, FileExecutor& executor,
                 OperatorQuestions& questions);

}  // namespace vorn
