#include "cli/options.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "diagnostics.h"
#include "support.h"

using testsupport::Argv;

namespace {

struct Parsed {
  Options o;
  std::vector<std::string> files;
  std::string err;
  std::string out;
};

// Parses the words after the program name "mavek"; a fatal end is reported
// through `status` (-1 when parsing completed).
void parse(std::vector<std::string> words, Parsed &p, int *status = nullptr) {
  words.insert(words.begin(), "mavek");
  Argv argv(words);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  int st = -1;
  try {
    int first = parse_options(argv.argc(), argv.argv(), p.o);
    for (int i = first; i < argv.argc(); ++i) p.files.push_back(argv.argv()[i]);
  } catch (const Failure &failure) {
    report_failure(failure);
    st = 1;
  } catch (const ExitRequest &e) {
    st = e.status;
  }
  p.err = testing::internal::GetCapturedStderr();
  p.out = testing::internal::GetCapturedStdout();
  if (status != nullptr)
    *status = st;
  else
    EXPECT_EQ(st, -1) << p.err;
}

}  // namespace

TEST(Options, Defaults) {
  Options o;
  EXPECT_EQ(o.flag.tetrad, 1);
  EXPECT_EQ(o.flag.mvd, 1);
  EXPECT_EQ(o.flag.oldtetrad + o.flag.covariance + o.flag.sort + o.flag.correlation + o.flag.timing +
                o.flag.eigen + o.flag.split + o.flag.fsc + o.flag.histogram + o.flag.std + o.flag.transpose +
                o.flag.scores_mean + o.flag.inverse,
            0);
  EXPECT_EQ(o.quiet + o.debug + o.more + o.timer + o.allscores + o.blas, 0);
  EXPECT_EQ(o.scores, 3u);
  EXPECT_EQ(o.histosize, 30u);
  EXPECT_EQ(o.sortstring, nullptr);
}

TEST(Options, TableEndsWithAnEmptyRecord) {
  Options o;
  auto opts = make_long_opts(o);
  EXPECT_EQ(opts.size(), 32u);
  EXPECT_EQ(opts[31].name, nullptr);
  EXPECT_EQ(opts[3].flag, &o.debug);
  EXPECT_EQ(opts[22].flag, &o.more);
  EXPECT_EQ(opts[23].flag, &o.timer);
  EXPECT_EQ(opts[24].flag, &o.blas);
}

// Everything parsing sets, as one comparable text.
std::string settings(const Options &o) {
  const flags &f = o.flag;
  std::string s;
  for (int v : {f.tetrad,  f.oldtetrad, f.covariance, f.sort,      f.correlation, f.mvd,       f.timing,
                f.eigen,   f.split,     f.fsc,        f.histogram, f.std,         f.transpose, f.scores_mean,
                f.inverse, o.quiet,     o.debug,      o.more,      o.timer,       o.allscores, o.blas})
    s += std::to_string(v) + ",";
  s += std::to_string(o.scores) + "," + std::to_string(o.histosize) + ",";
  s += o.sortstring != nullptr ? o.sortstring : "(none)";
  return s;
}

