// Resample: area averaging for true-colour reductions in both directions,
// bilinear interpolation for everything else. The arithmetic (weights in
// thousandths, single-precision factors, the order of the rounding steps) is
// kept exactly as the movie's slide pictures have always been produced.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/raster_image.h"
#include "image/resample_avx2.h"

namespace orv {
namespace {

__extension__ using Wide = unsigned __int128;

// Exact floor(n / d) for every 0 <= n < 2^63 and d >= 2 by one
// multiplication: with l = ceil(log2 d) and m = ceil(2^(63+l) / d) (below
// 2^64), the error n(m - 2^(63+l)/d) / 2^(63+l) stays under 1/d and never
// reaches the next integer (Granlund and Montgomery). 63 + l >= 64, so the
// result is the high half of the product shifted by l - 1.
class Divider {
 public:
  explicit Divider(std::uint64_t divisor)
      : shift_(std::bit_width(divisor - 1) - 1),
        multiplier_(static_cast<std::uint64_t>(((Wide{1} << (64 + shift_)) + divisor - 1) / divisor)) {}
  std::uint64_t operator()(std::uint64_t n) const {
    return static_cast<std::uint64_t>((static_cast<Wide>(n) * multiplier_) >> 64) >> shift_;
  }

 private:
  int shift_;
  std::uint64_t multiplier_;
};

// The same for 0 <= n < 2^31 and 2 <= d <= 2^32 with m = ceil(2^(31+l) / d),
// at most 2^32: the product stays within 64 bits.
class NarrowDivider {
 public:
  explicit NarrowDivider(std::uint64_t divisor)
      : shift_(31 + std::bit_width(divisor - 1)), multiplier_(((std::uint64_t{1} << shift_) + divisor - 1) / divisor) {}
  std::uint64_t operator()(std::uint64_t n) const { return (n * multiplier_) >> shift_; }

