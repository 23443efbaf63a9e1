// The delimited reader from a file's bytes. The first byte chooses the
// separator (bits 0-2: ',', ';', tab, '|', ' '), --names (bits 3-4: decided
// by the first row, on, off) and --missing (bit 5); the rest is the file,
// written as "t.csv" into a scratch directory. Whenever a call returns:
//  - the records read back the same after being written again with every
//    field quoted and its quotes doubled (the reader against RFC 4180's
//    writer);
//  - a field is a number exactly when sscanf's "%lg%n" takes all of it once
//    it is trimmed, and then with the same bits;
//  - the examination and the reading pass end normally or with an error
//    (a Failure), and store no more rows than the examination counted.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "contract/delimited.h"
#include "diagnostics.h"
#include "input/delimited_reader.h"
#include "tables/datastore.h"

namespace {

// The scratch directory lies in $TMPDIR (or /tmp); libFuzzer ends the
// process without running exit handlers, so whoever sets TMPDIR cleans up.
std::string scratch;

void write_file(const std::string &path, const char *data, std::size_t size) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size != 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

using Records = std::vector<std::vector<std::string>>;

// Every record of the file up to its end or an unclosed quote.
Records read_records(const std::string &path, char sep) {
  LineReader in;
  if (!in.open(path.c_str())) std::abort();
  RecordReader reader(in, sep);
  Records out;
  while (reader.next() == RecordReader::Status::record) {
    std::vector<std::string> r;
    for (std::size_t i = 0; i < reader.size(); ++i) r.emplace_back(reader.field(i));
    out.push_back(std::move(r));
  }
  return out;
}

void check_number_rule(const std::string &field) {
  double got = 0;
  const bool number = field_number(field, &got);
  const std::string t(trim_field(field));
  double want = 0;
  int used = -1;
  const bool all =
      std::sscanf(t.c_str(), "%lg%n", &want, &used) == 1 && static_cast<std::size_t>(used) == t.size();
  if (number != all) std::abort();
  if (number && std::memcmp(&got, &want, sizeof got) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  const char *tmp = std::getenv("TMPDIR");
  scratch = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/mavek_fuzz_XXXXXX";
  if (mkdtemp(scratch.data()) == nullptr) std::abort();
  if (std::freopen("/dev/null", "r", stdin) == nullptr) std::abort();
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 1) return 0;
  static const char kSeparators[] = {',', ';', '\t', '|', ' ', ',', ';', ','};
  const char sep = kSeparators[data[0] & 7];
  const int names = (data[0] >> 3) % 3 - 1;
  const bool missing = (data[0] & 0x20) != 0;
  const std::string path = scratch + "/t.csv";
  write_file(path, reinterpret_cast<const char *>(data + 1), size - 1);

  const Records records = read_records(path, sep);
  std::string again;
  for (const std::vector<std::string> &r : records) {
    for (std::size_t i = 0; i < r.size(); ++i) {
      check_number_rule(r[i]);
      if (i > 0) again += sep;
      again += '"';
      for (char c : r[i]) again += c == '"' ? std::string("\"\"") : std::string(1, c);
      again += '"';
    }
    again += '\n';
  }
  const std::string path2 = scratch + "/again.csv";
  write_file(path2, again.data(), again.size());
  if (read_records(path2, sep) != records) std::abort();

  DataStore store;
  const Reporter quiet(1, 0);
  try {
    const DelimitedExamination ex = examine_delimited(path.c_str(), "t.csv", sep, names, quiet);
    store.allocate(ex.rows, ex.cols, 30);
    for (unsigned i = 0; i < ex.cols; ++i) store.sortarr[i] = static_cast<int>(i);
    LeftOut left_out;
    const unsigned rows = read_delimited(path.c_str(), "t.csv", sep, ex, missing, store, left_out, quiet);
    if (rows > ex.rows || rows + left_out.count > ex.rows) std::abort();
  } catch (const Failure &) {
  }
  return 0;
}
