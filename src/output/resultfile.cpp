#include "output/resultfile.h"

#include "contract/naming.h"
#include "diagnostics.h"

ResultFile::ResultFile(std::string &utfnamn, const char *ext, std::size_t bufsize) {
  swap_ext(utfnamn, ext);
  name_ = utfnamn;
  f_ = std::fopen(name_.c_str(), "w");
  if (f_ == nullptr) error("Can't create file: %s\a\n", name_.c_str());
  std::setvbuf(f_, nullptr, _IOFBF, bufsize);
}

ResultFile::~ResultFile() {
  out_.reset();  // hands on what is buffered while the stream is still open
  if (f_ != nullptr) std::fclose(f_);
}

OutBuf &ResultFile::out() {
  if (!out_) out_.emplace(f_);
  return *out_;
}

void ResultFile::announce(int quiet) const {
  if (quiet == 0) std::printf("Writing file: %s\n", name_.c_str());
}

void ResultFile::close() {
  bool failed = out_ && !out_->flush();
  out_.reset();
  if (std::ferror(f_) != 0) failed = true;
  if (std::fclose(f_) != 0) failed = true;
  f_ = nullptr;
  if (failed) error("Can't write file: %s\a\n", name_.c_str());
}