 private:
  int shift_;
  std::uint64_t multiplier_;
};

// A boundary weight in thousandths, truncated. The fraction is below 1 by
// construction; the clamp only keeps the 32-bit products below safe.
std::int32_t Weight(double fraction) {
  const auto w = static_cast<std::int32_t>(std::clamp(fraction, 0.0, 1.0) * 1000);
  return w;
}

// Area averaging, as one pass over the source with running accumulators
// would do it: a source pixel at a cell boundary is shared between two output
// cells in thousandths (truncated), the boundaries falling where the running
// sum of the single-precision scale factor (in double) passes a pixel. Where
// a shared row meets a shared column the pixel's four parts are each
// truncated after /1000 on their own; every other part is exact. So
// 1000 x a cell's sum = sum of (row weight x column weight x value) minus the
// thousandths those four-way splits drop, which lets the rows be summed first
// (vectorised, weights per row) and the columns after.

// Where one axis is cut: the source positions shared by two output cells and
// the thousandths of each that belong to the later cell.
struct Cuts {
  std::vector<std::int32_t> at;
  std::vector<std::int32_t> weight;
  std::int32_t Count() const { return static_cast<std::int32_t>(at.size()); }
};

Cuts FindCuts(std::int32_t size, double scale) {
  Cuts cuts;
  double end = scale - 1.0;
  for (std::int32_t n = 0; n < size; ++n) {
    if (n < end) continue;
    cuts.at.push_back(n);
    cuts.weight.push_back(Weight(n - end));
    end += scale;
  }
  return cuts;
}

// One output cell along an axis: the shared pixel before it and the
// thousandths it takes of it, the whole pixels [begin, end), and the shared
// pixel that closes it. A missing shared pixel has weight 0.
struct Cell {
  std::int32_t first = 0;
  std::int32_t firstWeight = 0;
  std::int32_t begin = 0;
  std::int32_t end = 0;
  std::int32_t last = 0;
  std::int32_t lastWeight = 0;
};

// Cells past the one after the last cut are never reached and stay empty.
std::vector<Cell> Cells(const Cuts& cuts, std::int32_t size, std::int32_t count) {
  std::vector<Cell> cells(static_cast<std::size_t>(count));
  const std::int32_t n = cuts.Count();
  for (std::int32_t t = 0; t < count && t <= n; ++t) {
    Cell& cell = cells[static_cast<std::size_t>(t)];
    if (t > 0) {
      cell.first = cuts.at[static_cast<std::size_t>(t - 1)];
      cell.firstWeight = cuts.weight[static_cast<std::size_t>(t - 1)];
      cell.begin = cell.first + 1;
    }
    cell.end = size;
    if (t < n) {
      cell.end = cell.last = cuts.at[static_cast<std::size_t>(t)];
      cell.lastWeight = 1000 - cuts.weight[static_cast<std::size_t>(t)];
    }
  }
  return cells;
}

// A shared column whose split is inexact: its cell and its own thousandths.
struct SharedColumn {
  std::int32_t cell;
  std::int32_t x;
  std::int32_t own;
};

// The columns as a filter of a fixed number of taps per output cell, the
// same for every cell so the loop over them has no data-dependent length:
// cell t weighs sum columns start[t] ... start[t] + taps - 1.
struct ColumnFilter {
  std::int32_t taps = 0;
  std::vector<std::int32_t> start;
  std::vector<std::int32_t> weights;  // taps per cell; 0 where the cell ends early
};

ColumnFilter MakeColumnFilter(const std::vector<Cell>& cells) {
  ColumnFilter filter;
  const auto from = [](const Cell& cell) { return cell.firstWeight != 0 ? cell.first : cell.begin; };
  const auto to = [](const Cell& cell) { return cell.lastWeight != 0 ? cell.last + 1 : cell.end; };
  for (const Cell& cell : cells) filter.taps = std::max(filter.taps, to(cell) - from(cell));
  for (const Cell& cell : cells) {
    const std::int32_t start = from(cell);
    filter.start.push_back(start);
    for (std::int32_t k = 0; k < filter.taps; ++k) {
      const std::int32_t x = start + k;
      std::int32_t weight = x >= cell.begin && x < cell.end ? 1000 : 0;
      if (cell.firstWeight != 0 && x == cell.first) weight = cell.firstWeight;
      if (cell.lastWeight != 0 && x == cell.last) weight = cell.lastWeight;
      filter.weights.push_back(weight);
    }
  }
  return filter;
}

struct AreaPlan {
  std::vector<Cell> columns;
  ColumnFilter filter;
  std::vector<Cell> rows;
  std::vector<SharedColumn> inexact;
  std::int32_t columnCuts = 0;
  std::int32_t rowCuts = 0;
  std::int32_t outputWidth = 0;
  std::int32_t outputHeight = 0;
  // The largest sums of weights of one cell: they bound every sum below.
  std::int64_t heaviestRow = 0;
  std::int64_t heaviestColumn = 0;
  std::uint64_t divisor = 0;  // 1000 x the single-precision cell area in thousandths
  bool drops = true;          // whether any four-way split drops thousandths
};

// Whether some shared row weight times some inexact column weight is not a
// multiple of 1000. Too many distinct weights to pair up: assume it is.
bool DropsAnything(const std::vector<Cell>& rows, std::int32_t rowCuts, const std::vector<SharedColumn>& inexact) {
  std::vector<bool> seenRow(1001, false);
  std::vector<bool> seenColumn(1001, false);
  std::vector<std::int32_t> rowWeights;
  std::vector<std::int32_t> columnWeights;
  for (std::int32_t v = 0; v < rowCuts && v < static_cast<std::int32_t>(rows.size()); ++v) {
    const std::int32_t weight = rows[static_cast<std::size_t>(v)].lastWeight;
    if (!seenRow[static_cast<std::size_t>(weight)]) rowWeights.push_back(weight);
    seenRow[static_cast<std::size_t>(weight)] = true;
  }
  for (const SharedColumn& shared : inexact) {
    if (!seenColumn[static_cast<std::size_t>(shared.own)]) columnWeights.push_back(shared.own);
    seenColumn[static_cast<std::size_t>(shared.own)] = true;
  }
  if (rowWeights.size() * columnWeights.size() > 4096) return true;
  for (const std::int32_t r : rowWeights) {
    for (const std::int32_t c : columnWeights) {
      if (r * c % 1000 != 0) return true;
    }
  }
  return false;
}

std::int64_t HeaviestCell(const std::vector<Cell>& cells) {
  std::int64_t heaviest = 0;
  for (const Cell& cell : cells) {
    heaviest = std::max<std::int64_t>(
        heaviest, cell.firstWeight + 1000 * static_cast<std::int64_t>(cell.end - cell.begin) + cell.lastWeight);
  }
  return heaviest;
}

AreaPlan PlanAreaShrink(std::int32_t w, std::int32_t h, std::int32_t nw, std::int32_t nh, float xsF, float ysF) {
  AreaPlan plan;
  const Cuts columnCuts = FindCuts(w, xsF);
  const Cuts rowCuts = FindCuts(h, ysF);
  plan.columns = Cells(columnCuts, w, nw);
  plan.filter = MakeColumnFilter(plan.columns);
  plan.rows = Cells(rowCuts, h, nh);
  plan.columnCuts = columnCuts.Count();
  plan.rowCuts = rowCuts.Count();
  plan.outputWidth = nw;
  plan.outputHeight = nh;
  for (std::int32_t t = 0; t < plan.columnCuts; ++t) {
    const std::int32_t weight = columnCuts.weight[static_cast<std::size_t>(t)];
    if (weight != 0) plan.inexact.push_back({t, columnCuts.at[static_cast<std::size_t>(t)], 1000 - weight});
  }
  plan.drops = DropsAnything(plan.rows, plan.rowCuts, plan.inexact);
  plan.heaviestRow = HeaviestCell(plan.rows);
  plan.heaviestColumn = HeaviestCell(plan.columns);
  const auto scaleSum = static_cast<std::int64_t>(ysF * xsF * 1000.0f);
  plan.divisor = 1000 * static_cast<std::uint64_t>(scaleSum);
  return plan;
}

// Both factors fit 16 bits, which lets the compiler use 16-bit multiplies.
template <typename Acc>
void AddWeightedRow(const std::uint8_t* __restrict source, std::size_t length, std::int32_t weight,
                    Acc* __restrict sum) {
  const auto w16 = static_cast<std::int16_t>(weight);
  for (std::size_t n = 0; n < length; ++n) sum[n] += static_cast<Acc>(w16 * static_cast<std::int16_t>(source[n]));
}

#if defined(__SSE2__)
// The bytes of the two rows interleaved as 16-bit pairs: one multiply-add
// gives four weighted sums. Returns how many channels it did.
std::size_t SetWeightedRowsPaired(const std::uint8_t* a, std::int32_t weightA, const std::uint8_t* b,
                                  std::int32_t weightB, std::size_t length, std::int32_t* sum) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i weights = _mm_set1_epi32(
      static_cast<int>((static_cast<std::uint32_t>(weightB) << 16) | static_cast<std::uint32_t>(weightA)));
  std::size_t n = 0;
  for (; n + 16 <= length; n += 16) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + n));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + n));
    const __m128i aLow = _mm_unpacklo_epi8(va, zero);
    const __m128i aHigh = _mm_unpackhi_epi8(va, zero);
    const __m128i bLow = _mm_unpacklo_epi8(vb, zero);
    const __m128i bHigh = _mm_unpackhi_epi8(vb, zero);
    auto* out = reinterpret_cast<__m128i*>(sum + n);
    _mm_storeu_si128(out, _mm_madd_epi16(_mm_unpacklo_epi16(aLow, bLow), weights));
    _mm_storeu_si128(out + 1, _mm_madd_epi16(_mm_unpackhi_epi16(aLow, bLow), weights));
    _mm_storeu_si128(out + 2, _mm_madd_epi16(_mm_unpacklo_epi16(aHigh, bHigh), weights));
    _mm_storeu_si128(out + 3, _mm_madd_epi16(_mm_unpackhi_epi16(aHigh, bHigh), weights));
  }
  return n;
}
#endif

