#include "stats/median.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "threads.h"

namespace {

// Keys that order doubles as integers: -0 before +0, values that are not
// numbers after everything else (all with one key). Equal keys mean equal
// values, bit for bit, except among those that are not numbers.
constexpr std::uint64_t kNanKey = ~std::uint64_t{0};

inline std::uint64_t order_key(double x) {
  if (std::isnan(x)) return kNanKey;
  const std::uint64_t b = std::bit_cast<std::uint64_t>(x);
  return (b >> 63) != 0 ? ~b : b | (std::uint64_t{1} << 63);
}

inline double key_value(std::uint64_t k) {
  return std::bit_cast<double>((k >> 63) != 0 ? k & ~(std::uint64_t{1} << 63) : ~k);
}

// The key of rank r (0-based) among the n keys at k, which are rearranged
// but keep their values. Large sets are narrowed a 16-bit digit at a time,
// from the top, before the rest is selected directly.
std::uint64_t select_rank(std::uint64_t *k, std::size_t n, std::size_t r, std::vector<std::uint32_t> &hist) {
  for (int shift = 48; n > 4096 && shift >= 0; shift -= 16) {
    hist.assign(65536, 0);
    for (std::size_t i = 0; i < n; ++i) ++hist[(k[i] >> shift) & 0xffff];
    std::size_t digit = 0;
    while (r >= hist[digit]) r -= hist[digit++];
    // The keys of that digit go to the front; the rest stay behind them.
    std::size_t w = 0;
    for (std::size_t i = 0; i < n; ++i)
      if (((k[i] >> shift) & 0xffff) == digit) std::swap(k[w++], k[i]);
    n = w;
  }
  std::nth_element(k, k + r, k + n);
  return k[r];
}

// The median of n keys, among which the middle ranks of the whole column
// are rank_lo and rank_hi (equal for an odd count, consecutive for an even
// one): the key of rank_hi, and for an even count the mean with the key of
// rank_lo. The keys are rearranged; none of them stands for a NaN.
double middle_value(std::uint64_t *k, std::size_t n, std::size_t rank_lo, std::size_t rank_hi,
                    std::vector<std::uint32_t> &digits) {
  const std::uint64_t at = select_rank(k, n, rank_hi, digits);
  if (rank_lo == rank_hi) return key_value(at);
  // The key of rank_lo: the largest key below `at` when rank_hi keys lie
  // below it, else `at` itself (it occurs more than once).
  std::uint64_t below = at;
  std::size_t less = 0;
  std::uint64_t largest = 0;
  for (std::size_t i = 0; i < n; ++i)
    if (k[i] < at) {
      ++less;
      if (k[i] > largest) largest = k[i];
    }
  if (less == rank_hi) below = largest;
  return (key_value(below) + key_value(at)) * 0.5;
}

// The first value of column `col` that is not a number, bit for bit: the
// median of a column holding one, whatever the other values are.
double first_nan(double **dd, unsigned rows, unsigned col) {
  for (unsigned r = 0; r < rows; ++r)
    if (std::isnan(dd[r][col])) return dd[r][col];
  return 0.0;  // not reached for a column known to hold one
}

// Puts the keys of the given ranks (ascending, distinct, within [begin, end))
// in their places among k[begin] .. k[end - 1], as a sort would: the middle
// rank first, then the ranks on either side of it within their own parts.
void select_ranks(std::uint64_t *k, std::size_t begin, std::size_t end, const std::size_t *ranks,
                  std::size_t count) {
  while (count > 0) {
    const std::size_t mid = count / 2;
    const std::size_t r = ranks[mid];
    std::nth_element(k + begin, k + r, k + end);
    select_ranks(k, begin, r, ranks, mid);
    begin = r + 1;
    ranks += mid + 1;
    count -= mid + 1;
  }
}

}  // namespace

