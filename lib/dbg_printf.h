// Debug trace lines tagged with their source position.
#pragma once

#include <cstdarg>

// Flushes standard output and standard error, writes "Debug: <file>(<line>) "
// and the formatted text to standard error, and flushes it again, so that a
// trace stands after everything printed before it.
void dbg_printf_at(const char *file, const int line, const char *fmt, ...)
    __attribute__((format(printf, 3, 4)));

// The same with the caller's arguments in `ap`.
void vdbg_printf_at(const char *file, const int line, const char *fmt, va_list ap);

// Writes a trace tagged with the caller's own file name and line.
#define dbg_printf(...) dbg_printf_at(__FILE_NAME__, __LINE__, __VA_ARGS__)
