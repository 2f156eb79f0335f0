#pragma once
// Private state of TXvornLinux, shared by its source files.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/LinkTransport.h"
#include "device/ReplyReceiver.h"
#include "device/ReportStop.h"
#include "device/TXvornLinux.h"

namespace vorn {

struct TXvornLinux::Impl {
  bool isTcp = false;
  bool extendedStatus = false;
  int tcpPort = 9100;
  std::string serialDevicePath;
  int longTimeOut = 5;

  std::unique_ptr<LinkTransport> transport;  // created at OpenLink
  bool tcpConnected = false;
  bool open = false;
  std::vector<std::string> commLog;

  int64_t replyDeadline = 0;   // monotonic ms; 0 while no reply is awaited
  int replyIntervalMs = 5000;  // unscaled; ScaledMs is applied when the deadline is set
  bool timedOut = false;
  bool waiting = false;  // a SendCommand is waiting on this object
  bool busyPollEnabled = false;
  bool inExtendedQuery = false;  // ErrorFor asks for the extended error at most once

  ReplyReceiver rx;
  std::shared_ptr<ReportStop> stop;

  // Status copies, zero-filled until a good read.
  std::string s1209 = std::string(6, '\0');
  std::string s1010 = std::string(11, '\0');
  std::string s1211 = std::string(5, '\0');
  std::string s1111 = std::string(6, '\0');
  std::string s1112 = std::string(5, '\0');
  std::string s1309 = std::string(8, '\0');
  std::string s1215 = std::string(20, '\0');
  bool fiscalOpen = false;     // 1111 character 1 is "1"
  bool nonFiscalOpen = false;  // 1111 character 2 is "1"
  bool inSales = false;        // 1112 character 1 is "1".."4"
  bool closing = false;        // 1112 character 1 is "5" or "6"
  std::string stateChar;       // 1112 character 1; " " after a failed read
  std::string receiptNumber;   // from 1111 or 1112

  // The awaited reply's interval starts (again) now.
  void StartReplyDeadline();
  void StopReplyDeadline();
  // True (and timedOut set) once the awaited reply's interval has run out.
  bool ReplyExpired();
  // How long one blocking wait may last before the deadlines are looked at again.
  int WaitSliceMs() const;
};

// Local time as "hh:mm:ss:zzz".
std::string LogTime();

}  // namespace vorn
