/* Fault injection into the calls of a process that change files, loaded
 * with LD_PRELOAD by the fault tests. Which calls count as writes and the
 * environment variables (OPENCODER_FAIL_WRITE, _KILL_AT_WRITE,
 * _PAUSE_AT_WRITE, _PAUSE_DIR, _PAUSE_FILE, _COUNT_WRITES, _DENY_OPEN,
 * _DENY_CREATE_IN): tests/README.md. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#define REAL(name) \
    static __typeof__(&name) real_##name; \
    if (!real_##name) real_##name = (__typeof__(&name))dlsym(RTLD_NEXT, #name)

static long g_calls;
static long g_fail_at = -1;
static long g_kill_at = -1;
static long g_pause_at = -1;
static const char *g_pause_dir;
static const char *g_pause_suffix;
static long g_pause_file_calls;
static const char *g_deny_suffix;
static char g_deny_dir[PATH_MAX];

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

static long number_from(const char *name) {
    const char *text = getenv(name);
    return text ? atol(text) : -1;
}

__attribute__((constructor)) static void start(void) {
    g_fail_at = number_from("OPENCODER_FAIL_WRITE");
    g_kill_at = number_from("OPENCODER_KILL_AT_WRITE");
    g_pause_at = number_from("OPENCODER_PAUSE_AT_WRITE");
    g_pause_dir = getenv("OPENCODER_PAUSE_DIR");
    g_pause_suffix = getenv("OPENCODER_PAUSE_FILE");
    g_deny_suffix = getenv("OPENCODER_DENY_OPEN");
    const char *deny_dir = getenv("OPENCODER_DENY_CREATE_IN");
    if (deny_dir && !realpath(deny_dir, g_deny_dir)) g_deny_dir[0] = '\0';
    atexit(count_at_exit);
}

/* Tells the test through D/paused, then waits for D/release. */
static void pause_here(void) {
    if (!g_pause_dir) return;
    char marker[PATH_MAX];
    snprintf(marker, sizeof marker, "%s/paused", g_pause_dir);
    int (*real_open)(const char *, int, ...) = dlsym(RTLD_NEXT, "open");
    int fd = real_open(marker, O_WRONLY | O_CREAT, 0644);
    if (fd >= 0) close(fd);
    snprintf(marker, sizeof marker, "%s/release", g_pause_dir);
    struct timespec tick = {0, 10 * 1000 * 1000};
    struct stat st;
    for (int i = 0; i < 6000 && stat(marker, &st) != 0; ++i) nanosleep(&tick, NULL);
}

static int ends_with(const char *text, const char *suffix) {
    if (!text || !suffix) return 0;
    size_t n = strlen(text), s = strlen(suffix);
    return n >= s && strcmp(text + n - s, suffix) == 0;
}

/* The call on `fd`, or on `path` and `other`, is on the file to pause at. */
static int on_pause_file(int fd, const char *path, const char *other) {
    if (ends_with(path, g_pause_suffix) || ends_with(other, g_pause_suffix)) return 1;
    if (fd < 0) return 0;
    char link[64], target[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, target, sizeof target - 1);
    if (n < 0) return 0;
    target[n] = '\0';
    return ends_with(target, g_pause_suffix);
}

/* Counts one call, made on `fd` or on the names `path` and `other`; true
 * when it is the one to fail (errno is set then). */
static int counted(int error, int fd, const char *path, const char *other) {
    ++g_calls;
    if (g_calls == g_kill_at) raise(SIGKILL);
    if (g_pause_at > 0) {
        long n = g_calls;
        if (g_pause_suffix) n = on_pause_file(fd, path, other) ? ++g_pause_file_calls : 0;
        if (n == g_pause_at) pause_here();
    }
    if (g_calls != g_fail_at) return 0;
    errno = error;
    return 1;
}

static int stream_fails(FILE *stream) {
    if (stream == stdout || stream == stderr || !__fwritable(stream)) return 0;
    return counted(ENOSPC, fileno(stream), NULL, NULL);
}

