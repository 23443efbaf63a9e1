// Result-file names: the input's base name with a four-character extension.
#pragma once

#include <string>

// The extensions of every result file, in the order they are written (".pct"
// holds percentiles).
inline constexpr const char *kResultExtensions[] = {".std", ".mvd", ".cor", ".cov", ".inp", ".da1",
                                                    ".his", ".pct", ".eig", ".fsc", ".sco"};

// The result extensions as the refusal names them: all but the last, then the
// last ("... %s and %s").
inline constexpr const char kRefusedExtensions[] =
    ".cor, .cov, .da1, .eig, .fsc, .his, .inp, .mvd, .pct, .sco";
inline constexpr const char kRefusedLastExtension[] = ".std";

// The '.' that starts the extension of the last path component of `fname`,
// or null when that component has none ('/', '\' and ':' separate components).
const char *findext(const char *fname);

// Whether the extension of `arg` itself (what findext finds) is, letter for
// letter, one of the result extensions: its results would have its own name.
bool has_result_extension(const char *arg);

// The result-name buffer for the file argument `arg`: its base name followed
// by ".cor".
std::string derive_base_name(const char *arg);

// Whether the file argument `arg` stands for standard input: "-" or
// "/dev/stdin", whose results are named "stdin" with their extensions.
bool is_standard_input(const char *arg);

// The result-name buffer for the file argument `arg` when its results go
// into the folder `results_dir`, or beside the input when that is empty: the
// buffer of derive_base_name for "stdin" (standard input) or for `arg`
// itself; in a folder, for the last component of `arg` after its last '/',
// under the folder ("out" and "out/" both put "a/x.dat" into "out/x.cor").
std::string derive_result_base(const char *arg, const std::string &results_dir);

// The first result name of the base name in `utfnamn` that exists and is the
// file `arg` itself (the same device and inode, links followed: a link or a
// case-insensitive file system can give the input a result's name), or an
// empty string. For standard input the file is what descriptor 0 reads, so a
// redirection from a result's name is caught before anything is read.
std::string result_replacing_input(const std::string &utfnamn, const char *arg);

// Replaces the extension of the name in `utfnamn` by `ext` (four characters).
void swap_ext(std::string &utfnamn, const char *ext);
