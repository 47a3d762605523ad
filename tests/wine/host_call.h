/* The calling convention of the exports as a host application declares
 * them: __stdcall on 32-bit Windows (the callee removes its arguments), and
 * on 32-bit x86 Linux in the test build whose exports take that convention
 * too (LINEIO_STDCALL); the platform's own convention elsewhere. */
#ifndef LINEIO_WINE_HOST_CALL_H
#define LINEIO_WINE_HOST_CALL_H

#if defined(_WIN32)
#define HOST_CALL __stdcall
#define HOST_CDECL __cdecl
#elif defined(__i386__) && defined(LINEIO_STDCALL)
#define HOST_CALL __attribute__((stdcall))
#define HOST_CDECL __attribute__((cdecl))
#else
#define HOST_CALL
#define HOST_CDECL
#endif

/* Where the callee removes the arguments, the host checks on every call that
 * it removed exactly as many bytes as the declaration says. */
#if defined(__i386__) && (defined(_WIN32) || defined(LINEIO_STDCALL))
#define HOST_STACK_CHECK 1
#else
#define HOST_STACK_CHECK 0
#endif

#endif