std::string lower(std::string s) {
  for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Every upper-case short option acts as its lower-case one and takes the same
// kind of argument: a required argument takes the next word, an optional one
// only an attached word. Letters unknown in lower case are unknown in upper.
TEST(Options, UpperCaseActsAsLowerCase) {
  for (char c = 'a'; c <= 'z'; ++c) {
    for (const char *attached : {"", "off", "7"}) {
      const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      Parsed pl, pu;
      int sl = 0, su = 0;
      parse({"--more", std::string("-") + c + attached, "word", "file"}, pl, &sl);
      parse({"--more", std::string("-") + up + attached, "word", "file"}, pu, &su);
      const std::string what = std::string("-") + c + attached;
      EXPECT_EQ(sl, su) << what;
      EXPECT_EQ(pl.files, pu.files) << what;
      EXPECT_EQ(settings(pl.o), settings(pu.o)) << what;
      EXPECT_EQ(pl.out, pu.out) << what;
      EXPECT_EQ(lower(pl.err), lower(pu.err)) << what;
    }
  }
}

TEST(Options, SortStringAppliesOnlyWithInpOrCov) {
  struct Case {
    std::vector<std::string> words;
    const char *in_effect;
  };
  const std::vector<Case> cases = {
      {{"-s", "3 1 2"}, "3 1 2"},               // ".inp" is on by default
      {{"-s", "3 1 2", "-t-"}, nullptr},        // neither ".inp" nor ".cov"
      {{"-s", "3 1 2", "-t-", "-v"}, "3 1 2"},  // ".cov" alone
      {{"-t-", "-v"}, nullptr},                 // no sort string
      {{"-s", "2 1", "-s", "1 2"}, "1 2"},      // the last one counts
  };
  for (const Case &c : cases) {
    Parsed p;
    parse(c.words, p);
    const char *got = sort_string_in_effect(p.o);
    if (c.in_effect == nullptr)
      EXPECT_EQ(got, nullptr) << c.words.size();
    else
      EXPECT_STREQ(got, c.in_effect);
  }
}

// Every switch in its short, upper-case and long form.
TEST(Options, EachSwitchInEveryForm) {
  struct Case {
    std::vector<std::string> words;
    int flags::*field;
  };
  const std::vector<Case> cases = {
      {{"-b"}, &flags::std},
      {{"-B"}, &flags::std},
      {{"--stddev"}, &flags::std},
      {{"-c"}, &flags::correlation},
      {{"-C"}, &flags::correlation},
      {{"--correlation"}, &flags::correlation},
      {{"-e"}, &flags::eigen},
      {{"-E"}, &flags::eigen},
      {{"--eigenvalues"}, &flags::eigen},
      {{"-f"}, &flags::fsc},
      {{"-F"}, &flags::fsc},
      {{"--fsc-file"}, &flags::fsc},
      {{"-h"}, &flags::histogram},
      {{"-H"}, &flags::histogram},
      {{"--histogram"}, &flags::histogram},
      {{"-i"}, &flags::inverse},
      {{"-I"}, &flags::inverse},
      {{"--inverse"}, &flags::inverse},
      {{"-n"}, &flags::scores_mean},
      {{"-N"}, &flags::scores_mean},
      {{"--scores-mean"}, &flags::scores_mean},
      {{"-v"}, &flags::covariance},
      {{"-V"}, &flags::covariance},
      {{"--covariance"}, &flags::covariance},
      {{"-z"}, &flags::split},
      {{"-Z"}, &flags::split},
      {{"--split-file"}, &flags::split},
      {{"--oldtetrad"}, &flags::oldtetrad},
      {{"-s", "1"}, &flags::sort},
      {{"-S1"}, &flags::sort},
      {{"--sort=1"}, &flags::sort},
  };
  for (const Case &c : cases) {
    Parsed p;
    parse(c.words, p);
    EXPECT_EQ(p.o.flag.*(c.field), 1) << c.words[0];
  }
  const std::vector<std::pair<std::vector<std::string>, int Options::*>> others = {
      {{"-a"}, &Options::allscores},
      {{"-A"}, &Options::allscores},
      {{"--allscores"}, &Options::allscores},
      {{"-d"}, &Options::debug},
      {{"-D"}, &Options::debug},
      {{"--debug"}, &Options::debug},
      {{"--quiet"}, &Options::quiet},
      {{"--silence"}, &Options::quiet},
      {{"--more"}, &Options::more},
      {{"--timer"}, &Options::timer},
      {{"--blas"}, &Options::blas},
      {{"--b"}, &Options::blas},  // no other long option begins with "b"
  };
  for (const auto &[words, field] : others) {
    Parsed p;
    parse(words, p);
    EXPECT_EQ(p.o.*field, 1) << words[0];
  }
}

TEST(Options, OnOffWords) {
  for (const char *off : {"-c-", "-coff", "--correlation=off", "--correlation=offline", "-Coff"}) {
    Parsed p;
    parse({"-c", off}, p);
    EXPECT_EQ(p.o.flag.correlation, 0) << off;
  }
  for (const char *on : {"-c", "-c+", "-con", "--correlation", "-conward", "--correlation=on"}) {
    Parsed p;
    parse({on}, p);
    EXPECT_EQ(p.o.flag.correlation, 1) << on;
  }
  Parsed t, m, v, z, old;
  parse({"-t-"}, t);
  EXPECT_EQ(t.o.flag.tetrad, 0);
  parse({"--mean=off"}, m);
  EXPECT_EQ(m.o.flag.mvd, 0);
  parse({"-v+"}, v);
  EXPECT_EQ(v.o.flag.covariance, 1);
  parse({"-z-"}, z);
  EXPECT_EQ(z.o.flag.split, 0);
  parse({"--oldtetrad=on"}, old);
  EXPECT_EQ(old.o.flag.oldtetrad, 1);
}

TEST(Options, BadOnOffWordEndsTheRun) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"-c0", "\nError: Need a numeric argument to option -c (0)\n\nPress enter to continue\n"},
      {"--correlation=no", "\nError: Need a numeric argument to option -c (no)\n\nPress enter to continue\n"},
      {"--correlation=yes",
       "\nError: Need a numeric argument to option -c (yes)\n\nPress enter to continue\n"},
      {"-cOFF", "\nError: Need a numeric argument to option -c (OFF)\n\nPress enter to continue\n"},
      {"--oldtetrad=1",
       "\nError: Need a numeric argument to option --oldtetrad (1)\n\nPress enter to continue\n"},
      {"-fx", "\nError: Need a numeric argument to option -f (x)\n\nPress enter to continue\n"},
  };
  for (const auto &[word, text] : cases) {
    Parsed p;
    int status = 0;
    parse({word, "data"}, p, &status);
    EXPECT_EQ(status, 1) << word;
    EXPECT_EQ(p.err, text);
  }
}

