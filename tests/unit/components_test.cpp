#include "output/components.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/diagnostics.h"
#include "cli/options.h"
#include "input/datastore.h"
#include "stats/histogram.h"
#include "stats/new_stcrmt.h"
#include "stats/principal.h"

namespace {

std::string read_file(const std::string &name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Fills the store with a table (rows by m, row-major in `data`), its
// statistics and correlation matrix (diagonal 1.0) and its principal
// components.
void prepare(DataStore &store, unsigned rows, unsigned m, const std::vector<double> &data) {
  store.allocate(rows, m, 30, 0);
  for (unsigned r = 0; r < rows; ++r)
    for (unsigned k = 0; k < m; ++k) store.dd[r][k] = data[r * m + k];
  // The statistics as the program computes them.
  MinMax(store, rows, m);
  new_stcrmt(store.dd, static_cast<int>(m), static_cast<int>(rows), store.v.get(), store.cc, store.ccov);
  for (unsigned k = 0; k < m; ++k) store.cc[k][k] = 1.0;
  principal_components(store, m);
}

// The worked example: two variables, observations (1, 2), (2, 1), (3, 4),
// (4, 3). Deviations -1.5 -0.5 0.5 1.5 and -0.5 -1.5 1.5 0.5, so the sum of
// products is 3 and each sum of squares 5: r = 3 / 5 = 0.6. The eigenvalues
// of [[1, 0.6], [0.6, 1]] are 1.6 and 0.4 (80 % and 20 %), with the vectors
// (1, 1) / sqrt(2) and (1, -1) / sqrt(2): loadings sqrt(0.8) = 0.894 and
// sqrt(0.2) = 0.447, coefficients sqrt(0.8) / 80 and sqrt(0.2) / 20.
void four_observations(DataStore &store) { prepare(store, 4, 2, {1, 2, 2, 1, 3, 4, 4, 3}); }

std::vector<double> random_table(unsigned rows, unsigned m, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> normal(10.0, 3.0);
  std::vector<double> data(static_cast<std::size_t>(rows) * m);
  for (unsigned r = 0; r < rows; ++r) {
    const double common = normal(rng);
    for (unsigned k = 0; k < m; ++k) data[r * m + k] = common * (k + 1) * 0.1 + normal(rng);
  }
  return data;
}

// Lines of a text, each without its "\n".
std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// Number of "%9.5f " fields on a ".sco" line.
std::size_t fields(const std::string &line) { return line.size() / 10; }

// Standard input from /dev/null while alive, so that the fatal path does not
// wait for a key.
class QuietStdin {
 public:
  QuietStdin() {
    std::fflush(stdout);
    saved_ = dup(0);
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, 0);
    close(null);
  }
  ~QuietStdin() {
    dup2(saved_, 0);
    close(saved_);
    std::clearerr(stdin);
  }
  QuietStdin(const QuietStdin &) = delete;
  QuietStdin &operator=(const QuietStdin &) = delete;

 private:
  int saved_;
};

class ComponentFiles : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mavek_components_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    utfnamn_ = dir_ + "/data.cor";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string path(const char *ext) const { return dir_ + "/data" + ext; }

  std::string dir_;
  std::string utfnamn_;
};

}  // namespace

