// Opening, buffering and closing of result files.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "output/outbuf.h"
#include "reporter.h"
#include "unfinished.h"

// One result file, written beside its input: the name buffer's extension is
// swapped, and the text goes to a fully buffered stream on a new file in the
// same directory (see Unfinished), which close() renames onto the result's
// name. Until then an earlier file of that name stays as it was, and a run
// that ends before close() leaves neither a cut file nor the temporary one.
// A result name that is a directory, or a file the user may not write, ends
// the run with "Can't create file: %s\a\n", as does a temporary file that
// cannot be created; a symbolic link there is replaced, never written
// through. A file that cannot be written, closed or renamed completely ends
// the run too.
class ResultFile {
 public:
  ResultFile(std::string &utfnamn, const char *ext, std::size_t bufsize = 32767);
  ResultFile(const ResultFile &) = delete;
  ResultFile &operator=(const ResultFile &) = delete;
  // Without close(), the temporary file is removed.
  ~ResultFile();

  std::FILE *get() const { return f_; }
  // The formatting buffer in front of the stream, made on first use; text
  // written through it reaches the stream in order before the close.
  OutBuf &out();
  const std::string &name() const { return name_; }
  // "Writing file: %s\n", a progress line of `report`.
  void announce(const Reporter &report) const;
  // Hands the formatting buffer's text to the stream, closes it and renames
  // the file into place. A failed write or close ends the run with
  // "Can't write file: %s\a\n", a failed rename with "Can't create file: %s\a\n".
  void close();

 private:
  std::FILE *f_ = nullptr;
  std::optional<OutBuf> out_;
  std::string name_;
  Unfinished temp_;
};