TEST(Options, OptionalArgumentMustBeAttached) {
  Parsed p;
  parse({"-c", "off"}, p);
  EXPECT_EQ(p.o.flag.correlation, 1);
  EXPECT_EQ(p.files, std::vector<std::string>{"off"});
  Parsed q;
  parse({"--correlation", "off"}, q);
  EXPECT_EQ(q.o.flag.correlation, 1);
  EXPECT_EQ(q.files, std::vector<std::string>{"off"});
}

TEST(Options, RequiredArgumentAttachedOrSeparate) {
  Parsed a, b, c;
  parse({"-s3 1 2"}, a);
  parse({"-s", "3 1 2"}, b);
  parse({"--sort", "3 1 2"}, c);
  for (Parsed *p : {&a, &b, &c}) {
    ASSERT_NE(p->o.sortstring, nullptr);
    EXPECT_STREQ(p->o.sortstring, "3 1 2");
    EXPECT_TRUE(p->files.empty());
  }
  Parsed second;
  parse({"-s", "1", "-s", "2 1"}, second);
  EXPECT_STREQ(second.o.sortstring, "2 1");
}

TEST(Options, Counts) {
  Parsed plain, seven, on, plus, zero, word, off, h20, big;
  parse({"-e"}, plain);
  EXPECT_EQ(plain.o.flag.eigen, 1);
  EXPECT_EQ(plain.o.scores, 3u);
  parse({"-e7"}, seven);
  EXPECT_EQ(seven.o.flag.eigen, 1);
  EXPECT_EQ(seven.o.scores, 7u);
  parse({"-e7", "-eon"}, on);
  EXPECT_EQ(on.o.scores, 7u);
  EXPECT_EQ(on.o.flag.eigen, 1);
  parse({"-e5", "-e+"}, plus);
  EXPECT_EQ(plus.o.scores, 5u);
  parse({"-e0"}, zero);
  EXPECT_EQ(zero.o.flag.eigen, 0);
  EXPECT_EQ(zero.o.scores, 3u);
  parse({"-eabc"}, word);
  EXPECT_EQ(word.o.flag.eigen, 0);
  parse({"-e", "-e-"}, off);
  EXPECT_EQ(off.o.flag.eigen, 0);
  parse({"-h20"}, h20);
  EXPECT_EQ(h20.o.flag.histogram, 1);
  EXPECT_EQ(h20.o.histosize, 20u);
  parse({"-H5"}, big);
  EXPECT_EQ(big.o.histosize, 5u);
  Parsed negative;
  parse({"-h-5"}, negative);
  EXPECT_EQ(negative.o.flag.histogram, 0);
  EXPECT_EQ(negative.o.histosize, static_cast<unsigned>(-5));
  Parsed eq;
  parse({"--eigenvalues=4"}, eq);
  EXPECT_EQ(eq.o.scores, 4u);
  EXPECT_EQ(eq.o.flag.eigen, 1);
}