template <typename Acc>
void SetWeightedRows(const std::uint8_t* __restrict a, std::int32_t weightA, const std::uint8_t* __restrict b,
                     std::int32_t weightB, std::size_t length, Acc* __restrict sum) {
  const auto wa = static_cast<std::int16_t>(weightA);
  const auto wb = static_cast<std::int16_t>(weightB);
  std::size_t n = 0;
#if defined(__SSE2__)
  if constexpr (std::is_same_v<Acc, std::int32_t>) n = SetWeightedRowsPaired(a, weightA, b, weightB, length, sum);
#endif
  for (; n < length; ++n) {
    sum[n] =
        static_cast<Acc>(wa * static_cast<std::int16_t>(a[n])) + static_cast<Acc>(wb * static_cast<std::int16_t>(b[n]));
  }
}

struct WeightedRow {
  const std::uint8_t* pixels;
  std::int32_t weight;
};

// Sum over the cell's rows of row weight x value, per source channel: the
// first two rows set the sums in one pass, the rest add to them.
template <typename Acc>
void SumRows(const RasterImage& source, const Cell& row, std::size_t length, std::vector<WeightedRow>& rows, Acc* sum) {
  rows.clear();
  if (row.firstWeight != 0) rows.push_back({source.Row(static_cast<std::uint32_t>(row.first)), row.firstWeight});
  for (std::int32_t y = row.begin; y < row.end; ++y) rows.push_back({source.Row(static_cast<std::uint32_t>(y)), 1000});
  if (row.lastWeight != 0) rows.push_back({source.Row(static_cast<std::uint32_t>(row.last)), row.lastWeight});
  if (rows.empty()) {
    std::fill(sum, sum + length, Acc{0});
    return;
  }
  if (rows.size() == 1) rows.push_back({rows[0].pixels, 0});
  SetWeightedRows(rows[0].pixels, rows[0].weight, rows[1].pixels, rows[1].weight, length, sum);
  for (std::size_t n = 2; n < rows.size(); ++n) AddWeightedRow(rows[n].pixels, length, rows[n].weight, sum);
}

