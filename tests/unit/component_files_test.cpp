#include "output/component_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "diagnostics.h"
#include "output/report.h"
#include "stats/new_stcrmt.h"
#include "support.h"
#include "table_support.h"
#include "tables/datastore.h"

using testsupport::correlated_table;
using testsupport::prepare_components;
using testsupport::read_text;

using testsupport::kQuietReport;
using testsupport::kReport;

namespace {

// The worked example: two variables, observations (1, 2), (2, 1), (3, 4),
// (4, 3). Deviations -1.5 -0.5 0.5 1.5 and -0.5 -1.5 1.5 0.5, so the sum of
// products is 3 and each sum of squares 5: r = 3 / 5 = 0.6. The eigenvalues
// of [[1, 0.6], [0.6, 1]] are 1.6 and 0.4 (80 % and 20 %), with the vectors
// (1, 1) / sqrt(2) and (1, -1) / sqrt(2): loadings sqrt(0.8) = 0.894 and
// sqrt(0.2) = 0.447, coefficients sqrt(0.8) / 80 and sqrt(0.2) / 20.
void four_observations(DataStore &store) { prepare_components(store, 4, 2, {1, 2, 2, 1, 3, 4, 4, 3}); }

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

class ComponentFiles : public testing::Test {
 protected:
  std::string path(const char *ext) const { return tmp_.file(std::string("data") + ext); }

  testsupport::TempDir tmp_;
  const std::string &dir_ = tmp_.path();
  std::string utfnamn_ = tmp_.file("data.cor");
};

}  // namespace

TEST_F(ComponentFiles, EigFileOfTheWorkedExample) {
  DataStore store;
  four_observations(store);
  testing::internal::CaptureStdout();
  write_eig(utfnamn_, store, 2, kReport);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writing file: " + path(".eig") + "\n");
  EXPECT_EQ(utfnamn_, path(".eig"));
  EXPECT_EQ(read_text(path(".eig")),
            "  80.000  20.000\n"
            " 51.400  48.600\n"
            " 0.894   0.447 \n"
            " 0.894  -0.447 \n");
}

