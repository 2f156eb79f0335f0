#pragma once
// Error codes of the device link and their Romanian messages, as Windows-1252
// bytes (the dash is byte 0x96). Pure functions, no Qt.
#include <string>

namespace vorn {

// Message of a device, link or argument-check code; nullptr when the code has
// no message (the error text is then just the code and ";").
const char* DeviceErrorMessage(int code);

// Message of an extended error number (the reply of command 1015 after a
// refusal with code 99); nullptr when the number is unknown.
const char* ExtendedErrorMessage(int code);

// Text for the reply of the extended-error query: every "ERR" removed without
// regard to letter case, the rest read as a decimal integer (0 when it is not
// one), then looked up; empty when the number is unknown.
std::string ExtendedErrorText(const std::string& reply);

}  // namespace vorn