// What the four-way split of each inexact shared pixel of a shared row drops:
// for P = row part x own column part x value, the part in this cell drops
// P mod 1000, the three others (each a multiple of 1000 minus or plus P)
// drop 1000 - that or that again.
void AddDropped(const std::uint8_t* row, std::int32_t rowWeight, const std::vector<SharedColumn>& inexact,
                std::int32_t* here, std::int32_t* next) {
  for (const SharedColumn& shared : inexact) {
    // Only the weight modulo 1000 matters; for the simple factors slides
    // are fitted with it is mostly 0 and nothing is dropped. Unsigned, the
    // remainders need no sign fix-up.
    const auto weight = static_cast<std::uint32_t>(rowWeight * shared.own) % 1000u;
    if (weight == 0) continue;
    const std::uint8_t* s = row + 3 * static_cast<std::size_t>(shared.x);
    std::int32_t* h = here + 3 * static_cast<std::size_t>(shared.cell);
    std::int32_t* n = next + 3 * static_cast<std::size_t>(shared.cell);
    for (std::size_t j = 0; j < 3; ++j) {
      const auto dropped = static_cast<std::int32_t>(weight * s[j] % 1000u);
      const std::int32_t rest = dropped == 0 ? 0 : 1000 - dropped;
      h[j] += dropped;
      h[j + 3] += rest;
      n[j] += rest;
      n[j + 3] += dropped;
    }
  }
}

// Taps is the filter's tap count when known at compile time (the loop over
// them unrolled), 0 otherwise.
template <std::size_t Taps, bool Drops, typename Acc, typename Divide>
void WriteCells(const Acc* sum, const AreaPlan& plan, const Divide& divide, std::int32_t count,
                const std::int32_t* dropped, std::uint8_t* out) {
  const std::size_t taps = Taps != 0 ? Taps : static_cast<std::size_t>(plan.filter.taps);
  const std::int32_t* weight = plan.filter.weights.data();
  for (std::int32_t t = 0; t < count; ++t, out += 3, dropped += 3, weight += taps) {
    const Acc* s = sum + 3 * static_cast<std::size_t>(plan.filter.start[static_cast<std::size_t>(t)]);
    std::int64_t total[3] = {0, 0, 0};
    if constexpr (Drops) {
      for (std::size_t j = 0; j < 3; ++j) total[j] = -dropped[j];
    }
    for (std::size_t k = 0; k < taps; ++k, s += 3) {
      total[0] += std::int64_t{weight[k]} * s[0];
      total[1] += std::int64_t{weight[k]} * s[1];
      total[2] += std::int64_t{weight[k]} * s[2];
    }
    for (std::size_t j = 0; j < 3; ++j) {
      out[j] = static_cast<std::uint8_t>(divide(static_cast<std::uint64_t>(total[j])));
    }
  }
}

// Two taps cover reductions by up to 1.5 at least, three up to 2.
template <typename Acc, typename Divide>
void WriteRow(const Acc* sum, const AreaPlan& plan, const Divide& divide, std::int32_t count,
              const std::int32_t* dropped, std::uint8_t* out) {
  if (plan.filter.taps == 2 && !plan.drops) {
    WriteCells<2, false>(sum, plan, divide, count, dropped, out);
  } else if (plan.filter.taps == 2) {
    WriteCells<2, true>(sum, plan, divide, count, dropped, out);
  } else if (plan.filter.taps == 3 && !plan.drops) {
    WriteCells<3, false>(sum, plan, divide, count, dropped, out);
  } else if (plan.filter.taps == 3) {
    WriteCells<3, true>(sum, plan, divide, count, dropped, out);
  } else {
    WriteCells<0, true>(sum, plan, divide, count, dropped, out);
  }
}