TEST_F(ComponentFiles, EigFileOfTheWorkedExample) {
  DataStore store;
  four_observations(store);
  testing::internal::CaptureStdout();
  write_eig(utfnamn_, store, 2, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writing file: " + path(".eig") + "\n");
  EXPECT_EQ(utfnamn_, path(".eig"));
  EXPECT_EQ(read_file(path(".eig")),
            "  80.000  20.000\n"
            " 51.400  48.600\n"
            " 0.894   0.447 \n"
            " 0.894  -0.447 \n");
}

TEST_F(ComponentFiles, FscFileOfTheWorkedExample) {
  DataStore store;
  four_observations(store);
  testing::internal::CaptureStdout();
  write_fsc(utfnamn_, store, 2, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writing file: " + path(".fsc") + "\n");
  EXPECT_EQ(read_file(path(".fsc")),
            "[FSC_SORTED]\n"
            " 1.1180340e-02  2.2360680e-02 \n"
            " 1.1180340e-02 -2.2360680e-02 \n"
            "[ROOT_SORTED]\n"
            " 1.6000000e+00  4.0000000e-01 \n"
            "[STD]\n"
            " 1.2909944e+00  1.2909944e+00 \n"
            "[MEAN]\n"
            " 2.5000000e+00  2.5000000e+00 \n");
}

TEST_F(ComponentFiles, ScoFileOfTheWorkedExample) {
  DataStore store;
  four_observations(store);
  Options o;
  testing::internal::CaptureStdout();
  write_sco(utfnamn_, store, 4, 2, o);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writing file: " + path(".sco") + " 2 scores\n");
  EXPECT_EQ(o.scores, 2u);  // three asked for, two variables
  EXPECT_EQ(read_file(path(".sco")),
            "  0.02598  -0.01732 \n"
            "  0.02598   0.01732 \n"
            "  0.06062  -0.01732 \n"
            "  0.06062   0.01732 \n");
}

TEST_F(ComponentFiles, ScoFileOfTheWorkedExampleWithScoresMean) {
  DataStore store;
  four_observations(store);
  Options o;
  o.flag.scores_mean = 1;
  o.quiet = 1;
  testing::internal::CaptureStdout();
  write_sco(utfnamn_, store, 4, 2, o);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(read_file(path(".sco")),
            " -0.01732  -0.01732 \n"
            " -0.01732   0.01732 \n"
            "  0.01732  -0.01732 \n"
            "  0.01732   0.01732 \n");
}

TEST_F(ComponentFiles, QuietWritesTheSameFilesSilently) {
  DataStore store;
  four_observations(store);
  testing::internal::CaptureStdout();
  write_eig(utfnamn_, store, 2, 1);
  write_fsc(utfnamn_, store, 2, 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(lines_of(read_file(path(".eig"))).size(), 4u);
  EXPECT_EQ(lines_of(read_file(path(".fsc"))).size(), 9u);
}

TEST_F(ComponentFiles, OneVariable) {
  DataStore store;
  prepare(store, 3, 1, {1, 2, 4});
  write_eig(utfnamn_, store, 1, 1);
  EXPECT_EQ(read_file(path(".eig")),
            "  100.000\n"
            " 101.400\n"
            " 1.000 \n");
  Options o;
  o.quiet = 1;
  write_sco(utfnamn_, store, 3, 1, o);
  EXPECT_EQ(o.scores, 1u);
  const std::vector<std::string> lines = lines_of(read_file(path(".sco")));
  ASSERT_EQ(lines.size(), 3u);
  for (const std::string &line : lines) EXPECT_EQ(fields(line), 1u);
}

TEST_F(ComponentFiles, ReferenceRowFallsEvenly) {
  DataStore store;
  prepare(store, 30, 5, random_table(30, 5, 3));
  write_eig(utfnamn_, store, 5, 1);
  const std::vector<std::string> lines = lines_of(read_file(path(".eig")));
  ASSERT_EQ(lines.size(), 7u);
  // 100/5 + 1.4 down to 100/5 - 1.4 in steps of 0.7.
  EXPECT_EQ(lines[1], " 21.400  20.700  20.000  19.300  18.600");
  // The first line: every percentage with a leading blank, eight characters.
  EXPECT_EQ(lines[0].size(), 5u * 8u);
}

TEST_F(ComponentFiles, ThreeScoresOfFiveVariablesUnlessAllScores) {
  DataStore store;
  const unsigned rows = 12;
  prepare(store, rows, 5, random_table(rows, 5, 9));
  Options o;
  o.quiet = 1;
  write_sco(utfnamn_, store, rows, 5, o);
  EXPECT_EQ(o.scores, 3u);
  std::vector<std::string> lines = lines_of(read_file(path(".sco")));
  ASSERT_EQ(lines.size(), rows);
  for (const std::string &line : lines) EXPECT_EQ(fields(line), 3u);

  o.allscores = 1;
  o.quiet = 0;
  testing::internal::CaptureStdout();
  write_sco(utfnamn_, store, rows, 5, o);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writing file: " + path(".sco") + " 5 scores\n");
  EXPECT_EQ(o.scores, 5u);
  lines = lines_of(read_file(path(".sco")));
  ASSERT_EQ(lines.size(), rows);
  for (const std::string &line : lines) EXPECT_EQ(fields(line), 5u);
}

TEST_F(ComponentFiles, ScoreCountCarriesToLaterFiles) {
  Options o;
  o.quiet = 1;
  {
    DataStore store;
    four_observations(store);
    write_sco(utfnamn_, store, 4, 2, o);
  }
  EXPECT_EQ(o.scores, 2u);
  DataStore store;
  prepare(store, 20, 10, random_table(20, 10, 4));
  write_sco(utfnamn_, store, 20, 10, o);
  EXPECT_EQ(o.scores, 2u);
  for (const std::string &line : lines_of(read_file(path(".sco")))) EXPECT_EQ(fields(line), 2u);
}

TEST_F(ComponentFiles, ScoresAreTheFormulaPerScore) {
  // Every score, recomputed the plain way (each standardised value and each
  // coefficient anew for every score), formatted with printf.
  DataStore store;
  const unsigned rows = 40;
  const unsigned m = 7;
  prepare(store, rows, m, random_table(rows, m, 17));
  for (int mean_flag = 0; mean_flag <= 1; ++mean_flag) {
    Options o;
    o.quiet = 1;
    o.allscores = 1;
    o.flag.scores_mean = mean_flag;
    write_sco(utfnamn_, store, rows, m, o);
    std::string expected;
    char buf[64];
    for (unsigned r = 0; r < rows; ++r) {
      for (unsigned c = 0; c < m; ++c) {
        const int j = store.position[c];
        double s = 0.0;
        for (unsigned k = 0; k < m; ++k) {
          const double centre = mean_flag ? store.v[k].mean : 0.0;
          const double z = (store.dd[r][k] - centre) / store.v[k].stddev;
          const double q = store.root[j] / store.rootsum;
          const double f = (store.pc[k * m + j] / q) / 100;
          s = s + z * f;
        }
        std::snprintf(buf, sizeof buf, "%9.5f ", s);
        expected += buf;
      }
      expected += "\n";
    }
    EXPECT_EQ(read_file(path(".sco")), expected) << "scores_mean " << mean_flag;
  }
}

TEST_F(ComponentFiles, FailedCreationEndsTheRun) {
  DataStore store;
  four_observations(store);
  std::string missing = dir_ + "/no/such/dir/data.cor";
  Options o;
  QuietStdin quiet_stdin;
  testing::internal::CaptureStderr();
  EXPECT_THROW(write_eig(missing, store, 2, 1), ExitRequest);
  EXPECT_THROW(write_fsc(missing, store, 2, 1), ExitRequest);
  EXPECT_THROW(write_sco(missing, store, 4, 2, o), ExitRequest);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Can't create file: " + dir_ + "/no/such/dir/data.sco\a\n"), std::string::npos);
  EXPECT_EQ(o.scores, 3u);  // the count is lowered only once the file is open
}

TEST_F(ComponentFiles, FailedWriteEndsTheRun) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  DataStore store;
  four_observations(store);
  std::filesystem::create_symlink("/dev/full", path(".sco"));
  std::filesystem::create_symlink("/dev/full", path(".eig"));
  Options o;
  o.quiet = 1;
  QuietStdin quiet_stdin;
  testing::internal::CaptureStderr();
  EXPECT_THROW(write_eig(utfnamn_, store, 2, 1), ExitRequest);
  EXPECT_THROW(write_sco(utfnamn_, store, 4, 2, o), ExitRequest);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Can't write file: " + path(".eig") + "\a\n"), std::string::npos);
  EXPECT_NE(err.find("Can't write file: " + path(".sco") + "\a\n"), std::string::npos);
}
