// Opening, buffering and closing of result files.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "output/outbuf.h"

// One result file, written beside its input: the name buffer's extension is
// swapped, the file is created with mode "w" and given a fully buffered stream.
// A file that cannot be created, written or closed completely ends the run.
class ResultFile {
 public:
  ResultFile(std::string &utfnamn, const char *ext, std::size_t bufsize = 32767);
  ResultFile(const ResultFile &) = delete;
  ResultFile &operator=(const ResultFile &) = delete;
  ~ResultFile();

  std::FILE *get() const { return f_; }
  // The formatting buffer in front of the stream, made on first use; text
  // written through it reaches the stream in order before the close.
  OutBuf &out();
  const std::string &name() const { return name_; }
  // "Writing file: %s\n" on standard output unless `quiet`.
  void announce(int quiet) const;
  // Hands the formatting buffer's text to the stream and closes it; a failed
  // write or close ends the run with "Can't write file: %s\a\n".
  void close();

 private:
  std::FILE *f_ = nullptr;
  std::optional<OutBuf> out_;
  std::string name_;
};
