/* Makes the Nth write of a process fail, for fault-injection tests.
 *
 * Loaded with LD_PRELOAD. OPENCODER_FAIL_WRITE=N makes the Nth call (from 1)
 * of the stdio output functions the program calls (fwrite, fputs, fputc,
 * putc, fprintf, vfprintf, fflush, fclose) fail with ENOSPC without writing;
 * a failing fclose still closes its stream. fflush and fclose count only
 * while the stream holds buffered output. Streams open for reading only,
 * standard output and standard error are neither counted nor failed.
 * OPENCODER_COUNT_WRITES=PATH writes the number of counted calls to PATH at
 * exit, so a test knows how many faults to try. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <stdlib.h>

static long g_calls;
static long g_fail_at = -1;

static void count_at_exit(void) {
    const char *path = getenv("OPENCODER_COUNT_WRITES");
    if (!path) return;
    FILE *(*real_fopen)(const char *, const char *) = dlsym(RTLD_NEXT, "fopen");
    int (*real_fprintf)(FILE *, const char *, ...) = dlsym(RTLD_NEXT, "fprintf");
    int (*real_fclose)(FILE *) = dlsym(RTLD_NEXT, "fclose");
    FILE *out = real_fopen(path, "w");
    if (!out) return;
    real_fprintf(out, "%ld\n", g_calls);
    real_fclose(out);
}

__attribute__((constructor)) static void start(void) {
    const char *at = getenv("OPENCODER_FAIL_WRITE");
    if (at) g_fail_at = atol(at);
    atexit(count_at_exit);
}

/* True when this call is the one to fail. */
static int fails(FILE *stream) {
    if (stream == stdout || stream == stderr || !__fwritable(stream)) return 0;
    ++g_calls;
    if (g_calls != g_fail_at) return 0;
    errno = ENOSPC;
    return 1;
}

#define REAL(name) \
    static __typeof__(&name) real_##name; \
    if (!real_##name) real_##name = (__typeof__(&name))dlsym(RTLD_NEXT, #name)

size_t fwrite(const void *data, size_t size, size_t count, FILE *stream) {
    REAL(fwrite);
    if (fails(stream)) return 0;
    return real_fwrite(data, size, count, stream);
}

int fputs(const char *text, FILE *stream) {
    REAL(fputs);
    if (fails(stream)) return EOF;
    return real_fputs(text, stream);
}

int fputc(int c, FILE *stream) {
    REAL(fputc);
    if (fails(stream)) return EOF;
    return real_fputc(c, stream);
}

int putc(int c, FILE *stream) {
    REAL(putc);
    if (fails(stream)) return EOF;
    return real_putc(c, stream);
}

int vfprintf(FILE *stream, const char *format, va_list args) {
    REAL(vfprintf);
    if (fails(stream)) return -1;
    return real_vfprintf(stream, format, args);
}

int fprintf(FILE *stream, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int n = vfprintf(stream, format, args);
    va_end(args);
    return n;
}

/* Flushing or closing counts as a write only with output still buffered. */
static int has_pending_output(FILE *stream) { return stream && __fpending(stream) > 0; }

int fflush(FILE *stream) {
    REAL(fflush);
    if (has_pending_output(stream) && fails(stream)) return EOF;
    return real_fflush(stream);
}

int fclose(FILE *stream) {
    REAL(fclose);
    int failed = has_pending_output(stream) && fails(stream);
    int result = real_fclose(stream);
    if (failed) {
        errno = ENOSPC;
        return EOF;
    }
    return result;
}
