#pragma once
// Names of the files that belong to one receipt file. Pure.
#include <string>

namespace vorn {

inline constexpr const char* kReceiptPrefix = "ONLINE";
inline constexpr const char* kReceiptExtension = "TXT";
inline constexpr const char* kAnswerPrefix = "ERROR";

// The part of the name after its first six characters and before its first dot:
// "ONLINE.TXT" -> "", "ONLINE12.TXT" -> "12", "ONLINE_A.B.TXT" -> "_A".
std::string DeriveSuffix(const std::string& fileName);

// "yyyy_mm_dd_hh_mm_ss".
std::string ProcessingTimestamp(int year, int month, int day, int hour, int minute, int second);

// "ERROR" + suffix + ".TXT".
std::string AnswerFileName(const std::string& suffix);
// prefix + suffix + "_" + timestamp + ".TXT", for the log and history copies.
std::string StampedFileName(const std::string& prefix, const std::string& suffix,
                            const std::string& timestamp);

}  // namespace vorn
