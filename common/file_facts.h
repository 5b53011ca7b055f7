// What the libraries report about a file the way the old DOS/Windows calls did: the first
// match of a name that may hold wildcards, and times as packed DOS date and time.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace ovcommon {

// The path itself, or the first match (case-insensitive name order) of a wildcard pattern in
// its last component. False when the folder cannot be read or nothing matches.
bool firstMatch(const std::string& path, std::string& out);

// DOS date in the high half and DOS time in the low half, local time; 0 when the year is
// outside 1980..2107.
uint32_t dosDateTime(const struct statx_timestamp& ts);

// statx of `path` with the basic fields and the birth time when the file system has it.
bool fileStatus(const std::string& path, struct statx& out);

}  // namespace ovcommon
