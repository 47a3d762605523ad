/* The transform, its tables and spectrum, and the array conversions. */
#include <math.h>
#include <string.h>

#include "cases.h"
#include "harness.h"
#include "host_exports.h"

/* ---- Transform and spectrum --------------------------------------------- */

static int Near(float value, double expected) {
  return fabs((double)value - expected) <= 1e-6 * fabs(expected) + 1e-12;
}

void TestFftTables(void) {
  float cosine[9] = {-7, 0}, sine[9] = {-7, 0};
  short permutation[9] = {-7, 0};
  CALLV(dll.FFTK32, 8, cosine, sine, permutation);
  static const short ExpectedPermutation[] = {-7, 1, 5, 3, 7, 2, 6, 4, 8};
  Check(memcmp(permutation, ExpectedPermutation, sizeof ExpectedPermutation) == 0,
        "FFTK32(8) permutation reads 1 5 3 7 2 6 4 8");
  Check(cosine[0] == -7 && sine[0] == -7, "FFTK32 leaves element 0 of the tables alone");

  CALLV(dll.FFTK32, 4, cosine, sine, permutation);
  static const double Cos4[] = {1, 1.3267949e-06, -1, -3.9803849e-06};
  static const double Sin4[] = {-0.0, -1, -2.6535897e-06, 1};
  for (int k = 0; k < 4; ++k) {
    Check(Near(cosine[k + 1], Cos4[k]) && Near(sine[k + 1], Sin4[k]),
          "FFTK32(4) element %d: cos %.8g sin %.8g", k + 1, cosine[k + 1], sine[k + 1]);
  }
  Check(signbit(sine[1]), "FFTK32(4) sine[1] is -0");
}

void TestFftTransform(void) {
  float cosine[9], sine[9], real[9], imaginary[9];
  short permutation[9];
  CALLV(dll.FFTK32, 4, cosine, sine, permutation);
  const float impulse[5] = {0, 0, 1, 0, 0};
  CALLV(dll.FFT32, 4, cosine, sine, real, imaginary, (unsigned short*)permutation, 1, impulse, 0);
  static const double Re4[] = {1250, 0.25, 3.3169871e-07, -0.25, -3.3169871e-07};
  static const double Im4[] = {0, 0, -0.25, 0, 0.25};
  for (int i = 0; i < 5; ++i) {
    Check(Near(real[i], Re4[i]) && Near(imaginary[i], Im4[i]),
          "FFT32(4) of an impulse, element %d: %.8g %.8g", i, real[i], imaginary[i]);
  }

  CALLV(dll.FFTK32, 8, cosine, sine, permutation);
  const float ones[9] = {0, 1, 1, 1, 1, 1, 1, 1, 1};
  CALLV(dll.FFT32, 8, cosine, sine, real, imaginary, (unsigned short*)permutation, 1, ones, 0);
  int flat = real[0] == 625 && real[1] == 1;
  for (int i = 2; i <= 8; ++i) flat &= real[i] == 0 && imaginary[i] == 0;
  Check(flat, "FFT32(8) of a constant: header 625, all in frequency 0");

  float upper[4];
  memcpy(upper, &real[5], sizeof upper);
  CALLV(dll.FFTP32, 8, real, imaginary);
  const float floor = 0.0003f;
  Check(real[0] == 625 && real[1] == 1 && real[2] == floor && real[3] == floor && real[4] == floor,
        "FFTP32(8): 625, 1, then the floor 0.0003");
  Check(memcmp(upper, &real[5], sizeof upper) == 0, "FFTP32(8) leaves elements 5..8 alone");

  CALLV(dll.FFT32, 8, cosine, sine, real, imaginary, (unsigned short*)permutation, 2, ones, 0);
  Check(fabsf(real[1] - 0.54f) < 1e-5f, "Hamming window of a constant gives 0.54 (got %.8g)", real[1]);

  float samples[9] = {0, 3, -1, 4, 1, -5, 9, 2, -6};
  CALLV(dll.FFT32, 8, cosine, sine, real, imaginary, (unsigned short*)permutation, 1, samples, 0);
  CALLV(dll.FFT32, 8, cosine, sine, real, imaginary, (unsigned short*)permutation, 0, samples, 1);
  int back = 1;
  for (int i = 1; i <= 8; ++i) back &= fabsf(real[i] - samples[i]) < 1e-4f && fabsf(imaginary[i]) < 1e-4f;
  Check(back, "forward then inverse gives the samples back");

  float pair[3] = {-1, 3, 4};
  float pairIm[3] = {-1, 0, 0};
  CALLV(dll.FFTP32, 2, pair, pairIm);
  Check(pair[1] == 3 && pair[2] == 4, "FFTP32 of a real value gives its magnitude");
  float complexRe[2] = {3, -3}, complexIm[2] = {4, -4};
  CALLV(dll.FFTP32, 2, complexRe, complexIm);
  Check(complexRe[0] == 5 && complexRe[1] == 5, "FFTP32 of 3+4i and -3-4i gives 5");
}

/* ---- Array conversion --------------------------------------------------- */

void TestArrayConversion(void) {
  const unsigned char bytes[6] = {0x34, 0x12, 0xFF, 0xFF, 0x01, 0x80};
  unsigned short words[4] = {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA};
  CALLV(dll.CHRVAL2, bytes, words, 3);
  Check(words[0] == 0x1234 && words[1] == 0xFFFF && words[2] == 0x8001 && words[3] == 0xAAAA,
        "CHRVAL2 packs little-endian Pairs");

  CALLV(dll.CHRVAL1, bytes, words, 3);
  Check(words[0] == 0x34 && words[1] == 0x12 && words[2] == 0xFF && words[3] == 0xAAAA,
        "CHRVAL1 widens each byte without sign");

  const unsigned short values[3] = {0x1234, 0xFFFE, 0x00C3};
  unsigned char out[7];
  memset(out, 0xEE, sizeof out);
  CALLV(dll.VALCHR2, values, out, 3);
  static const unsigned char Pairs[7] = {0x34, 0x12, 0xFE, 0xFF, 0xC3, 0x00, 0xEE};
  Check(memcmp(out, Pairs, sizeof Pairs) == 0, "VALCHR2 unpacks low byte first");

  memset(out, 0xEE, sizeof out);
  CALLV(dll.VALCHR1, values, out, 3);
  static const unsigned char Lows[4] = {0x34, 0xFE, 0xC3, 0xEE};
  Check(memcmp(out, Lows, sizeof Lows) == 0, "VALCHR1 keeps the low byte of each word");

  memset(out, 0xEE, sizeof out);
  CALLV(dll.VALCHR2, values, out, 0);
  Check(out[0] == 0xEE, "a count of 0 writes nothing");

  ConvertWideFn wide = (ConvertWideFn)(void*)dll.VALCHR1;
  memset(out, 0xEE, sizeof out);
  CALLV(wide, values, out, 0xABCD0002ul);
  Check(out[0] == 0x34 && out[1] == 0xFE && out[2] == 0xEE, "the count is the low half of its slot");
}
