#include "cli/options.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cli/version.h"
#include "contract/table_options.h"
#include "diagnostics.h"

Options::~Options() { std::free(sortstring); }

const char short_opts[] =
    "ABC::DE::F::G:H::IL:M::N::QS:T::V::W:XZ::?abc::de::f::g:h::il:m::n::qs:t::v::w:xz::";

std::array<option, 32> make_long_opts(Options &o) {
  return {{
      {"allscores", 0, nullptr, 'a'}, {"stddev", 0, nullptr, 'b'},      {"correlation", 2, nullptr, 'c'},
      {"debug", 0, &o.debug, 1},      {"eigenvalues", 2, nullptr, 'e'}, {"fsc-file", 2, nullptr, 'f'},
      {"histogram", 2, nullptr, 'h'}, {"inverse", 0, nullptr, 'i'},     {"language", 1, nullptr, 'l'},
      {"mean", 2, nullptr, 'm'},      {"scores-mean", 0, nullptr, 'n'}, {"copyright", 0, nullptr, 'q'},
      {"sort", 1, nullptr, 's'},      {"tetrad", 2, nullptr, 't'},      {"covariance", 2, nullptr, 'v'},
      {"transpose", 0, nullptr, 'x'}, {"where", 1, nullptr, 1},         {"split-file", 0, nullptr, 'z'},
      {"oldtetrad", 2, nullptr, 2},   {"quiet", 0, nullptr, 3},         {"silence", 0, nullptr, 3},
      {"help", 0, nullptr, '?'},      {"more", 0, &o.more, 1},          {"timer", 0, &o.timer, 1},
      {"blas", 0, &o.blas, 1},        {"csv", 2, nullptr, 4},           {"names", 2, nullptr, 5},
      {"missing", 0, nullptr, 6},     {"results-dir", 1, nullptr, 7},   {"percentiles", 1, nullptr, 8},
      {"version", 0, nullptr, 9},     {nullptr, 0, nullptr, 0},
  }};
}

int parse_optarg(const char *option, const char *opta) {
  if (opta == nullptr) return 1;
  int word = on_off_word(opta);
  if (word < 0) error("Need a numeric argument to option %s (%s)\n", option, opta);
  return word;
}

int parse_optarg_with_value(const char *, const char *opta, unsigned *val) {
  if (opta == nullptr) return 1;
  // The count wraps like the conversion of a long to unsigned: "-5" is a huge count.
  unsigned count = static_cast<unsigned>(std::atol(opta));
  if (count != 0) *val = count;
  int word = on_off_word(opta);
  if (word >= 0) return word;
  return count != 0 ? 1 : 0;
}

const char help_text[] =
    "Calculates correlation matrixes.\n"
    "\n"
    "USAGE: %s <filename> <options>\n"
    "\n"
    "\n"
    "Arguments to long options apply to short options as well.\n"
    "Options:                                                       File extensions\n"
    "* -t, --tetrad=[+|-|on|off]       Writes TETRAD-DAT files             .inp\n"
    "      --oldtetrad=[+|-|on|off]    Writes old TETRAD-DAT files         .da1\n"
    "  -c, --correlation=[+|-|on|off]  Writes Correlation files            .cor\n"
    "  -v, --covariance=[+|-|on|off]   Writes Covariance files             .cov\n"
    "* -m, --mean=[+|-|on|off]         Writes Mean, Variance & Std.dev.    .mvd\n"
    "  -e, --eigenvalues=[+|-|on|off|nr]\n"
    "                                  Writes nr (default 3) Eigenvalues & .eig\n"
    "                                  Scores                              .sco\n"
    "  -h, --histogram=[+|-|on|off|nr] Writes Histogram (nr bins deflt 30) .his\n"
    "  -f, --fsc-file=[+|-|on|off]     Writes factor score coefficient-/   .fsc\n"
    "                                  transformation matrix-file for vandel.\n"
    "  -n, --scores-mean=[+|-|on|off]  Remove mean from data before scores-\n"
    "                                  calculation.\n"
    "  -i, --inverse                   Reverse order in TETRAD-DAT files.\n"
    "  -s, --sort=\"x x x\"              Sorts the variables.\n"
    "  -z, --split-file                Splits lines (in TETRAD).\n"
    "  -a, --allscores                 Maximum number of Scores\n"
    "  -b, --stddev                    Writes a normalized file            .std\n"
    "                                  (<filename>-mean)/stddeviation\n"
    "  -x, --transpose                 Transpose file before calculation\n"
    "      --quiet                     Less verbose output, good for batchfiles.\n"
    "  -q, --copyright                 Copyright.\n"
    "      --blas                      Uses OpenBLAS for the matrixes and\n"
    "                                  components: faster for many variables.\n"
    "  -?, --help                      This information.\n"
    "      --csv[=SEP]                 Reads comma-separated tables (*.csv,\n"
    "                                  tab for *.tsv), or SEP, one byte or tab.\n"
    "      --names[=on|off]            The first row names the columns.\n"
    "      --missing                   Leaves out rows with missing values.\n"
    "      --results-dir=DIR           Writes the result files into DIR.\n"
    "      --percentiles=P[,P...]      Writes percentiles                  .pct\n"
    "      --version                   Version and copyright.\n"
    "\n"
    "WARNING: for a valid .sco-file apply -n/--scores-mean option\n"
    "\n"
    "A '-' after an option disables that option.\n"
    "Options marked with '*' are enabled by default.\n"
    "Bug-reports & sugestions to bug-mavek@mavek.org\n";

