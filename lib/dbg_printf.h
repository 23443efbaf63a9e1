// Debug trace lines tagged with their source position.
#pragma once

// Flushes standard output and standard error, writes "Debug: <file>(<line>) "
// and the formatted text to standard error, and flushes it again, so that a
// trace stands after everything printed before it.
void dbg__printf(const char *file, const int line, const char *fmt, ...)
    __attribute__((format(printf, 3, 4)));

#define dbg_printf(...) dbg__printf(__FILE_NAME__, __LINE__, __VA_ARGS__)
