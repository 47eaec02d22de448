// Oracle copy of the resampling code as it was before the fast version.
// Do not edit the algorithm bodies: their exact output is the reference.
#include "resample_reference.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace orv::oracle {
namespace {

// Exact truncating division by a fixed positive divisor: a floating-point
// estimate corrected by one step. A hardware 64-bit division per output
// channel was the largest cost of a slide reduction.
class FixedDivisor {
 public:
  explicit FixedDivisor(std::int64_t divisor) : divisor_(divisor), inverse_(1.0 / static_cast<double>(divisor)) {}
  std::int64_t operator()(std::int64_t n) const {
    auto q = static_cast<std::int64_t>(static_cast<double>(n) * inverse_);
    if (q * divisor_ > n) {
      --q;
    } else if ((q + 1) * divisor_ <= n) {
      ++q;
    }
    return q;
  }

 private:
  std::int64_t divisor_;
  double inverse_;
};

// A boundary weight in thousandths, truncated. The fraction is below 1 by
// construction; the clamp only keeps the 32-bit products below safe.
std::int32_t Weight(double fraction) {
  const auto w = static_cast<std::int32_t>(std::clamp(fraction, 0.0, 1.0) * 1000);
  return w;
}

// One pass over the source with two accumulator rows: A collects the current
// output row, C the part of a split source row that belongs to the next one.
// Accumulators are 64-bit: a very large reduction would overflow 32 bits
// (each source pixel adds up to 255000), and the results are the same
// wherever 32 bits suffice.
void AreaShrink(const RasterImage& source, RasterImage& target, float xsF, float ysF) {
  const double xs = xsF;
  const double ys = ysF;
  const std::int32_t w = source.Width();
  const std::int32_t h = source.Height();
  const std::int32_t nw = target.Width();
  const std::int32_t nh = target.Height();
  const auto scaleSum = static_cast<std::int64_t>(ysF * xsF * 1000.0f);
  const std::size_t last = 3 * static_cast<std::size_t>(nw);
  // Three spare entries take contributions past the right edge; three more
  // keep the indexing in bounds should rounding ever add one more column
  // boundary than there are output columns (the index then stops advancing).
  std::vector<std::int64_t> rowA(last + 6, 0);
  std::vector<std::int64_t> rowC(last + 6, 0);
  std::int64_t* a = rowA.data();
  std::int64_t* c = rowC.data();

  double endY = ys - 1.0;
  std::int32_t v = 0;
  std::uint8_t* out = target.Row(0);
  const FixedDivisor divide(scaleSum);
  const auto put = [&](std::int64_t sum) { *out++ = static_cast<std::uint8_t>(divide(sum)); };

  for (std::int32_t y = 0; y < h; ++y) {
    const std::uint8_t* s = source.Row(static_cast<std::uint32_t>(y));
    double endX = xs - 1.0;
    std::size_t i = 0;
    std::int32_t u = 0;
    const auto nextColumn = [&] {
      if (i < last) i += 3;
      endX += xs;
      ++u;
    };
    if (y < endY) {
      for (std::int32_t x = 0; x < w; ++x, s += 3) {
        if (x < endX) {
          for (int j = 0; j < 3; ++j) a[i + j] += 1000 * static_cast<std::int64_t>(s[j]);
        } else {
          const std::int32_t wx = Weight(x - endX);
          for (int j = 0; j < 3; ++j) {
            a[i + j] += (1000 - wx) * s[j];
            a[i + 3 + j] += wx * s[j];
          }
          nextColumn();
        }
      }
      continue;
    }
    const std::int32_t wy = Weight(y - endY);
    const bool rowOpen = out != nullptr;
    for (std::int32_t x = 0; x < w; ++x, s += 3) {
      if (x < endX) {
        for (int j = 0; j < 3; ++j) {
          a[i + j] += (1000 - wy) * s[j];
          c[i + j] += wy * s[j];
        }
      } else {
        const std::int32_t wx = Weight(x - endX);
        const bool write = rowOpen && u < nw;
        for (int j = 0; j < 3; ++j) {
          // Each product is at most 1000 x 1000 x 255, so 32 bits hold it and
          // the division by 1000 stays a cheap 32-bit one.
          const std::int32_t sj = s[j];
          const std::size_t k = i + j;
          a[k] += ((1000 - wy) * (1000 - wx) * sj) / 1000;
          if (write) put(a[k]);
          c[k] += ((1000 - wx) * wy * sj) / 1000;
          a[k + 3] += ((1000 - wy) * wx * sj) / 1000;
          // An assignment: it starts the carry of the next output pixel and
          // drops what the previous output row left in that entry.
          c[k + 3] = (wy * wx * sj) / 1000;
        }
        nextColumn();
      }
    }
    if (rowOpen && u < nw) {
      put(a[i]);
      put(a[i + 1]);
      put(a[i + 2]);
    }
    std::swap(a, c);
    c[0] = c[1] = c[2] = 0;
    ++v;
    out = v < nh ? target.Row(static_cast<std::uint32_t>(v)) : nullptr;
    endY += ys;
  }
  if (v < nh && out != nullptr) {
    for (std::size_t n = 0; n < last; ++n) put(a[n]);
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

void BilinearResample(const RasterImage& source, RasterImage& target, float xs, float ys) {
  const auto columns = BilinearSamples(target.Width(), xs, source.Width());
  const auto rows = BilinearSamples(target.Height(), ys, source.Height());
  const bool trueColour = source.BitsPerPixel() == 24;
  const auto colourAt = [&](std::int32_t x, std::int32_t y) {
    if (trueColour) {
      const std::uint8_t* p = source.Row(static_cast<std::uint32_t>(y)) + 3 * static_cast<std::size_t>(x);
      return Bgra{p[0], p[1], p[2], 0};
    }
    return source.PaletteColor(source.PixelIndex(x, y));
  };
  const auto blend = [](std::uint8_t c1, std::uint8_t c2, std::uint8_t c3, std::uint8_t c4, float dx, float dy) {
    const float t1 = static_cast<float>(c1) * (1 - dy) + static_cast<float>(c3) * dy;
    const float t2 = static_cast<float>(c2) * (1 - dy) + static_cast<float>(c4) * dy;
    return static_cast<std::uint8_t>(static_cast<int>(t1 * (1 - dx) + t2 * dx));
  };
  for (std::int32_t y = 0; y < target.Height(); ++y) {
    const Sample& row = rows[static_cast<std::size_t>(y)];
    std::uint8_t* out = target.Row(static_cast<std::uint32_t>(y));
    for (std::int32_t x = 0; x < target.Width(); ++x) {
      const Sample& column = columns[static_cast<std::size_t>(x)];
      const Bgra c1 = colourAt(column.low, row.low);
      const Bgra c2 = colourAt(column.high, row.low);
      const Bgra c3 = colourAt(column.low, row.high);
      const Bgra c4 = colourAt(column.high, row.high);
      const float dx = column.fraction;
      const float dy = row.fraction;
      const Bgra value{blend(c1.blue, c2.blue, c3.blue, c4.blue, dx, dy),
                       blend(c1.green, c2.green, c3.green, c4.green, dx, dy),
                       blend(c1.red, c2.red, c3.red, c4.red, dx, dy), 0};
      if (trueColour) {
        out[0] = value.blue;
        out[1] = value.green;
        out[2] = value.red;
        out += 3;
      } else {
        target.SetPixelColor(x, y, value);
      }
    }
  }
}

}  // namespace

// The member function's wrapper, through the public interface: only the
// pixels are compared, so the information block is copied as a whole.
bool Resample(RasterImage& image, std::int64_t newWidth, std::int64_t newHeight) {
  if (!image.IsValid() || newWidth <= 0 || newHeight <= 0) return false;
  const std::int32_t w = image.Width();
  const std::int32_t h = image.Height();
  if (newWidth == w && newHeight == h) return true;
  const auto xs = static_cast<float>(static_cast<double>(w) / static_cast<double>(newWidth));
  const auto ys = static_cast<float>(static_cast<double>(h) / static_cast<double>(newHeight));

  RasterImage resized(image.Format());
  resized.CopyInfo(image);
  if (resized.Create(newWidth, newHeight, image.BitsPerPixel(), image.Format()) == nullptr) return false;
  resized.SetPalette(image.Palette(), image.PaletteSize());

  if (newWidth < w && newHeight < h && image.BitsPerPixel() == 24) {
    AreaShrink(image, resized, xs, ys);
  } else {
    BilinearResample(image, resized, xs, ys);
  }
  image.TakeOver(resized);
  return true;
}

}  // namespace orv::oracle
