/* A host program that loads and unloads a lineio library again and again, as
 * a host that loads it only for a while does, and counts its open
 * descriptors after each unload.
 *
 * usage: unload_host LIBRARY CYCLES end|noend [tick]
 * Each cycle: dlopen, PortInit(0), with "tick" HdTimer(1) (its tick wait
 * samples the Escape key from the terminal; the board must tick), PortEnd()
 * with "end" only, dlclose. Prints "descriptors N" before the first cycle and
 * after each. Exit 2 on a bad command line or a library that does not load. */
#include <dirent.h>
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lineio.h"

typedef __typeof__(&PortInit) InitCall;
typedef __typeof__(&PortEnd) EndCall;
typedef __typeof__(&HdTimer) TimerCall;

/* The entries of /proc/self/fd, less the one that lists them. */
static int OpenDescriptors(void) {
  DIR* folder = opendir("/proc/self/fd");
  if (folder == NULL) return -1;
  int count = 0;
  for (const struct dirent* entry = readdir(folder); entry != NULL; entry = readdir(folder)) {
    if (entry->d_name[0] != '.') ++count;
  }
  closedir(folder);
  return count - 1;
}

static int Cycle(const char* path, int end, int tick) {
  void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (library == NULL) {
    fprintf(stderr, "unload_host: %s\n", dlerror());
    return 0;
  }
  InitCall init = (InitCall)dlsym(library, "PortInit");
  TimerCall timer = (TimerCall)dlsym(library, "HdTimer");
  EndCall finish = (EndCall)dlsym(library, "PortEnd");
  if (init == NULL || timer == NULL || finish == NULL) {
    fprintf(stderr, "unload_host: an export is missing\n");
    return 0;
  }
  init(0);
  if (tick) timer(1);
  if (end) finish();
  dlclose(library);
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5 || (strcmp(argv[3], "end") != 0 && strcmp(argv[3], "noend") != 0) ||
      (argc == 5 && strcmp(argv[4], "tick") != 0)) {
    fprintf(stderr, "usage: unload_host LIBRARY CYCLES end|noend [tick]\n");
    return 2;
  }
  const int cycles = atoi(argv[2]);
  printf("descriptors %d\n", OpenDescriptors());
  for (int cycle = 0; cycle < cycles; ++cycle) {
    if (!Cycle(argv[1], strcmp(argv[3], "end") == 0, argc == 5)) return 2;
    printf("descriptors %d\n", OpenDescriptors());
  }
  return 0;
}