// Output rows past the one after the last row cut are never written; a cell
// row closed by a cut writes the cells up to the one after the last column
// cut, the final one all of them.
template <typename Acc, typename Divide>
void AreaShrinkWith(const RasterImage& source, RasterImage& target, const AreaPlan& plan) {
  const Divide divide(plan.divisor);
  const std::size_t length = 3 * static_cast<std::size_t>(source.Width());
  const std::size_t cells = 3 * static_cast<std::size_t>(plan.outputWidth + 1);
  // Taps past the right edge read zeros with weight 0.
  std::vector<Acc> sum(length + 3 * static_cast<std::size_t>(plan.filter.taps), 0);
  std::vector<WeightedRow> rowsOfCell;
  std::vector<std::int32_t> droppedHere(cells, 0);
  std::vector<std::int32_t> droppedNext(cells, 0);
  const std::int32_t rows = std::min(plan.rowCuts + 1, plan.outputHeight);
  const std::int32_t partial = std::min(plan.outputWidth, plan.columnCuts + 1);
  // 32-bit sums only: their totals stay below 2^31.
  const bool wide = std::is_same_v<Acc, std::int32_t> && AreaColumnsOnAvx2();
  for (std::int32_t v = 0; v < rows; ++v) {
    const Cell& row = plan.rows[static_cast<std::size_t>(v)];
    SumRows(source, row, length, rowsOfCell, sum.data());
    const bool cut = v < plan.rowCuts;
    if (plan.drops && cut && row.lastWeight != 1000) {
      AddDropped(source.Row(static_cast<std::uint32_t>(row.last)), row.lastWeight, plan.inexact, droppedHere.data(),
                 droppedNext.data());
    }
    const std::int32_t count = cut ? partial : plan.outputWidth;
    std::uint8_t* out = target.Row(static_cast<std::uint32_t>(v));
    if constexpr (std::is_same_v<Acc, std::int32_t>) {
      if (wide) {
        // The dropped thousandths are all zero when nothing drops.
        WriteAreaRowAvx2(sum.data(), plan.filter.start.data(), plan.filter.weights.data(),
                         static_cast<std::size_t>(plan.filter.taps), static_cast<std::size_t>(count),
                         droppedHere.data(), plan.divisor, out);
      } else {
        WriteRow(sum.data(), plan, divide, count, droppedHere.data(), out);
      }
    } else {
      WriteRow(sum.data(), plan, divide, count, droppedHere.data(), out);
    }
    if (plan.drops) {
      std::swap(droppedHere, droppedNext);
      std::fill(droppedNext.begin(), droppedNext.end(), 0);
    }
  }
}

void AreaShrink(const RasterImage& source, RasterImage& target, float xsF, float ysF) {
  const AreaPlan plan = PlanAreaShrink(source.Width(), source.Height(), target.Width(), target.Height(), xsF, ysF);
  // 32-bit sums and a 64-bit product per division whenever no cell's sum
  // can reach 2^31, which is every reduction by less than about 2.9.
  constexpr std::int64_t kNarrow = std::int64_t{1} << 31;
  if (255 * plan.heaviestRow * plan.heaviestColumn < kNarrow && plan.divisor <= (std::uint64_t{1} << 32)) {
    AreaShrinkWith<std::int32_t, NarrowDivider>(source, target, plan);
  } else {
    AreaShrinkWith<std::int64_t, Divider>(source, target, plan);
  }
}

struct Sample {
  std::int32_t low;
  std::int32_t high;
  float fraction;
};

std::vector<Sample> BilinearSamples(std::int32_t count, float scale, std::int32_t sourceSize) {
  std::vector<Sample> samples(static_cast<std::size_t>(count));
  for (std::int32_t n = 0; n < count; ++n) {
    const float f = static_cast<float>(n) * scale;
    auto low = static_cast<std::int32_t>(f);
    const float fraction = f - static_cast<float>(low);
    low = std::min(low, sourceSize - 1);  // never beyond the picture, whatever the rounding
    samples[static_cast<std::size_t>(n)] = {low, std::min(low + 1, sourceSize - 1), fraction};
  }
  return samples;
}

