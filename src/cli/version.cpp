#include "cli/version.h"

const char *const shortVersion = "mavek Ver: 2.5";
const char *const Version = "mavek Version 2.5 " __DATE__ " " __TIME__ " Build: 0 by Kestrin";
// Printed as a format by -q, so it must never hold a percent sign.
const char *const Copyright =
    "Copyright (C) 2026 the mavek developers. Free to use, copy and change.\n"
    "Written by Kestrin.";
const char *const Bugs = "Send bug reports and comments to bug-mavek@mavek.org";
const char *const xelver = "$xelver 2.5";
