#include "records.h"

#include <cmath>

#include "bit_writer.h"

namespace swfgen {

void WriteRect(ByteWriter& out, const Rect& r) {
  const unsigned n = SignedBits({r.xmin, r.xmax, r.ymin, r.ymax});
  BitWriter bits;
  bits.Put(5, n);
  bits.PutSigned(n, r.xmin);
  bits.PutSigned(n, r.xmax);
  bits.PutSigned(n, r.ymin);
  bits.PutSigned(n, r.ymax);
  out.Append(bits.bytes());
}

void WriteMatrix(ByteWriter& out, const Matrix& m) {
  BitWriter bits;
  const bool hasScale = m.scaleX != 1.0 || m.scaleY != 1.0;
  bits.PutFlag(hasScale);
  if (hasScale) {
    const auto sx = static_cast<std::int32_t>(std::lround(m.scaleX * 65536.0));
    const auto sy = static_cast<std::int32_t>(std::lround(m.scaleY * 65536.0));
    const unsigned n = SignedBits({sx, sy});
    bits.Put(5, n);
    bits.PutSigned(n, sx);
    bits.PutSigned(n, sy);
  }
  bits.PutFlag(false);  // no rotation
  const bool hasTranslate = m.translateX != 0 || m.translateY != 0;
  const unsigned n = hasTranslate ? SignedBits({m.translateX, m.translateY}) : 0;
  bits.Put(5, n);
  if (hasTranslate) {
    bits.PutSigned(n, m.translateX);
    bits.PutSigned(n, m.translateY);
  }
  out.Append(bits.bytes());
}

void WriteAlphaTransform(ByteWriter& out, double alphaMultiplier) {
  BitWriter bits;
  bits.PutFlag(false);  // no add terms
  const auto alpha = static_cast<std::int32_t>(std::lround(alphaMultiplier * 256.0));
  const bool hasMult = alpha != 256;
  bits.PutFlag(hasMult);
  if (!hasMult) {
    bits.Put(4, 0);
  } else {
    const unsigned n = SignedBits({256, alpha});
    bits.Put(4, n);
    for (int channel = 0; channel < 3; ++channel) bits.PutSigned(n, 256);
    bits.PutSigned(n, alpha);
  }
  out.Append(bits.bytes());
}

}  // namespace swfgen
