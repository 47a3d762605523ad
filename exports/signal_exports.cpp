// Exports of the transform and the array conversions: thin wrappers over the
// signal subsystem.
#include <cstdint>

#include "exports/export.h"
#include "signal/signal.h"
#include "tracing/traced_call.h"

// The permutation table has unsigned 16-bit entries in both exports: its
// values run from 1 to n, up to 32768.
LINEIO_EXPORT void LINEIO_CALL FFTK32(uint16_t n, float* cosine, float* sine, uint16_t* permutation) {
  lineio::TracedCall<lineio::PrepareFftTables>("FFTK32", n, cosine, sine, permutation);
}

LINEIO_EXPORT void LINEIO_CALL FFT32(uint16_t n, const float* cosine, const float* sine, float* real,
                                     float* imaginary, const uint16_t* permutation, uint16_t window,
                                     const float* samples, uint16_t direction) {
  lineio::Traced(
      "FFT32",
      [=] {
        lineio::FourierTransform({n, cosine, sine, real, imaginary, permutation, window, samples, direction});
      },
      n, cosine, sine, real, imaginary, permutation, window, samples, direction);
}

LINEIO_EXPORT void LINEIO_CALL FFTP32(uint16_t n, float* real, const float* imaginary) {
  lineio::TracedCall<lineio::AmplitudeSpectrum>("FFTP32", n, real, imaginary);
}

LINEIO_EXPORT void LINEIO_CALL CHRVAL1(const uint8_t* bytes, uint16_t* words, uint16_t count) {
  lineio::TracedCall<lineio::WidenBytes>("CHRVAL1", bytes, words, count);
}

LINEIO_EXPORT void LINEIO_CALL CHRVAL2(const uint8_t* bytes, uint16_t* words, uint16_t count) {
  lineio::TracedCall<lineio::PackBytePairs>("CHRVAL2", bytes, words, count);
}

LINEIO_EXPORT void LINEIO_CALL VALCHR1(const uint16_t* words, uint8_t* bytes, uint16_t count) {
  lineio::TracedCall<lineio::NarrowWords>("VALCHR1", words, bytes, count);
}

LINEIO_EXPORT void LINEIO_CALL VALCHR2(const uint16_t* words, uint8_t* bytes, uint16_t count) {
  lineio::TracedCall<lineio::UnpackWordPairs>("VALCHR2", words, bytes, count);
}
