#include "output/resultfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "contract/naming.h"
#include "diagnostics.h"

namespace {

// Whether what stands under `name` keeps a result from taking its place: a
// directory, or a regular file that the user may not write (which fopen
// would have refused; a rename would replace it without asking).
bool in_the_way(const std::string &name) {
  struct stat st;
  if (lstat(name.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) return true;
  return S_ISREG(st.st_mode) && faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0;
}

}  // namespace

ResultFile::ResultFile(std::string &utfnamn, const char *ext, std::size_t bufsize) {
  swap_ext(utfnamn, ext);
  name_ = utfnamn;
  if (in_the_way(name_)) error("Can't create file: %s\a\n", name_.c_str());
  const std::size_t slash = name_.rfind('/');
  const int fd = temp_.create(slash == std::string::npos ? std::string() : name_.substr(0, slash + 1));
  if (fd < 0) error("Can't create file: %s\a\n", name_.c_str());
  f_ = fdopen(fd, "w");
  if (f_ == nullptr) {
    ::close(fd);
    temp_.discard();
    error("Can't create file: %s\a\n", name_.c_str());
  }
  std::setvbuf(f_, nullptr, _IOFBF, bufsize);
}

ResultFile::~ResultFile() {
  out_.reset();  // hands on what is buffered while the stream is still open
  if (f_ != nullptr) std::fclose(f_);
  // temp_ removes the unfinished file.
}

OutBuf &ResultFile::out() {
  if (!out_) out_.emplace(f_);
  return *out_;
}

void ResultFile::announce(const Reporter &report) const {
  report.progress("Writing file: %s\n", name_.c_str());
}

void ResultFile::close() {
  bool failed = out_ && !out_->flush();
  out_.reset();
  if (std::ferror(f_) != 0) failed = true;
  if (std::fclose(f_) != 0) failed = true;
  f_ = nullptr;
  if (failed) {
    temp_.discard();
    error("Can't write file: %s\a\n", name_.c_str());
  }
  if (!temp_.finish(name_.c_str())) error("Can't create file: %s\a\n", name_.c_str());
}