TEST(Options, FscAndEigenInteract) {
  Parsed f, ef, fe;
  parse({"-f"}, f);
  EXPECT_EQ(f.o.flag.fsc, 1);
  EXPECT_EQ(f.o.flag.eigen, 1);
  parse({"-e", "-f-"}, ef);
  EXPECT_EQ(ef.o.flag.eigen, 1);
  EXPECT_EQ(ef.o.flag.fsc, 0);
  parse({"-f", "-e-"}, fe);
  EXPECT_EQ(fe.o.flag.fsc, 1);
  EXPECT_EQ(fe.o.flag.eigen, 0);
}

TEST(Options, ScoresMeanLongFormTakesNoArgument) {
  Parsed n;
  parse({"-n-"}, n);
  EXPECT_EQ(n.o.flag.scores_mean, 0);
  Parsed bad;
  int status = 0;
  parse({"--more", "--scores-mean=off"}, bad, &status);
  EXPECT_EQ(status, 0);  // the parser's complaint, then the help printed directly
  EXPECT_NE(bad.err.find("doesn't allow an argument"), std::string::npos) << bad.err;
  Parsed blas;
  parse({"--more", "--blas=on"}, blas, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(blas.o.blas, 0);
  EXPECT_NE(blas.err.find("doesn't allow an argument"), std::string::npos) << blas.err;
}

TEST(Options, OptionsAfterFileNamesAndMixedCase) {
  Parsed p;
  parse({"a.dat", "-c", "b.dat", "-Q", "-v", "--quiet"}, p);
  EXPECT_EQ(p.files, (std::vector<std::string>{"a.dat", "b.dat"}));
  EXPECT_EQ(p.o.flag.correlation, 1);
  EXPECT_EQ(p.o.flag.covariance, 1);
  EXPECT_EQ(p.o.quiet, 1);
  Parsed dashdash;
  parse({"--", "-c"}, dashdash);
  EXPECT_EQ(dashdash.files, std::vector<std::string>{"-c"});
  EXPECT_EQ(dashdash.o.flag.correlation, 0);
}

TEST(Options, AbbreviationsAndAmbiguity) {
  Parsed cor, cop;
  parse({"--cor"}, cor);
  EXPECT_EQ(cor.o.flag.correlation, 1);
  parse({"--cop"}, cop);
  EXPECT_EQ(cop.err,
            "Copyright (C) 2026 the mavek developers. Free to use, copy and change.\nWritten by Kestrin.");
  Parsed co;
  int status = 0;
  parse({"--more", "--co"}, co, &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(co.err.find("ambiguous"), std::string::npos) << co.err;
}

TEST(Options, UnknownAndUnbuiltOptions) {
  for (const std::vector<std::string> &words :
       {std::vector<std::string>{"-g", "x"}, {"-Gx"}, {"-w", "x"}, {"-W", "x"}}) {
    Parsed p;
    int status = 0;
    parse(words, p, &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(p.err, "\nError: Unknown option\nPress enter to continue\n");
  }
  for (const char *word : {"-x", "-X", "--transpose"}) {
    Parsed p;
    int status = 0;
    parse({word}, p, &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(p.err, "\nError: Not implemented yet!\n\nPress enter to continue\n");
  }
  Parsed k;
  int status = 0;
  parse({"--more", "-K"}, k, &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(k.err.find("invalid option -- 'K'"), std::string::npos) << k.err;
}

TEST(Options, WhereLanguageAndCopyright) {
  Parsed w;
  parse({"--where=anything", "-l", "x", "--language=en", "-Lde", "f"}, w);
  EXPECT_EQ(w.err, "mavek\n");
  EXPECT_EQ(w.files, std::vector<std::string>{"f"});
  Parsed q;
  parse({"-q", "-Q"}, q);
  std::string c =
      "Copyright (C) 2026 the mavek developers. Free to use, copy and change.\nWritten by Kestrin.";
  EXPECT_EQ(q.err, c + c);
}

TEST(Options, HelpPrintedDirectly) {
  Parsed p;
  int status = -1;
  parse({"--more", "-?"}, p, &status);
  const std::string &out = p.out;
  EXPECT_EQ(status, 0);
  std::string expected = testsupport::read_text(MAVEK_TESTDATA "/unit/data/help.txt");
  // Version and Copyright come first, each on its own line.
  std::size_t first_nl = out.find('\n');
  ASSERT_NE(first_nl, std::string::npos);
  EXPECT_EQ(out.rfind("mavek Version " MAVEK_VERSION " ", 0), 0u);
  std::string rest = out.substr(first_nl + 1);
  EXPECT_EQ(rest,
            "Copyright (C) 2026 the mavek developers. Free to use, copy and change.\nWritten by Kestrin.\n" +
                expected);
}

TEST(Options, ShellQuoting) {
  char out[64];
  shell_quote("mavek", out);
  EXPECT_STREQ(out, "'mavek'");
  shell_quote("it's", out);
  EXPECT_STREQ(out, "'it'\\''s'");
  shell_quote("", out);
  EXPECT_STREQ(out, "''");
}

TEST(Options, DefaultSwitchesTurnedOffInEveryForm) {
  for (const char *word : {"-m-", "-Moff", "--mean=off", "--mean=-"}) {
    Parsed p;
    parse({word}, p);
    EXPECT_EQ(p.o.flag.mvd, 0) << word;
  }
  for (const char *word : {"-t-", "-Toff", "--tetrad=off", "--tet=-"}) {
    Parsed p;
    parse({word}, p);
    EXPECT_EQ(p.o.flag.tetrad, 0) << word;
  }
  Parsed on;
  parse({"-t-", "-T", "-m-", "--mean"}, on);
  EXPECT_EQ(on.o.flag.tetrad, 1);
  EXPECT_EQ(on.o.flag.mvd, 1);
}

TEST(Options, HelpAndCopyrightLongForms) {
  Parsed help;
  int status = -1;
  parse({"--more", "--help", "data"}, help, &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(help.out.find("USAGE: mavek <filename> <options>\n"), std::string::npos);
  Parsed copyright;
  parse({"--copyright"}, copyright);
  EXPECT_EQ(copyright.err.substr(0, 10), "Copyright ");
}

// Every abbreviation that named one long option before the newer options
// existed still names that option: --o is --oldtetrad, --b --blas, and so on.
TEST(Options, EveryOldAbbreviationKeepsItsMeaning) {
  const std::vector<std::string> old_names = {
      "allscores",  "stddev",    "correlation", "debug",       "eigenvalues", "fsc-file", "histogram",
      "inverse",    "language",  "mean",        "scores-mean", "copyright",   "sort",     "tetrad",
      "covariance", "transpose", "where",       "split-file",  "oldtetrad",   "quiet",    "silence",
      "help",       "more",      "timer",       "blas"};
  Options o;
  const auto opts = make_long_opts(o);
  int checked = 0;
  for (const std::string &name : old_names) {
    for (std::size_t len = 1; len <= name.size(); ++len) {
      const std::string prefix = name.substr(0, len);
      int matches = 0;
      for (const std::string &other : old_names) matches += other.compare(0, len, prefix) == 0 ? 1 : 0;
      if (matches != 1 && prefix != name) continue;  // ambiguous before: nothing to keep
      // The parser's own answer for "--prefix" (with a word for options
      // that need one), as the index of the record it chose.
      std::string arg = "--" + prefix;
      int index = -1;
      for (const option &opt : opts)
        if (opt.name != nullptr && name == opt.name && opt.has_arg == 1) arg += "=x";
      char *argv[] = {const_cast<char *>("mavek"), arg.data(), nullptr};
      optind = 0;
      opterr = 0;
      (void)getopt_long(2, argv, short_opts, opts.data(), &index);
      opterr = 1;
      ASSERT_GE(index, 0) << arg << " is no longer understood";
      EXPECT_EQ(std::string(opts[index].name), name) << arg;
      ++checked;
    }
  }
  EXPECT_GT(checked, 100);
}
