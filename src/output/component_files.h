// The component files of one input file: ".eig", ".fsc" and ".sco".
#pragma once

#include <cstdio>
#include <string>

#include "components/scores.h"
#include "output/outbuf.h"
#include "reporter.h"
#include "tables/datastore.h"

// ".eig": the percentages of variance (" %- 7.3f" each, by descending
// eigenvalue), the reference row ("%- 7.3f", then " %- 7.3f") and one line of
// loadings per variable in the same layout. "Writing file: %s\n" unless --quiet.
void write_eig(std::string &utfnamn, const DataStore &store, unsigned m, const Reporter &report);

// ".fsc": the factor-score coefficients, the sorted eigenvalues, the standard
// deviations and the means in labelled sections, "% .7e " each.
// "Writing file: %s\n" unless --quiet.
void write_fsc(std::string &utfnamn, const DataStore &store, unsigned m, const Reporter &report);

// ".sco": `scores` component scores (at most m) of every observation, "%9.5f "
// each, centred on the means with scores_mean, computed and formatted on up
// to `threads` threads with the same bytes.
// "Writing file: %s %d scores\n" unless --quiet.
void write_sco(std::string &utfnamn, const DataStore &store, unsigned rows, unsigned m, unsigned scores,
               int scores_mean, const Reporter &report, unsigned threads = 1);

// The lines of ".sco", one per observation, onto `out`.
void write_scores(OutBuf &out, const ComponentScores &scores, unsigned rows, unsigned threads = 1);