// Single precision throughout, the vertical blend before the horizontal one,
// truncated: the values the slide pictures have always had.
std::uint8_t Blend(std::uint8_t c1, std::uint8_t c2, std::uint8_t c3, std::uint8_t c4, float dx, float dy) {
  const float t1 = static_cast<float>(c1) * (1 - dy) + static_cast<float>(c3) * dy;
  const float t2 = static_cast<float>(c2) * (1 - dy) + static_cast<float>(c4) * dy;
  return static_cast<std::uint8_t>(static_cast<int>(t1 * (1 - dx) + t2 * dx));
}

void BilinearTrueColour(const RasterImage& source, RasterImage& target, const std::vector<Sample>& columns,
                        const std::vector<Sample>& rows) {
  for (std::int32_t y = 0; y < target.Height(); ++y) {
    const Sample& row = rows[static_cast<std::size_t>(y)];
    const std::uint8_t* low = source.Row(static_cast<std::uint32_t>(row.low));
    const std::uint8_t* high = source.Row(static_cast<std::uint32_t>(row.high));
    std::uint8_t* out = target.Row(static_cast<std::uint32_t>(y));
    for (const Sample& column : columns) {
      const std::size_t left = 3 * static_cast<std::size_t>(column.low);
      const std::size_t right = 3 * static_cast<std::size_t>(column.high);
      for (std::size_t j = 0; j < 3; ++j) {
        *out++ = Blend(low[left + j], low[right + j], high[left + j], high[right + j], column.fraction, row.fraction);
      }
    }
  }
}

void BilinearPalette(const RasterImage& source, RasterImage& target, const std::vector<Sample>& columns,
                     const std::vector<Sample>& rows) {
  for (std::int32_t y = 0; y < target.Height(); ++y) {
    const Sample& row = rows[static_cast<std::size_t>(y)];
    for (std::int32_t x = 0; x < target.Width(); ++x) {
      const Sample& column = columns[static_cast<std::size_t>(x)];
      const Bgra c1 = source.PaletteColor(source.PixelIndex(column.low, row.low));
      const Bgra c2 = source.PaletteColor(source.PixelIndex(column.high, row.low));
      const Bgra c3 = source.PaletteColor(source.PixelIndex(column.low, row.high));
      const Bgra c4 = source.PaletteColor(source.PixelIndex(column.high, row.high));
      const float dx = column.fraction;
      const float dy = row.fraction;
      target.SetPixelColor(
          x, y,
          Bgra{Blend(c1.blue, c2.blue, c3.blue, c4.blue, dx, dy), Blend(c1.green, c2.green, c3.green, c4.green, dx, dy),
               Blend(c1.red, c2.red, c3.red, c4.red, dx, dy), 0});
    }
  }
}

void BilinearResample(const RasterImage& source, RasterImage& target, float xs, float ys) {
  const auto columns = BilinearSamples(target.Width(), xs, source.Width());
  const auto rows = BilinearSamples(target.Height(), ys, source.Height());
  if (source.BitsPerPixel() == 24) {
    BilinearTrueColour(source, target, columns, rows);
  } else {
    BilinearPalette(source, target, columns, rows);
  }
}

}  // namespace

bool RasterImage::Resample(std::int64_t newWidth, std::int64_t newHeight, int /*method*/) {
  if (block_ == nullptr || newWidth <= 0 || newHeight <= 0) return false;
  const std::int32_t w = header_.biWidth;
  const std::int32_t h = header_.biHeight;
  if (newWidth == w && newHeight == h) return true;
  const auto xs = static_cast<float>(static_cast<double>(w) / static_cast<double>(newWidth));
  const auto ys = static_cast<float>(static_cast<double>(h) / static_cast<double>(newHeight));

  RasterImage resized(info_.format);
  resized.info_ = info_;
  resized.header_.biXPelsPerMeter = header_.biXPelsPerMeter;
  resized.header_.biYPelsPerMeter = header_.biYPelsPerMeter;
  if (resized.Create(newWidth, newHeight, header_.biBitCount, info_.format) == nullptr) {
    SetLastError("Can't allocate memory");
    return false;
  }
  resized.SetPalette(Palette(), header_.biClrUsed);

  if (newWidth < w && newHeight < h && header_.biBitCount == 24) {
    AreaShrink(*this, resized, xs, ys);
  } else {
    BilinearResample(*this, resized, xs, ys);
  }
  TakeOver(resized);
  return true;
}

}  // namespace orv
