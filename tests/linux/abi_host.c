/* A host program for the shipped Linux libraries: loads libkestrel.so or
 * libmerlin.so with dlopen, as a host application does, and calls exports by
 * their plain names, one command word at a time.
 *
 * usage: abi_host LIBRARY COMMAND...
 *   init N        PortInit(N)         prints "= result" (decimal)
 *   end           PortEnd()           prints "= result" (decimal)
 *   failure       LineioLastFailure() prints "= code" (decimal)
 *   outb|outw|outd OFFSET VALUE       prints "= -"
 *   inpb|inpw|inpd OFFSET             prints "= value" (hexadecimal)
 *   hold          prints "holding", then waits until standard input ends
 *   wait          prints "waiting", then waits for one line of standard input
 *   maps TEXT     prints "= count" of the process's mappings whose line in
 *                 /proc/self/maps holds TEXT (a file's name)
 * Numbers are C literals (0x for hexadecimal). Exit 2 on a bad command line
 * or a library that does not load. */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lineio.h"

/* The exports' own types, calling convention included (__stdcall in the
 * 32-bit build that takes it). */
typedef __typeof__(&PortInit) InitCall;
typedef __typeof__(&PortEnd) EndCall;
typedef __typeof__(&LineioLastFailure) FailureCall;
typedef __typeof__(&InpB) Read16Call;
typedef __typeof__(&InpD) Read32Call;
typedef __typeof__(&OutB) Write16Call;
typedef __typeof__(&OutD) Write32Call;

static void* library;

static void* Export(const char* name) {
  void* function = dlsym(library, name);
  if (function == NULL) {
    fprintf(stderr, "abi_host: %s has no export %s\n", "library", name);
    exit(2);
  }
  return function;
}

static unsigned long Number(int argc, char** argv, int at) {
  if (at >= argc) {
    fprintf(stderr, "abi_host: %s needs more numbers\n", argv[at - 1]);
    exit(2);
  }
  return strtoul(argv[at], NULL, 0);
}

static int CountMappings(const char* text) {
  FILE* maps = fopen("/proc/self/maps", "r");
  if (maps == NULL) {
    fprintf(stderr, "abi_host: cannot read /proc/self/maps\n");
    exit(2);
  }
  char line[4096];
  int count = 0;
  while (fgets(line, sizeof line, maps) != NULL) {
    if (strstr(line, text) != NULL) ++count;
  }
  fclose(maps);
  return count;
}

static int Run(int argc, char** argv, int at) {
  const char* command = argv[at];
  if (strcmp(command, "init") == 0) {
    printf("= %d\n", ((InitCall)Export("PortInit"))((int32_t)Number(argc, argv, at + 1)));
    return 2;
  }
  if (strcmp(command, "end") == 0) {
    printf("= %d\n", ((EndCall)Export("PortEnd"))());
    return 1;
  }
  if (strcmp(command, "failure") == 0) {
    printf("= %d\n", ((FailureCall)Export("LineioLastFailure"))());
    return 1;
  }
  if (strcmp(command, "hold") == 0) {
    printf("holding\n");
    fflush(stdout);
    while (getchar() != EOF) continue;
    return 1;
  }
  if (strcmp(command, "wait") == 0) {
    printf("waiting\n");
    fflush(stdout);
    for (int c = getchar(); c != EOF && c != '\n'; c = getchar()) continue;
    return 1;
  }
  if (strcmp(command, "maps") == 0) {
    if (at + 1 >= argc) {
      fprintf(stderr, "abi_host: maps needs a text\n");
      exit(2);
    }
    printf("= %d\n", CountMappings(argv[at + 1]));
    return 2;
  }
  if (strcmp(command, "inpb") == 0 || strcmp(command, "inpw") == 0) {
    const char* name = command[3] == 'b' ? "InpB" : "InpW";
    printf("= %x\n", ((Read16Call)Export(name))((uint16_t)Number(argc, argv, at + 1)));
    return 2;
  }
  if (strcmp(command, "inpd") == 0) {
    printf("= %x\n", ((Read32Call)Export("InpD"))((uint16_t)Number(argc, argv, at + 1)));
    return 2;
  }
  if (strcmp(command, "outb") == 0 || strcmp(command, "outw") == 0) {
    const char* name = command[3] == 'b' ? "OutB" : "OutW";
    ((Write16Call)Export(name))((uint16_t)Number(argc, argv, at + 1), (uint16_t)Number(argc, argv, at + 2));
    printf("= -\n");
    return 3;
  }
  if (strcmp(command, "outd") == 0) {
    ((Write32Call)Export("OutD"))((uint16_t)Number(argc, argv, at + 1), (uint32_t)Number(argc, argv, at + 2));
    printf("= -\n");
    return 3;
  }
  fprintf(stderr, "abi_host: unknown command %s\n", command);
  exit(2);
}

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: abi_host LIBRARY COMMAND...\n");
    return 2;
  }
  library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == NULL) {
    fprintf(stderr, "abi_host: %s\n", dlerror());
    return 2;
  }
  for (int at = 2; at < argc;) {
    at += Run(argc, argv, at);
    fflush(stdout);
  }
  dlclose(library);
  return 0;
}