void calculate_median(double **dd, unsigned rows, unsigned cols, stats *v, const RunContext &ctx,
                      std::size_t gather_keys) {
  const unsigned threads = ctx.threads;
  if (rows == 0 || cols == 0) return;
  const std::size_t h = rows / 2;
  const std::size_t lo = rows % 2 == 0 ? h - 1 : h;  // the ranks of the middle: lo and h
  // The median from the keys of ranks lo and h, as middle_value gives it.
  auto median_of = [&](std::uint64_t key_lo, std::uint64_t key_h) {
    return lo == h ? key_value(key_h) : (key_value(key_lo) + key_value(key_h)) * 0.5;
  };

  // A column can take the way through a copy of it where the copy is small.
  auto by_copy = [&](unsigned c, std::vector<std::uint64_t> &column) {
    column.resize(rows);
    bool nan = false;
    for (unsigned r = 0; r < rows; ++r) {
      column[r] = order_key(dd[r][c]);
      nan |= column[r] == kNanKey;
    }
    std::vector<std::uint32_t> digits;
    v[c].median = nan ? first_nan(dd, rows, c) : middle_value(column.data(), rows, lo, h, digits);
  };
  const int bits = cols <= 64 ? 16 : 12;
  const std::size_t buckets = std::size_t{1} << bits;
  if (rows < buckets) {
    // Short columns: their bucket counts would take more than half the
    // table's space again, and copies of them are small.
    parallel_for(threads, cols, [&](std::size_t c) {
      std::vector<std::uint64_t> column;
      by_copy(static_cast<unsigned>(c), column);
    });
    return;
  }

  // The keys of a column that may hold its middle ranks: those whose top
  // bits, the key shifted right by `shift`, lie from `first` to `last`.
  struct Middle {
    int shift = 0;
    std::uint64_t first = 0, last = 0;  // the buckets of ranks lo and h
    std::size_t below = 0;              // keys in the buckets before `first`
    std::size_t size = 0;               // keys in first .. last
  };
  std::vector<Middle> middle(cols);
  std::vector<unsigned char> nan(cols, 0);
  // Sets `mc` to the buckets of ranks lo and h among the counts `hc` of the
  // buckets that follow mc.below keys.
  auto place = [&](Middle &mc, const std::uint32_t *hc, std::size_t count, int shift, std::uint64_t base) {
    std::size_t seen = mc.below, b = 0;
    while (b + 1 < count && seen + hc[b] <= lo) seen += hc[b++];
    mc.below = seen;
    mc.first = base + b;
    while (b + 1 < count && seen + hc[b] <= h) seen += hc[b++];
    mc.last = base + b;
    mc.size = 0;
    for (std::uint64_t i = mc.first - base; i <= mc.last - base; ++i) mc.size += hc[i];
    mc.shift = shift;
  };

  // One pass over the table counts the keys of every column by their top
  // bits; that finds, for each column, the bucket or two that hold the middle
  // ranks and how many keys lie below them.
  {
    const int shift = 64 - bits;
    std::vector<std::uint32_t> hist(buckets * cols, 0);
    for (unsigned r = 0; r < rows; ++r) {
      const double *x = dd[r];
      std::uint32_t *hc = hist.data();
      for (unsigned c = 0; c < cols; ++c, hc += buckets) {
        const std::uint64_t k = order_key(x[c]);
        ++hc[k >> shift];
        nan[c] |= k == kNanKey;
      }
    }
    for (unsigned c = 0; c < cols; ++c) place(middle[c], hist.data() + c * buckets, buckets, shift, 0);
  }

  // Gathers the keys of the middle buckets of `columns` in one pass over the
  // table and selects their medians. Each key is written to its column's
  // next free place and the place is taken only when the key belongs there,
  // which spares the processor a guess per value; one spare place a column
  // takes the last write.
  auto gather = [&](const std::vector<unsigned> &columns) {
    const std::size_t ng = columns.size();
    if (ng == 0) return;
    std::vector<std::size_t> offset(ng + 1, 0);
    for (std::size_t g = 0; g < ng; ++g) offset[g + 1] = offset[g] + middle[columns[g]].size + 1;
    std::vector<std::uint64_t> keys(offset[ng]);
    std::vector<std::uint64_t *> next(ng);
    std::vector<std::uint64_t> first(ng), span(ng);
    std::vector<int> shift(ng);
    for (std::size_t g = 0; g < ng; ++g) {
      const Middle &mc = middle[columns[g]];
      next[g] = keys.data() + offset[g];
      first[g] = mc.first;
      span[g] = mc.last - mc.first;
      shift[g] = mc.shift;
    }
    // The columns' buckets are mostly of one size, which the loop then
    // takes as a constant.
    auto pass = [&](auto shift_of) {
      for (unsigned r = 0; r < rows; ++r) {
        const double *x = dd[r];
        for (std::size_t g = 0; g < ng; ++g) {
          const std::uint64_t k = order_key(x[columns[g]]);
          *next[g] = k;
          next[g] += ((k >> shift_of(g)) - first[g]) <= span[g];  // unsigned: below `first` wraps to large
        }
      }
    };
    const int top = 64 - bits;
    if (std::all_of(shift.begin(), shift.end(), [&](int sh) { return sh == top; }))
      pass([&](std::size_t) { return top; });
    else
      pass([&](std::size_t g) { return shift[g]; });
    parallel_for(threads, ng, [&](std::size_t g) {
      const unsigned c = columns[g];
      const Middle &mc = middle[c];
      std::vector<std::uint32_t> digits;  // made only when the buckets are large enough to need it
      v[c].median = middle_value(keys.data() + offset[g], mc.size, lo - mc.below, h - mc.below, digits);
    });
  };

  // The keys gathered take a bounded space (about 16 MB): as many columns
  // as fit it go first. Each of the others is copied, one at a time, where
  // a copy of the column fits that space; otherwise its middle buckets are
  // narrowed below.
  std::vector<unsigned> gathered, copied, wide;
  std::size_t room = gather_keys;
  for (unsigned c = 0; c < cols; ++c) {
    if (nan[c] != 0) {
      v[c].median = first_nan(dd, rows, c);
    } else if (middle[c].size <= room) {
      room -= middle[c].size;
      gathered.push_back(c);
    } else {
      (rows <= gather_keys ? copied : wide).push_back(c);
    }
  }
  gather(gathered);
  {
    std::vector<std::uint64_t> column;
    for (unsigned c : copied) by_copy(c, column);
  }

  // A column whose middle buckets hold more keys than its share of that
  // space is narrowed, all such columns in one pass over the table a step:
  // - ranks lo and h in different buckets have no key between them: they
  //   are the largest key below the bucket of h and the smallest from it;
  // - both in one bucket of a single key value are that value;
  // - both in one wider bucket: its keys are counted by their next bits.
  const std::size_t share = gather_keys / cols;
  gathered.clear();
  while (!wide.empty()) {
    std::vector<unsigned> split, narrow;
    for (unsigned c : wide) {
      const Middle &mc = middle[c];
      if (mc.first != mc.last)
        split.push_back(c);
      else if (mc.shift == 0)
        v[c].median = median_of(mc.first, mc.first);
      else
        narrow.push_back(c);
    }
    if (!split.empty()) {
      const std::size_t ns = split.size();
      std::vector<std::uint64_t> edge(ns), largest_below(ns, 0), smallest_from(ns, kNanKey);
      for (std::size_t g = 0; g < ns; ++g) edge[g] = middle[split[g]].last << middle[split[g]].shift;
      for (unsigned r = 0; r < rows; ++r) {
        const double *x = dd[r];
        for (std::size_t g = 0; g < ns; ++g) {
          const std::uint64_t k = order_key(x[split[g]]);
          if (k < edge[g])
            largest_below[g] = std::max(largest_below[g], k);
          else
            smallest_from[g] = std::min(smallest_from[g], k);
        }
      }
      for (std::size_t g = 0; g < ns; ++g) v[split[g]].median = median_of(largest_below[g], smallest_from[g]);
    }
    wide.clear();
    if (narrow.empty()) break;
    const std::size_t nn = narrow.size();
    std::vector<int> step(nn);
    for (std::size_t g = 0; g < nn; ++g) step[g] = std::min(bits, middle[narrow[g]].shift);
    std::vector<std::uint32_t> hist(buckets * nn, 0);
    for (unsigned r = 0; r < rows; ++r) {
      const double *x = dd[r];
      for (std::size_t g = 0; g < nn; ++g) {
        const Middle &mc = middle[narrow[g]];
        const std::uint64_t k = order_key(x[narrow[g]]);
        const int below = mc.shift - step[g];
        if ((k >> mc.shift) == mc.first)
          ++hist[g * buckets + ((k >> below) & ((std::uint64_t{1} << step[g]) - 1))];
      }
    }
    for (std::size_t g = 0; g < nn; ++g) {
      Middle &mc = middle[narrow[g]];
      const int below = mc.shift - step[g];
      place(mc, hist.data() + g * buckets, std::size_t{1} << step[g], below, mc.first << step[g]);
      (mc.size <= share ? gathered : wide).push_back(narrow[g]);
    }
  }
  gather(gathered);
}

