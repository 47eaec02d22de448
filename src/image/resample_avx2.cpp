#include "image/resample_avx2.h"

#include <atomic>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace orv {
namespace {

std::atomic<bool> gAllowed{true};

#if defined(__x86_64__)
bool ProcessorHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2") != 0;
  return has;
}
#else
bool ProcessorHasAvx2() { return false; }
#endif

}  // namespace

bool AreaColumnsOnAvx2() { return gAllowed.load(std::memory_order_relaxed) && ProcessorHasAvx2(); }

void AllowAreaColumnsOnAvx2(bool allowed) { gAllowed.store(allowed, std::memory_order_relaxed); }

#if defined(__x86_64__)
// floor(t / d) for 0 <= t < 2^31 and 1 <= d <= 2^32 as trunc((t + 1/2) x
// (1/d)) in double precision: (t + 1/2) / d lies at least 1/(2d) from every
// integer, and the two roundings move it by at most 2^-51 of itself, which
// is under 2^-20 / d, so the truncation lands on the true floor.
// Two cells at a time, one in each half of the register: the four lanes of a
// half hold the cell's three channels and one lane that is never kept.
__attribute__((target("avx2"))) void WriteAreaRowAvx2(const std::int32_t* sum, const std::int32_t* start,
                                                      const std::int32_t* weights, std::size_t taps, std::size_t count,
                                                      const std::int32_t* dropped, std::uint64_t divisor,
                                                      std::uint8_t* out) {
  const __m256d inverse = _mm256_set1_pd(1.0 / static_cast<double>(divisor));
  const __m256d half = _mm256_set1_pd(0.5);
  const __m128i lowByte = _mm_set1_epi32(0xFF);
  std::size_t t = 0;
  // Each pair also writes the first byte of the cell after it, so the last
  // cells are left to the loop below.
  for (; t + 2 < count; t += 2) {
    const std::int32_t* a = sum + 3 * static_cast<std::size_t>(start[t]);
    const std::int32_t* b = sum + 3 * static_cast<std::size_t>(start[t + 1]);
    const std::int32_t* wa = weights + t * taps;
    const std::int32_t* wb = wa + taps;
    __m256i total = _mm256_sub_epi32(_mm256_setzero_si256(),
                                     _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(dropped + 3 * t + 3),
                                                         reinterpret_cast<const __m128i*>(dropped + 3 * t)));
    for (std::size_t k = 0; k < taps; ++k) {
      const __m256i value =
          _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(b + 3 * k), reinterpret_cast<const __m128i*>(a + 3 * k));
      const __m256i weight = _mm256_set_m128i(_mm_set1_epi32(wb[k]), _mm_set1_epi32(wa[k]));
      total = _mm256_add_epi32(total, _mm256_mullo_epi32(value, weight));
    }
    const __m256d first =
        _mm256_mul_pd(_mm256_add_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(total)), half), inverse);
    const __m256d second =
        _mm256_mul_pd(_mm256_add_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(total, 1)), half), inverse);
    // The scalar pass keeps the low byte of each quotient too.
    const __m128i q1 = _mm_and_si128(_mm256_cvttpd_epi32(first), lowByte);
    const __m128i q2 = _mm_and_si128(_mm256_cvttpd_epi32(second), lowByte);
    const __m128i bytes = _mm_packus_epi16(_mm_packus_epi32(q1, q2), _mm_setzero_si128());
    std::uint8_t* cell = out + 3 * t;
    _mm_storeu_si32(cell, bytes);
    _mm_storeu_si32(cell + 3, _mm_srli_si128(bytes, 4));
  }
  for (; t < count; ++t) {
    for (std::size_t j = 0; j < 3; ++j) {
      std::int64_t total = -std::int64_t{dropped[3 * t + j]};
      for (std::size_t k = 0; k < taps; ++k) {
        total += std::int64_t{weights[t * taps + k]} *
                 sum[3 * static_cast<std::size_t>(start[t] + static_cast<std::int32_t>(k)) + j];
      }
      out[3 * t + j] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(total) / divisor);
    }
  }
}
#else
void WriteAreaRowAvx2(const std::int32_t*, const std::int32_t*, const std::int32_t*, std::size_t, std::size_t,
                      const std::int32_t*, std::uint64_t, std::uint8_t*) {}
#endif

}  // namespace orv