TEST_F(ComponentFiles, FscFileOfTheWorkedExample) {
  DataStore store;
  four_observations(store);
  testing::internal::CaptureStdout();
  write_fsc(utfnamn_, store, 2, kReport);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writing file: " + path(".fsc") + "\n");
  EXPECT_EQ(read_text(path(".fsc")),
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
  testing::internal::CaptureStdout();
  write_sco(utfnamn_, store, 4, 2, 2, 0, kReport);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writing file: " + path(".sco") + " 2 scores\n");
  EXPECT_EQ(read_text(path(".sco")),
            "  0.02598  -0.01732 \n"
            "  0.02598   0.01732 \n"
            "  0.06062  -0.01732 \n"
            "  0.06062   0.01732 \n");
}

TEST_F(ComponentFiles, ScoFileOfTheWorkedExampleWithScoresMean) {
  DataStore store;
  four_observations(store);
  testing::internal::CaptureStdout();
  write_sco(utfnamn_, store, 4, 2, 2, 1, kQuietReport);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(read_text(path(".sco")),
            " -0.01732  -0.01732 \n"
            " -0.01732   0.01732 \n"
            "  0.01732  -0.01732 \n"
            "  0.01732   0.01732 \n");
}

TEST_F(ComponentFiles, QuietWritesTheSameFilesSilently) {
  DataStore store;
  four_observations(store);
  testing::internal::CaptureStdout();
  write_eig(utfnamn_, store, 2, kQuietReport);
  write_fsc(utfnamn_, store, 2, kQuietReport);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(lines_of(read_text(path(".eig"))).size(), 4u);
  EXPECT_EQ(lines_of(read_text(path(".fsc"))).size(), 9u);
}

TEST_F(ComponentFiles, OneVariable) {
  DataStore store;
  prepare_components(store, 3, 1, {1, 2, 4});
  write_eig(utfnamn_, store, 1, kQuietReport);
  EXPECT_EQ(read_text(path(".eig")),
            "  100.000\n"
            " 101.400\n"
            " 1.000 \n");
  write_sco(utfnamn_, store, 3, 1, 1, 0, kQuietReport);
  const std::vector<std::string> lines = lines_of(read_text(path(".sco")));
  ASSERT_EQ(lines.size(), 3u);
  for (const std::string &line : lines) EXPECT_EQ(fields(line), 1u);
}

TEST_F(ComponentFiles, ReferenceRowFallsEvenly) {
  DataStore store;
  prepare_components(store, 30, 5, correlated_table(30, 5, 3));
  write_eig(utfnamn_, store, 5, kQuietReport);
  const std::vector<std::string> lines = lines_of(read_text(path(".eig")));
  ASSERT_EQ(lines.size(), 7u);
  // 100/5 + 1.4 down to 100/5 - 1.4 in steps of 0.7.
  EXPECT_EQ(lines[1], " 21.400  20.700  20.000  19.300  18.600");
  // The first line: every percentage with a leading blank, eight characters.
  EXPECT_EQ(lines[0].size(), 5u * 8u);
}

TEST_F(ComponentFiles, ScoColumnsFollowTheCount) {
  DataStore store;
  const unsigned rows = 12;
  prepare_components(store, rows, 5, correlated_table(rows, 5, 9));
  for (unsigned scores : {1u, 3u, 5u}) {
    write_sco(utfnamn_, store, rows, 5, scores, 0, kQuietReport);
    const std::vector<std::string> lines = lines_of(read_text(path(".sco")));
    ASSERT_EQ(lines.size(), rows);
    for (const std::string &line : lines) EXPECT_EQ(fields(line), scores);
  }
}

TEST_F(ComponentFiles, FailedCreationEndsTheRun) {
  DataStore store;
  four_observations(store);
  std::string missing = dir_ + "/no/such/dir/data.cor";
  testing::internal::CaptureStderr();
  EXPECT_FAILS(write_eig(missing, store, 2, kQuietReport));
  EXPECT_FAILS(write_fsc(missing, store, 2, kQuietReport));
  EXPECT_FAILS(write_sco(missing, store, 4, 2, 2, 0, kQuietReport));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Can't create file: " + dir_ + "/no/such/dir/data.eig\a\n"), std::string::npos);
  EXPECT_NE(err.find("Can't create file: " + dir_ + "/no/such/dir/data.fsc\a\n"), std::string::npos);
  EXPECT_NE(err.find("Can't create file: " + dir_ + "/no/such/dir/data.sco\a\n"), std::string::npos);
}

TEST_F(ComponentFiles, FailedWriteEndsTheRun) {
  DataStore store;
  four_observations(store);
  std::string err_eig, err_sco;
  // Both files are far longer than 10 bytes.
  EXPECT_EQ(testsupport::with_file_size_limit(
                10, [&] { write_eig(utfnamn_, store, 2, kQuietReport); }, &err_eig),
            1);
  EXPECT_EQ(testsupport::with_file_size_limit(
                10, [&] { write_sco(utfnamn_, store, 4, 2, 2, 0, kQuietReport); }, &err_sco),
            1);
  EXPECT_EQ(err_eig, "\nError: Can't write file: " + path(".eig") + "\a\n\nPress enter to continue\n");
  EXPECT_EQ(err_sco, "\nError: Can't write file: " + path(".sco") + "\a\n\nPress enter to continue\n");
  EXPECT_FALSE(std::filesystem::exists(path(".eig")));
  EXPECT_FALSE(std::filesystem::exists(path(".sco")));
}

// NaN, infinity and signed zero in the ".eig" and ".fsc" layouts, as printf
// shows them with "%- 7.3f" and "% .7e ".
TEST_F(ComponentFiles, NonFiniteValues) {
  DataStore store;
  four_observations(store);
  const double nan = std::nan("");
  // position is {1, 0}: the loadings of component 1 come first.
  store.pc[0 * 2 + 1] = -nan;
  store.pc[1 * 2 + 1] = -0.0;
  store.pc[1 * 2 + 0] = HUGE_VAL;
  store.v[0].mean = -HUGE_VAL;
  store.v[1].mean = nan;
  store.v[1].stddev = -0.0;
  write_eig(utfnamn_, store, 2, kQuietReport);
  write_fsc(utfnamn_, store, 2, kQuietReport);
  const std::vector<std::string> eig = lines_of(read_text(path(".eig")));
  ASSERT_EQ(eig.size(), 4u);
  EXPECT_EQ(eig[2], "-nan     0.447 ");
  EXPECT_EQ(eig[3], "-0.000   inf   ");
  const std::vector<std::string> fsc = lines_of(read_text(path(".fsc")));
  ASSERT_EQ(fsc.size(), 9u);
  EXPECT_EQ(fsc[1], "-nan  2.2360680e-02 ");
  EXPECT_EQ(fsc[2], "-0.0000000e+00  inf ");
  EXPECT_EQ(fsc[6], " 1.2909944e+00 -0.0000000e+00 ");
  EXPECT_EQ(fsc[8], "-inf  nan ");
}

// Large files are formatted in chunks on several threads; the bytes must be
// those of one thread, also across chunk boundaries and a short last chunk.
TEST_F(ComponentFiles, ThreadsWriteTheSameBytes) {
  DataStore store;
  const unsigned rows = 3 * 4096 * 2 + 77;
  prepare_components(store, rows, 5, correlated_table(rows, 5, 23));
  std::string sco1, std1;
  for (unsigned threads : {1u, 2u, 3u}) {
    write_sco(utfnamn_, store, rows, 5, 5, 1, kQuietReport, threads);
    write_std(
        utfnamn_, rows, 5, [&](unsigned r, double *z) { standardise_row(store, r, 5, z); }, threads);
    const std::string sco = read_text(path(".sco")), std = read_text(path(".std"));
    if (threads == 1) {
      sco1 = sco;
      std1 = std;
      EXPECT_EQ(lines_of(sco).size(), rows);
      EXPECT_EQ(lines_of(std).size(), rows);
    } else {
      EXPECT_EQ(sco, sco1) << threads;
      EXPECT_EQ(std, std1) << threads;
    }
  }
}
