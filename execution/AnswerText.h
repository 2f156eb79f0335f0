#pragma once
// Answer-file lines built from device replies. Pure: no device, no files.
#include <string>
#include <vector>

namespace vorn {

// The 32 lines of the day's totals (reply of 253 characters): each label padded
// with blanks to 30, a tab, and the field exactly as received. A short reply
// gives the lines with whatever part of their field it holds.
std::vector<std::string> DailyTotalsText(const std::string& reply);

// The line of one totalizer (types 1..32 use the labels of the day's totals);
// empty for a type outside 1..32.
std::string TotalizerLine(int type, const std::string& value);

// The customer display text: each of the two lines cut to 20 characters and
// padded with blanks to 20.
std::string DisplayText(const std::string& first, const std::string& second);

}  // namespace vorn
