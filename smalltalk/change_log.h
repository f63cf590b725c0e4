// The change log's remembered file name (at most 260 characters). The driver's
// "-t" option sets it together with changeLogOn (text_buffers.h) without
// opening the file; the change-log primitive opens, appends and reports it.
#pragma once

inline constexpr unsigned kMaxChangeLogName = 260;

// Remembers name; false (nothing changed) when it is longer than the limit.
bool setChangeLogName(const char* name);
const char* changeLogName();
