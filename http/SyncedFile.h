#pragma once
// File writes that a power cut must not undo: each returns true only once the
// disk holds what it wrote. Paths are the system's 8-bit text.
#include <cstdint>
#include <string>

namespace vorn {

// Creates or empties `path`, writes `bytes`, dates the file `modifiedMs` (when
// not 0) and syncs it. On false nothing is left under `path`.
bool WriteFileSynced(const std::string& path, const std::string& bytes, int64_t modifiedMs,
                     std::string& error);

// Renames `from` over `to` in one step, then syncs the folder, so that the new
// name outlives a power cut. `renamed` tells whether the rename was made (it
// may be even when the folder could not be synced).
bool RenameSynced(const std::string& from, const std::string& to, bool& renamed,
                  std::string& error);

// Cuts the existing file `path` at `offset` and writes `bytes` there; with
// `sync`, waits until the disk holds all of the file written so far.
bool WriteAt(const std::string& path, int64_t offset, const std::string& bytes, bool sync,
             std::string& error);

// Reads a file that the driver may replace or delete at any moment, sharing
// it for that: Windows refuses to rename over or delete a file that a reader
// holds open without FILE_SHARE_DELETE. False when it is missing.
bool ReadFileShared(const std::string& path, std::string& out);

}  // namespace vorn
