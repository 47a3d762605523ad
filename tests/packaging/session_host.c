/* A host application in C, built as a user builds one against an installed
 * tree (through pkg-config) and run unchanged against the library and against
 * the simulation flavour: LD_LIBRARY_PATH chooses which one it loads. */
#include <stdio.h>

#include <lineio.h>

int main(void) {
  if (PortInit(0) == 0) {
    printf("host: no driver\n");
    return 0;
  }
  printf("host: PortOut(16, 0x1a5) = %d\n", (int)PortOut(16, 0x1A5));
  printf("host: PortQinp(16) = 0x%x\n", (unsigned)PortQinp(16));
  printf("host: ExchgLine(0, \"A5123489AB\") = %u\n", (unsigned)ExchgLine(0, "A5123489AB"));
  printf("host: PortEnd() = %d\n", (int)PortEnd());
  return 0;
}
