// The eigen solver's loops transcribed element by element, with column access
// on row-pointer tables: the yardstick that the fast solver must match bit for
// bit, shared by the tests and the benchmark.
#pragma once

#include <cmath>

// The solver's loops transcribed element by element: the yardstick for the
// fast solver, which must give the same bits. Returns the number of rotations.
inline unsigned long long reference_mateig(double **a, double **s, int n) {
  const double zero = 1e-13;
  unsigned long long rotations = 0;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) s[i][j] = 0.0;
    s[i][i] = 1.0;
  }
  double anorm = 0.0;
  for (int c = 0; c < n; ++c)
    for (int r = 0; r < n; ++r)
      if (r != c) anorm += a[r][c] * a[r][c];
  anorm = std::sqrt(anorm);
  if (anorm == 0.0 || !std::isfinite(anorm)) return 0;
  const double fnorm = anorm * 1e-6;
  do {
    anorm = anorm / n;
    int in;
    do {
      in = 0;
      for (int iq = 1; iq < n; ++iq) {
        for (int ip = 0; ip < iq; ++ip) {
          if (std::fabs(a[ip][iq]) - anorm < 0) continue;
          const int p = ip;
          const int q = iq;
          const double x = 0.5 * (a[p][p] - a[q][q]);
          double y = -a[p][q] / std::sqrt(a[p][q] * a[p][q] + x * x);
          if (zero > x) y = -y;
          const double snn = y / std::sqrt(2 * (1 + std::sqrt(1 - y * y)));
          const double snn2 = snn * snn;
          const double csn = std::sqrt(1 - snn2);
          for (int k = 0; k < n; ++k) {
            double t = s[k][p];
            double u = s[k][q];
            s[k][q] = snn * t + csn * u;
            s[k][p] = t * csn - u * snn;
            if (k != p && k != q) {
              t = a[k][p];
              u = a[k][q];
              a[k][q] = snn * t + csn * u;
              a[k][p] = t * csn - u * snn;
            }
          }
          const double app = a[p][p];
          const double aqq = a[q][q];
          const double apq = a[p][q];
          const double csn2 = csn * csn;
          const double stc = csn * snn;
          a[p][q] = (app - aqq) * stc + (csn2 - snn2) * apq;
          a[q][p] = a[p][q];
          a[p][p] = csn2 * app + snn2 * aqq + (apq * -2) * stc;
          a[q][q] = snn2 * app + csn2 * aqq + stc * (2 * apq);
          for (int l = 0; l < n; ++l) {
            a[p][l] = a[l][p];
            a[q][l] = a[l][q];
          }
          in = 1;
          ++rotations;
        }
      }
    } while (in);
  } while (anorm - fnorm > 0);
  return rotations;
}
