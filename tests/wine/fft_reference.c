/* Native reference for the Wine tests: computes the transform cases with the
 * Linux build of the library and writes them in the same layout as the host
 * program does under Wine, so the two files can be compared byte for byte. */
#include <stdint.h>
#include <stdio.h>

#include "fft_cases.h"
#include "lineio.h"

/* The cases call the table export as the Windows host program declares it,
 * with signed entries; lineio.h declares them unsigned (the same 16 bits). */
static void HOST_CALL Tables(unsigned short n, float* cosine, float* sine, short* permutation) {
  FFTK32(n, cosine, sine, (uint16_t*)permutation);
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
    return 2;
  }
  FILE* out = fopen(argv[1], "wb");
  if (out == NULL) {
    perror(argv[1]);
    return 1;
  }
  struct FftExports exports = {Tables, FFT32, FFTP32};
  int failed = WriteFftCases(&exports, out);
  failed |= fclose(out) != 0;
  if (failed) fprintf(stderr, "%s: cannot write the transform cases\n", argv[1]);
  return failed ? 1 : 0;
}