static int fd_counts(int fd) {
    struct stat st;
    return fd > 2 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

/* ---- A directory this user may not write. */

/* The real directory holding `path` (relative to `dirfd`) is DIR. */
static int in_denied_dir(int dirfd, const char *path) {
    if (!g_deny_dir[0] || !path) return 0;
    char parent[PATH_MAX * 2];
    const char *slash = strrchr(path, '/');
    if (path[0] == '/' || dirfd == AT_FDCWD) {
        if (!slash) snprintf(parent, sizeof parent, ".");
        else if (slash == path) snprintf(parent, sizeof parent, "/");
        else snprintf(parent, sizeof parent, "%.*s", (int)(slash - path), path);
    } else {
        char link[64], base[PATH_MAX];
        snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
        ssize_t n = readlink(link, base, sizeof base - 1);
        if (n < 0) return 0;
        base[n] = '\0';
        if (!slash) snprintf(parent, sizeof parent, "%s", base);
        else snprintf(parent, sizeof parent, "%s/%.*s", base, (int)(slash - path), path);
    }
    char resolved[PATH_MAX];
    return realpath(parent, resolved) && strcmp(resolved, g_deny_dir) == 0;
}

static int creates_in_denied_dir(int dirfd, const char *path, int flags) {
    if ((flags & O_TMPFILE) == O_TMPFILE) {  /* `path` is the directory itself */
        char inside[PATH_MAX];
        snprintf(inside, sizeof inside, "%s/.", path);
        return in_denied_dir(dirfd, inside);
    }
    if (!(flags & O_CREAT) || !in_denied_dir(dirfd, path)) return 0;
    struct stat st;
    return fstatat(dirfd, path, &st, 0) != 0;
}

static int denied(const char *path) { return ends_with(path, g_deny_suffix); }

static int refuse(void) {
    errno = EACCES;
    return -1;
}

/* ---- stdio output. */

#define STREAM_OUTPUT(type, name, failure, params, args) \
    type name params { \
        REAL(name); \
        if (stream_fails(stream)) return failure; \
        return real_##name args; \
    }

STREAM_OUTPUT(size_t, fwrite, 0, (const void *data, size_t size, size_t count, FILE *stream),
              (data, size, count, stream))
STREAM_OUTPUT(int, fputs, EOF, (const char *text, FILE *stream), (text, stream))
STREAM_OUTPUT(int, fputc, EOF, (int c, FILE *stream), (c, stream))
STREAM_OUTPUT(int, putc, EOF, (int c, FILE *stream), (c, stream))
STREAM_OUTPUT(int, vfprintf, -1, (FILE *stream, const char *format, va_list args), (stream, format, args))

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
    if (has_pending_output(stream) && stream_fails(stream)) return EOF;
    return real_fflush(stream);
}

int fclose(FILE *stream) {
    REAL(fclose);
    int failed = has_pending_output(stream) && stream_fails(stream);
    int result = real_fclose(stream);
    if (failed) {
        errno = ENOSPC;
        return EOF;
    }
    return result;
}

/* ---- Raw writes. */

#define RAW_WRITE(type, name, params, args) \
    type name params { \
        REAL(name); \
        if (fd_counts(fd) && counted(ENOSPC, fd, NULL, NULL)) return -1; \
        return real_##name args; \
    }

RAW_WRITE(ssize_t, write, (int fd, const void *data, size_t size), (fd, data, size))
RAW_WRITE(ssize_t, pwrite, (int fd, const void *data, size_t size, off_t at), (fd, data, size, at))
RAW_WRITE(ssize_t, pwrite64, (int fd, const void *data, size_t size, off64_t at), (fd, data, size, at))
RAW_WRITE(ssize_t, writev, (int fd, const struct iovec *parts, int count), (fd, parts, count))

int ftruncate(int fd, off_t size) {
    REAL(ftruncate);
    if (counted(EIO, fd, NULL, NULL)) return -1;
    return real_ftruncate(fd, size);
}

/* ---- Directory entries: refused in the denied directory (`denied`), else
 * counted on the names `a` and `b`. */

