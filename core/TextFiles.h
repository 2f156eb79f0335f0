#pragma once
// Whole-file reads and writes of 8-bit text.
#include <string>
#include <vector>

#include "receipt/ReceiptLines.h"

namespace vorn {

// Reads the whole file; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string& out);

// Writes to a temporary file in the same folder and renames it over `path`, so
// no reader ever sees half a file. On false `error` says why.
bool WriteFileWhole(const std::string& path, const std::string& bytes, std::string& error);

// Makes the folder's entries (creations, renames, deletions) durable. Windows
// has no such call: NTFS commits a rename through its own log.
bool SyncFolder(const std::string& folder);
// Makes a file's data durable (the file itself is not changed).
bool SyncFile(const std::string& path);
// The folder holding `path`, with its separator.
std::string FolderOf(const std::string& path);

// WriteFileWhole, then the folder synced: the file is on the disk, under its
// name, when this returns true.
bool WriteFileDurable(const std::string& path, const std::string& bytes, std::string& error);

// WriteFileDurable for a secret. On POSIX the file may be read by its owner
// and the folder's group only (0640), from its creation on, whatever the
// umask; on Windows it gets the folder's ACL, as every file there does.
bool WriteSecretDurable(const std::string& path, const std::string& bytes, std::string& error);

// The lines, each ended by CR LF, written whole.
bool WriteLinesWhole(const std::string& path, const ReceiptLines& lines, std::string& error);
bool WriteLinesWhole(const std::string& path, const std::vector<std::string>& lines,
                     std::string& error);

// The subfolder `name` of `parent` (matched without regard to case when one
// exists, else created with missing parents), ending with the separator.
// Empty when it neither exists nor can be created.
std::string EnsureSubfolder(const std::string& parent, const std::string& name);

}  // namespace vorn
