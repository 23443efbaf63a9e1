// The component files of one input file: ".eig", ".fsc" and ".sco".
#pragma once

#include <cstdio>
#include <string>

#include "cli/options.h"
#include "input/datastore.h"

// ".eig": the percentages of variance (" %- 7.3f" each, by descending
// eigenvalue), the reference row falling evenly from 100/m + 1.4 to
// 100/m - 1.4 (for m = 1 the single value 101.4), and one line of loadings
// per variable ("%- 7.3f", then " %- 7.3f"). "Writing file: %s\n" unless quiet.
void write_eig(std::string &utfnamn, const DataStore &store, unsigned m, int quiet);

// ".fsc": the factor-score coefficients, the sorted eigenvalues, the standard
// deviations and the means in labelled sections, "% .7e " each.
// "Writing file: %s\n" unless quiet.
void write_fsc(std::string &utfnamn, const DataStore &store, unsigned m, int quiet);

// ".sco": the component scores of every observation, "%9.5f " each. The score
// count o.scores is first lowered to m when it exceeds m or when
// o.allscores is set; the change stays for later files.
// "Writing file: %s %d scores\n" unless o.quiet.
void write_sco(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned m, Options &o);

// The lines of ".sco" for the first `scores` components (scores <= m) onto
// f: standardised values (centred on the means when scores_mean is set)
// times the factor-score coefficients.
void write_scores(std::FILE *f, const DataStore &store, unsigned rows, unsigned m, unsigned scores,
                  int scores_mean);