#define ENTRY_CALL(name, params, denied, a, b, args) \
    int name params { \
        REAL(name); \
        if (denied) return refuse(); \
        if (counted(EIO, -1, a, b)) return -1; \
        return real_##name args; \
    }

ENTRY_CALL(rename, (const char *from, const char *to),
           in_denied_dir(AT_FDCWD, from) || in_denied_dir(AT_FDCWD, to), from, to, (from, to))
ENTRY_CALL(renameat, (int from_dir, const char *from, int to_dir, const char *to),
           in_denied_dir(from_dir, from) || in_denied_dir(to_dir, to), from, to, (from_dir, from, to_dir, to))
ENTRY_CALL(renameat2, (int from_dir, const char *from, int to_dir, const char *to, unsigned int flags),
           in_denied_dir(from_dir, from) || in_denied_dir(to_dir, to), from, to,
           (from_dir, from, to_dir, to, flags))
ENTRY_CALL(link, (const char *from, const char *to), in_denied_dir(AT_FDCWD, to), from, to, (from, to))
ENTRY_CALL(linkat, (int from_dir, const char *from, int to_dir, const char *to, int flags),
           in_denied_dir(to_dir, to), from, to, (from_dir, from, to_dir, to, flags))
ENTRY_CALL(unlink, (const char *path), in_denied_dir(AT_FDCWD, path), path, NULL, (path))
ENTRY_CALL(unlinkat, (int dir, const char *path, int flags), in_denied_dir(dir, path), path, NULL,
           (dir, path, flags))
ENTRY_CALL(remove, (const char *path), in_denied_dir(AT_FDCWD, path), path, NULL, (path))

/* ---- Opening and creating. */

static mode_t mode_argument(int flags, va_list args) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, mode_t) : 0;
}

#define OPEN_CALL(name, params, dir, args) \
    int name params { \
        REAL(name); \
        va_list more; \
        va_start(more, flags); \
        mode_t mode = mode_argument(flags, more); \
        va_end(more); \
        if (denied(path) || creates_in_denied_dir(dir, path, flags)) return refuse(); \
        return real_##name args; \
    }

OPEN_CALL(open, (const char *path, int flags, ...), AT_FDCWD, (path, flags, mode))
OPEN_CALL(open64, (const char *path, int flags, ...), AT_FDCWD, (path, flags, mode))
OPEN_CALL(openat, (int dir, const char *path, int flags, ...), dir, (dir, path, flags, mode))
OPEN_CALL(openat64, (int dir, const char *path, int flags, ...), dir, (dir, path, flags, mode))

/* "w" and "a" create a missing file; "r+" does not. */
static int fopen_refused(const char *path, const char *mode) {
    int creates = mode && (strchr(mode, 'w') || strchr(mode, 'a'));
    return denied(path) || (creates && creates_in_denied_dir(AT_FDCWD, path, O_CREAT));
}

#define FOPEN_CALL(name) \
    FILE *name(const char *path, const char *mode) { \
        REAL(name); \
        if (fopen_refused(path, mode)) { \
            errno = EACCES; \
            return NULL; \
        } \
        return real_##name(path, mode); \
    }

FOPEN_CALL(fopen)
FOPEN_CALL(fopen64)

#define TEMPORARY(name, params, args) \
    int name params { \
        REAL(name); \
        if (in_denied_dir(AT_FDCWD, path)) return refuse(); \
        return real_##name args; \
    }

TEMPORARY(mkstemp, (char *path), (path))
TEMPORARY(mkstemp64, (char *path), (path))
TEMPORARY(mkostemp, (char *path, int flags), (path, flags))
TEMPORARY(mkostemp64, (char *path, int flags), (path, flags))
TEMPORARY(mkstemps, (char *path, int suffix), (path, suffix))
TEMPORARY(mkstemps64, (char *path, int suffix), (path, suffix))
TEMPORARY(mkostemps, (char *path, int suffix, int flags), (path, suffix, flags))
TEMPORARY(mkostemps64, (char *path, int suffix, int flags), (path, suffix, flags))
