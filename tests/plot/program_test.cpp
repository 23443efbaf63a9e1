// mavek-plot as a user runs it, after mavek has written the result files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "support.h"

using testsupport::read_text;
using testsupport::run_command;
using testsupport::TempDir;

namespace {

const std::string kMavek = MAVEK_BINARY;
const std::string kPlot = MAVEK_PLOT_BINARY;
const std::string kData = MAVEK_PLOT_TESTDATA;

std::string in(const TempDir &dir, const std::string &command) {
  return "cd " + dir.path() + " && " + command;
}

std::vector<std::string> files_in(const TempDir &dir) {
  std::vector<std::string> out;
  for (const auto &e : std::filesystem::directory_iterator(dir.path())) out.push_back(e.path().filename());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

TEST(Program, PagesOfSeveralInputsWithNamedAndUnnamedColumns) {
  TempDir dir;
  std::filesystem::copy_file(kData + "/weather.dat", dir.file("weather.dat"));
  testsupport::write_text(dir.file("plain.txt"), "1 2\n2 1\n3 4\n4 3\n");
  std::string out, err;
  ASSERT_EQ(run_command(in(dir, kMavek + " --quiet -c -h -e weather.dat plain.txt"), &out, &err), 0) << err;
  ASSERT_EQ(run_command(in(dir, kPlot + " weather.dat plain.txt"), &out, &err), 0) << err;
  EXPECT_EQ(out, "Writing file: weather.html\nWriting file: plain.html\n");
  EXPECT_EQ(err, "");
  const std::string weather = read_text(dir.file("weather.html"));
  for (const char *name : {"temp_max", "temp_min", "sunshine", "rain", "wind", "humidity", "pressure"})
    EXPECT_NE(weather.find(std::string("<td class=\"name\">") + name + "</td>"), std::string::npos) << name;
  // Worked by hand: r = 3 / sqrt(5 * 5) = 0.6, eigenvalues 1.6 and 0.4 (80 and
  // 20 percent), loadings sqrt(1.6 / 2) = 0.894 and sqrt(0.4 / 2) = 0.447.
  const std::string plain = read_text(dir.file("plain.html"));
  EXPECT_NE(plain.find("<td class=\"name\">x2</td><td>2</td><td>2.5000</td>"), std::string::npos);
  EXPECT_NE(plain.find("<title>x2 and x1: 0.600000</title>"), std::string::npos);
  EXPECT_NE(plain.find("<title>component 1: 80.000 %</title>"), std::string::npos);
  EXPECT_NE(plain.find("<title>reference row, component 2: 48.600</title>"), std::string::npos);
  EXPECT_NE(plain.find("<title>x1: 0.894, 0.447</title>"), std::string::npos);
  EXPECT_NE(plain.find("<title>x2: 0.894, -0.447</title>"), std::string::npos);
}

TEST(Program, ReversedVariablesKeepTheirNames) {
  TempDir dir;
  std::filesystem::copy_file(kData + "/weather.dat", dir.file("w.dat"));
  std::string out, err;
  ASSERT_EQ(run_command(in(dir, kMavek + " --quiet -i -h w.dat"), &out, &err), 0) << err;
  ASSERT_EQ(run_command(in(dir, kPlot + " --quiet w.dat"), &out, &err), 0) << err;
  EXPECT_EQ(out, "");
  const std::string page = read_text(dir.file("w.html"));
  EXPECT_LT(page.find("<td class=\"name\">pressure</td><td>7</td>"),
            page.find("<td class=\"name\">temp_max</td><td>1</td>"));
  // The first histogram is that of pressure, with bins from its minimum.
  EXPECT_LT(page.find("<title>pressure: 994.4 to "), page.find("<title>humidity: 49 to "));
}

TEST(Program, FailuresNameTheFileAndTheOthersAreStillDrawn) {
  TempDir dir;
  testsupport::write_text(dir.file("a.dat"), "# u v w\n1 2 3\n2 1 5\n3 4 4\n4 3 1\n");
  testsupport::write_text(dir.file("b.dat"), "1 2\n2 1\n3 4\n");
  std::string out, err;
  ASSERT_EQ(run_command(in(dir, kMavek + " --quiet -c a.dat b.dat"), &out, &err), 0) << err;
  // b.cor cut in its last line.
  std::string cor = read_text(dir.file("b.cor"));
  testsupport::write_text(dir.file("b.cor"), cor.substr(0, cor.size() - 3));
  EXPECT_EQ(run_command(in(dir, kPlot + " missing.dat b.dat a.dat"), &out, &err), 1);
  EXPECT_EQ(out, "Writing file: a.html\n");
  EXPECT_EQ(err,
            "mavek-plot: missing.dat: no such file, and none of its result files (missing.mvd, missing.his, "
            "missing.cor, missing.eig) exists\n"
            "mavek-plot: b.cor:2: the line is cut short (the file ends without a line end)\n");
  EXPECT_EQ(files_in(dir), (std::vector<std::string>{"a.cor", "a.dat", "a.html", "a.inp", "a.mvd", "b.cor",
                                                     "b.dat", "b.inp", "b.mvd", "logfile"}));
  EXPECT_NE(read_text(dir.file("a.html")).find("<td class=\"name\">w</td>"), std::string::npos);

  // A result file that disagrees with the others; an older page stays untouched.
  testsupport::write_text(dir.file("a.cor"), "  1.000000\n");
  EXPECT_EQ(run_command(in(dir, kPlot + " --quiet a.dat"), &out, &err), 1);
  EXPECT_EQ(err, "mavek-plot: a.cor:2: the file ends after 1 of 3 variables\n");
  EXPECT_NE(read_text(dir.file("a.html")).find("<td class=\"name\">w</td>"), std::string::npos);
}

TEST(Program, ResultsWithoutTheirInputAndRefusedNames) {
  TempDir dir;
  testsupport::write_text(dir.file("gone.dat"), "# p q\n1 2\n2 1\n3 5\n");
  std::string out, err;
  ASSERT_EQ(run_command(in(dir, kMavek + " --quiet gone.dat"), &out, &err), 0) << err;
  std::filesystem::remove(dir.file("gone.dat"));
  EXPECT_EQ(run_command(in(dir, kPlot + " --quiet gone.dat"), &out, &err), 0) << err;
  const std::string page = read_text(dir.file("gone.html"));
  EXPECT_NE(page.find("<td class=\"name\">x2</td>"), std::string::npos);
  EXPECT_NE(page.find("cannot be read, so the columns are called x1, x2"), std::string::npos);

  // mavek refuses these inputs (a result extension; a result that is the
  // input itself), and a page must not replace its own input.
  testsupport::write_text(dir.file("r.std"), "1 2\n");
  testsupport::write_text(dir.file("l.dat"), "1 2\n");
  ASSERT_EQ(symlink("l.dat", dir.file("l.cor").c_str()), 0);
  testsupport::write_text(dir.file("t.html"), "1 2\n");
  testsupport::write_text(dir.file("t.mvd"), "! h\n 1 1 1 1 1 1 1 1 1\n");
  EXPECT_EQ(run_command(in(dir, kPlot + " r.std l.dat t.html"), &out, &err), 1);
  EXPECT_EQ(out, "");
  EXPECT_EQ(
      err,
      "mavek-plot: r.std: mavek refuses inputs whose extension is one of .cor, .cov, .da1, .eig, .fsc, "
      ".his, .inp, .mvd, .pct, .sco and .std, so there are no results\n"
      "mavek-plot: l.dat: mavek refuses it, since its result file l.cor is the input itself, so there are "
      "no results\n"
      "mavek-plot: t.html: is the input file itself, and is not replaced\n");
  std::filesystem::remove(dir.file("l.cor"));
  EXPECT_EQ(read_text(dir.file("t.html")), "1 2\n");

  // A page that cannot be put in place leaves no temporary file behind.
  std::filesystem::remove(dir.file("gone.html"));
  std::filesystem::create_directories(dir.file("gone.html/sub"));
  EXPECT_EQ(run_command(in(dir, kPlot + " --quiet gone.dat"), &out, &err), 1);
  EXPECT_EQ(err.rfind("mavek-plot: gone.html: cannot be written: ", 0), 0u) << err;
  for (const std::string &f : files_in(dir)) EXPECT_EQ(f.find(".tmp"), std::string::npos) << f;
}

TEST(Program, CommandLine) {
  std::string out, err;
  EXPECT_EQ(run_command(kPlot + " --help", &out, &err), 0);
  EXPECT_EQ(out.rfind("Usage: mavek-plot [--quiet] FILE...\n", 0), 0u);
  EXPECT_EQ(run_command(kPlot + " --version", &out, &err), 0);
  EXPECT_EQ(out.rfind("mavek-plot ", 0), 0u);
  EXPECT_EQ(run_command(kPlot, &out, &err), 2);
  EXPECT_EQ(err,
            "mavek-plot: no input file\nUsage: mavek-plot [--quiet] FILE...\nTry 'mavek-plot --help'.\n");
  EXPECT_EQ(run_command(kPlot + " -h x.dat", &out, &err), 2);
  EXPECT_EQ(err.rfind("mavek-plot: unknown option '-h'\n", 0), 0u);
  EXPECT_EQ(out, "");

  // After "--" a name may begin with '-'.
  TempDir dir;
  testsupport::write_text(dir.file("-q.dat"), "1 2\n2 1\n3 5\n");
  ASSERT_EQ(run_command(in(dir, kMavek + " --quiet ./-q.dat"), &out, &err), 0) << err;
  EXPECT_EQ(run_command(in(dir, kPlot + " -- -q.dat"), &out, &err), 0) << err;
  EXPECT_EQ(out, "Writing file: -q.html\n");
}

TEST(Program, NamesOfDelimitedTablesAndOfTheNamesLine) {
  TempDir dir;
  // R's write.csv: row names and a label column are not variables, so the
  // variables 1 to 3 are named by the header fields of columns 2, 4 and 5,
  // and -i turns their order.
  testsupport::write_text(
      dir.file("r.csv"),
      "\"\",\"len\",\"supp\",\"dose\",\"\"\n\"1\",4.2,\"VC\",0.5,1\n\"2\",11.5,\"VC\",1,3\n"
      "\"3\",7.3,\"OJ\",2,2\n");
  // A semicolon table named .txt, and a whitespace table with a names line.
  testsupport::write_text(dir.file("s.txt"), "a;b\n1;2\n2;1\n3;5\n");
  testsupport::write_text(dir.file("w.dat"), "# no names here\nsl sw\n1 2\n2 1\n3 5\n");
  std::string out, err;
  ASSERT_EQ(run_command(in(dir, kMavek + " --quiet -i r.csv"), &out, &err), 0) << err;
  ASSERT_EQ(run_command(in(dir, kMavek + " --quiet --csv=';' s.txt && " + kMavek + " --quiet --names w.dat"),
                        &out, &err),
            0)
      << err;
  ASSERT_EQ(run_command(in(dir, kPlot + " --quiet r.csv && " + kPlot + " --quiet --csv=';' s.txt && " +
                                    kPlot + " --quiet --names w.dat"),
                        &out, &err),
            0)
      << err;
  const std::string r = read_text(dir.file("r.html"));
  // An empty header field over a column that is read names it x<number>.
  EXPECT_LT(r.find("<td class=\"name\">x3</td><td>3</td>"), r.find("<td class=\"name\">dose</td><td>2</td>"));
  EXPECT_LT(r.find("<td class=\"name\">dose</td><td>2</td>"),
            r.find("<td class=\"name\">len</td><td>1</td>"));
  EXPECT_NE(r.find("Column names from the header row of <code>r.csv</code>."), std::string::npos);
  const std::string s = read_text(dir.file("s.html"));
  EXPECT_NE(s.find("<td class=\"name\">b</td><td>2</td>"), std::string::npos);
  const std::string w = read_text(dir.file("w.html"));
  EXPECT_NE(w.find("<td class=\"name\">sw</td><td>2</td>"), std::string::npos);
  EXPECT_NE(w.find("Column names from the first line of <code>w.dat</code>."), std::string::npos);

  // Read otherwise, the same tables name nothing: s.txt as a whitespace
  // table (no comment line names its one column), r.csv without a header.
  ASSERT_EQ(
      run_command(in(dir, kPlot + " --quiet s.txt && " + kPlot + " --quiet --names=off r.csv"), &out, &err),
      0)
      << err;
  EXPECT_NE(read_text(dir.file("s.html")).find("<td class=\"name\">x1</td>"), std::string::npos);
  EXPECT_NE(read_text(dir.file("r.html")).find("The first row of <code>r.csv</code> is no header"),
            std::string::npos);
}

TEST(Program, TableOptionsOnTheCommandLine) {
  std::string out, err;
  EXPECT_EQ(run_command(kPlot + " --csv=ab x.csv", &out, &err), 2);
  EXPECT_EQ(
      err.rfind("mavek-plot: not a separator for --csv: 'ab' (one byte other than a quote or a line break, "
                "or tab)\n",
                0),
      0u)
      << err;
  EXPECT_EQ(run_command(kPlot + " --names=yes x.csv", &out, &err), 2);
  EXPECT_EQ(err.rfind("mavek-plot: not on or off for --names: 'yes'\n", 0), 0u) << err;
  EXPECT_EQ(run_command(kPlot + " --help", &out, &err), 0);
  EXPECT_NE(out.find("  --csv[=SEP]\n"), std::string::npos);
  EXPECT_NE(out.find("  --names[=on|off]\n"), std::string::npos);
}

// Results that mavek wrote into a folder, of a file and of standard input:
// the pages go beside them, the file's columns keep their names, and
// standard input's, read by mavek already, are called x1, x2, ...
TEST(Program, ResultsFolderAndStandardInput) {
  TempDir dir;
  testsupport::write_text(dir.file("a.dat"), "# u v\n1 2\n2 1\n3 4\n4 3\n");
  std::filesystem::create_directory(dir.file("out"));
  std::string out, err;
  ASSERT_EQ(run_command(in(dir, kMavek + " --quiet -c --results-dir=out a.dat"), &out, &err), 0) << err;
  ASSERT_EQ(run_command(in(dir, "cat a.dat | " + kMavek + " --quiet -c --results-dir=out -"), &out, &err), 0)
      << err;
  EXPECT_EQ(run_command(in(dir, kPlot + " --results-dir out a.dat - --results-dir=out/"), &out, &err), 0)
      << err;
  EXPECT_EQ(out, "Writing file: out/a.html\nWriting file: out/stdin.html\n");
  EXPECT_EQ(err, "");
  EXPECT_NE(read_text(dir.file("out/a.html")).find("<td class=\"name\">v</td>"), std::string::npos);
  const std::string page = read_text(dir.file("out/stdin.html"));
  EXPECT_NE(page.find("<title>x2 and x1: 0.600000</title>"), std::string::npos);
  EXPECT_NE(page.find("cannot be read, so the columns are called x1, x2"), std::string::npos);

  // Beside the input there are no results; standard input has none there.
  EXPECT_EQ(run_command(in(dir, kPlot + " --quiet /dev/stdin"), &out, &err), 1);
  EXPECT_EQ(err,
            "mavek-plot: /dev/stdin: standard input, and none of its result files (stdin.mvd, stdin.his, "
            "stdin.cor, stdin.eig) exists\n");
  EXPECT_EQ(run_command(in(dir, kPlot + " --results-dir=a.dat a.dat"), &out, &err), 2);
  EXPECT_EQ(err.rfind("mavek-plot: not a directory: 'a.dat'\n", 0), 0u) << err;
  EXPECT_EQ(run_command(in(dir, kPlot + " a.dat --results-dir"), &out, &err), 2);
  EXPECT_EQ(err.rfind("mavek-plot: option '--results-dir' needs a folder\n", 0), 0u) << err;
}
