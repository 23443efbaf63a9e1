// One set of result files per input: the result names the arguments of a
// run have claimed.
#pragma once

#include <string>
#include <unordered_map>

class ResultSets {
 public:
  // Claims the result files of the file argument `arg`, whose result-name
  // buffer is `utfnamn`, and returns null; or, when an earlier argument has
  // claimed the same ones, returns that argument and claims nothing. The
  // same files are those with the same base name in the same directory once
  // links, "." and ".." are resolved: "a.dat" and "a.txt", or "x.dat" and
  // "./x.dat". An argument whose directory cannot be resolved (it does not
  // exist) claims nothing, as its input cannot be read either.
  const char *claim(const char *arg, const std::string &utfnamn);

 private:
  // The real directory, a NUL and the base name, to the argument.
  std::unordered_map<std::string, std::string> claimed_;
};
