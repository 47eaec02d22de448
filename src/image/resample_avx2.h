// The column pass of the area reduction on the AVX2 unit, eight output bytes
// at a time. It gives the bytes of the scalar pass exactly: the same integer
// sums, and a division whose rounding cannot reach the next integer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// Whether this processor has AVX2 and the reduction may use it.
bool AreaColumnsOnAvx2();

// Allows or forbids the AVX2 pass for the whole process (on by default where
// the processor has it). The results are the same; tests run both passes.
void AllowAreaColumnsOnAvx2(bool allowed);

// One output row of `count` cells. Channel j of cell t is
//   low byte of floor((sum over k < taps of weights[t x taps + k] x
//                      sum[3 (start[t] + k) + j]) - dropped[3 t + j]) / divisor)
// Every such total must lie in [0, 2^31) and the divisor in [1, 2^32]; `sum`
// must be readable one value past every index used, and `dropped` one past
// 3 count.
void WriteAreaRowAvx2(const std::int32_t* sum, const std::int32_t* start, const std::int32_t* weights, std::size_t taps,
                      std::size_t count, const std::int32_t* dropped, std::uint64_t divisor, std::uint8_t* out);

}  // namespace orv
