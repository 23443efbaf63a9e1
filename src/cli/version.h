// The program's identification texts.
#pragma once

extern const char *const shortVersion;
extern const char *const Version;    // with the build date and time
extern const char *const Copyright;  // two lines, no final newline, no '%'
extern const char *const Bugs;
extern const char *const xelver;
// The version number alone, as --version prints it.
extern const char *const kVersionNumber;
