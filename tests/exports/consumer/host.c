/* A host application in C: loads the library through its header only. */
#include <stdio.h>

#include <lineio.h>

int main(void) {
  uint8_t text[11] = {0};
  uint16_t length = Test2(text);
  printf("%s %u %u\n", (const char*)text, (unsigned)length, (unsigned)Test(0));
  return 0;
}