void shell_quote(const char *s, char *out) {
  *out++ = '\'';
  for (; *s != '\0'; ++s) {
    if (*s == '\'') {
      std::memcpy(out, "'\\''", 4);
      out += 4;
    } else {
      *out++ = *s;
    }
  }
  *out++ = '\'';
  *out = '\0';
}

void usage(const char *name, int more) {
  if (more == 0) {
    // The program name goes to the shell as one quoted word, so that no name
    // can make the shell run anything but the program itself.
    std::string quoted(4 * std::strlen(name) + 3, '\0');
    shell_quote(name, quoted.data());
    std::string command = quoted.c_str();
    command += " --more -? | more";
    std::fflush(nullptr);
    (void)std::system(command.c_str());
    throw ExitRequest{1};
  }
  std::printf("%s\n", Version);
  std::printf("%s\n", Copyright);
  std::printf(help_text, name);
  throw ExitRequest{0};
}

bool parse_percentiles(const char *text, std::vector<double> &out) {
  out.clear();
  const char *p = text;
  for (;;) {
    // A plain decimal: digits with at most one point, nothing else.
    const char *start = p;
    bool digits = false, point = false;
    for (; *p != '\0' && *p != ','; ++p) {
      if (*p >= '0' && *p <= '9')
        digits = true;
      else if (*p == '.' && !point)
        point = true;
      else
        return false;
    }
    if (!digits) return false;
    const double value = std::strtod(std::string(start, p).c_str(), nullptr);
    if (value > 100.0) return false;
    out.push_back(value);
    if (*p == '\0') return true;
    ++p;
  }
}

const char *sort_string_in_effect(const Options &o) {
  if (o.flag.sort == 0 || (o.flag.covariance == 0 && o.flag.tetrad == 0)) return nullptr;
  return o.sortstring;
}

int parse_options(int argc, char **argv, Options &o) {
  std::array<option, 32> long_opts = make_long_opts(o);
  optind = 0;  // a full restart of the parser, so that it can run more than once
  for (;;) {
    int c = getopt_long(argc, argv, short_opts, long_opts.data(), nullptr);
    if (c == -1) break;
    switch (std::tolower(c)) {
      case 0:  // --debug, --more, --timer, --blas: stored through their records
        break;
      case 'a':
        o.allscores = 1;
        break;
      case 'b':
        o.flag.std = 1;
        break;
      case 'c':
        o.flag.correlation = parse_optarg("-c", optarg);
        break;
      case 'd':
        o.debug = 1;
        break;
      case 'e':
        o.flag.eigen = parse_optarg_with_value("-e", optarg, &o.scores);
        break;
      case 'f':
        o.flag.fsc = parse_optarg("-f", optarg);
        if (o.flag.fsc == 1) o.flag.eigen = 1;
        break;
      case 'h':
        o.flag.histogram = parse_optarg_with_value("-h", optarg, &o.histosize);
        break;
      case 'i':
        o.flag.inverse = 1;
        break;
      case 'l':  // accepted; the language has no effect
        break;
      case 'm':
        o.flag.mvd = parse_optarg("-m", optarg);
        break;
      case 'n':
        o.flag.scores_mean = parse_optarg("-n", optarg);
        break;
      case 'q':
        std::fputs(Copyright, stderr);
        break;
      case 's':
        o.flag.sort = 1;
        std::free(o.sortstring);
        o.sortstring = my_strdup(optarg);
        // Going on without the copy would write every result in the natural
        // order instead of the one asked for, as if nothing had happened.
        if (o.sortstring == nullptr)
          error("Not enough memory (%s, %zu)", "sortstring", std::strlen(optarg) + 1);
        break;
      case 't':
        o.flag.tetrad = parse_optarg("-t", optarg);
        break;
      case 'v':
        o.flag.covariance = parse_optarg("-v", optarg);
        break;
      case 'x':
        error("Not implemented yet!\n");
      case 'z':
        o.flag.split = parse_optarg("-z", optarg);
        break;
      case '?':
        usage(argv[0], o.more);
      case 1:  // --where
        std::fprintf(stderr, "%s\n", argv[0]);
        break;
      case 2:
        o.flag.oldtetrad = parse_optarg("--oldtetrad", optarg);
        break;
      case 3:
        o.quiet = 1;
        break;
      case 4:  // --csv[=SEP]
        o.csv = 1;
        o.csv_sep = 0;
        if (optarg != nullptr && !parse_separator(optarg, &o.csv_sep))
          error("Not a separator for --csv: \"%s\" (one byte other than a quote or a line break, or tab)\a\n",
                optarg);
        break;
      case 5:
        o.names = parse_optarg("--names", optarg);
        break;
      case 6:
        o.missing = 1;
        break;
      case 7:
        o.results_dir = optarg;
        break;
      case 8:
        if (!parse_percentiles(optarg, o.percentiles))
          error("Need a numeric argument to option %s (%s)\n", "--percentiles", optarg);
        break;
      case 9:  // --version acts at once, like the help
        std::printf("mavek %s\n%s\n", kVersionNumber, Copyright);
        throw ExitRequest{0};
      default:  // -g, -w and anything unforeseen
        error("Unknown option");
    }
  }
  return optind;
}
