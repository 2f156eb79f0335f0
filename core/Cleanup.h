#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vorn {

// True when a file name matches the mask prefix + "*." + extension, letter case
// ignored ("ONLINE*.TXT" matches "online.txt" and "ONLINE_A.B.TXT").
bool MatchesMask(const std::string& name, const std::string& prefix, const std::string& extension);

// The folder as it exists on disk: the path itself, or else its last component
// looked up without regard to case in its parent. Empty when none exists.
// The result ends with the platform separator.
std::string ResolveFolderNoCase(const std::string& folder);

// Names (without folder) of the plain files of a folder matching the mask, in
// name order. Subfolders are not entered.
std::vector<std::string> ListMatchingFiles(const std::string& folder, const std::string& prefix,
                                           const std::string& extension);

// Deletes every file matching folder + prefix + "*." + extension but those
// named in `keep`; files that cannot be deleted are skipped silently.
void DeleteMatchingFiles(const std::string& folder, const std::string& prefix,
                         const std::string& extension, const std::vector<std::string>& keep = {});

// Deletes every file matching folder + prefix + "*.txt" whose FileAgeDays is
// greater than days.
void DeleteFilesOlderThan(const std::string& folder, const std::string& prefix, int64_t days);

// A file a power cut left half made by this program: the temporary file of a
// whole-file write (the name, a dot and six letters or digits) of an answer,
// the status, the settings or the in-flight record, or the folder's write probe.
bool IsCutLeftover(const std::string& name);
// Removes those from the folder; the number removed.
int RemoveCutLeftovers(const std::string& folder);

// Today at midnight minus the file's last-write time, in whole days cut toward
// zero (today or yesterday after midnight give 0); 0 when the date cannot be read.
int64_t FileAgeDays(const std::string& path);

}  // namespace vorn
