#include "cli/version.h"

// MAVEK_VERSION comes from project(VERSION) in CMakeLists.txt.
#ifndef MAVEK_VERSION
#error "MAVEK_VERSION is not defined"
#endif

const char *const shortVersion = "mavek Ver: " MAVEK_VERSION;
const char *const Version = "mavek Version " MAVEK_VERSION " " __DATE__ " " __TIME__ " Build: 0 by Kestrin";
// Printed as a format by -q, so it must never hold a percent sign.
const char *const Copyright =
    "Copyright (C) 2026 the mavek developers. Free to use, copy and change.\n"
    "Written by Kestrin.";
const char *const Bugs = "Send bug reports and comments to bug-mavek@mavek.org";
const char *const xelver = "$xelver " MAVEK_VERSION;
const char *const kVersionNumber = MAVEK_VERSION;