std::vector<double> calculate_percentiles(double **dd, unsigned rows, unsigned cols,
                                          const std::vector<double> &percent, const RunContext &ctx) {
  const std::size_t np = percent.size();
  std::vector<double> q(static_cast<std::size_t>(cols) * np);
  if (rows == 0 || np == 0) return q;
  // Where each percentile falls: h, its whole part, and the ranks needed.
  std::vector<double> h(np), whole(np);
  std::vector<std::size_t> ranks;
  for (std::size_t j = 0; j < np; ++j) {
    const double p = percent[j] / 100.0;
    h[j] = static_cast<double>(rows - 1) * p;
    whole[j] = std::floor(h[j]);
    ranks.push_back(static_cast<std::size_t>(whole[j]));
    // h <= rows - 1, so a fraction leaves room for the next rank.
    if (h[j] != whole[j]) ranks.push_back(static_cast<std::size_t>(whole[j]) + 1);
  }
  std::sort(ranks.begin(), ranks.end());
  ranks.erase(std::unique(ranks.begin(), ranks.end()), ranks.end());

  parallel_for(ctx.threads, cols, [&](std::size_t c) {
    double *out = q.data() + c * np;
    std::vector<std::uint64_t> column(rows);
    for (unsigned r = 0; r < rows; ++r) {
      column[r] = order_key(dd[r][c]);
      if (column[r] == kNanKey) {
        std::fill(out, out + np, first_nan(dd, rows, static_cast<unsigned>(c)));
        return;
      }
    }
    select_ranks(column.data(), 0, rows, ranks.data(), ranks.size());
    for (std::size_t j = 0; j < np; ++j) {
      const std::size_t lo = static_cast<std::size_t>(whole[j]);
      const double x = key_value(column[lo]);
      if (h[j] == whole[j]) {
        out[j] = x;
        continue;
      }
      const double next = key_value(column[lo + 1]);
      out[j] = next == x ? x : x + (h[j] - whole[j]) * (next - x);
    }
  });
  return q;
}
