/* The few Windows services that the host program uses, on a POSIX system,
 * so that the same program runs against the Linux shared libraries:
 * libraries through dlopen, descriptors through the POSIX calls, and a PC
 * keyboard (subtype 0, as the library's own POSIX stand-in reports). */
#ifndef LINEIO_WINE_WIN_SHIM_H
#define LINEIO_WINE_WIN_SHIM_H

#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

typedef void* HMODULE;

static inline HMODULE LoadLibraryA(const char* path) {
  HMODULE module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (module == NULL) fprintf(stderr, "dlopen: %s\n", dlerror());
  return module;
}

static inline void* GetProcAddress(HMODULE module, const char* name) { return dlsym(module, name); }

static inline int FreeLibrary(HMODULE module) { return dlclose(module) == 0; }

/* dlopen reports its reason on standard error; there is no error number. */
static inline unsigned long GetLastError(void) { return 0; }

static inline int GetKeyboardType(int what) {
  (void)what;
  return 0;
}

/* The C runtime's names of Windows, for the same calls here. */
/* NOLINTBEGIN(readability-identifier-naming) */
#define _dup dup
#define _dup2 dup2
#define _open open
#define _close close
#define _O_WRONLY O_WRONLY
#define _O_CREAT O_CREAT
#define _O_TRUNC O_TRUNC
#define _S_IREAD S_IRUSR
#define _S_IWRITE S_IWUSR
/* NOLINTEND(readability-identifier-naming) */

#endif
