// Preloaded into a test process (LD_PRELOAD) to make the disk behave as FAT does: hard links
// are refused with EPERM, and a file opened with O_TMPFILE (an unnamed file that would later be
// given a name by a link) is refused with EOPNOTSUPP. Everything else passes through.

#undef _FORTIFY_SOURCE

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>

namespace {

template <typename F> F next(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

bool wantsTmpFile(int flags)
{
    return (flags & O_TMPFILE) == O_TMPFILE;
}

mode_t modeArgument(int flags, va_list args)
{
    return (flags & O_CREAT) || wantsTmpFile(flags) ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

} // namespace

extern "C" {

// Lets a test tell that the shim is in place.
__attribute__((visibility("default"))) int fvt_no_hard_link_shim = 1;

__attribute__((visibility("default"))) int link(const char*, const char*)
{
    errno = EPERM;
    return -1;
}

__attribute__((visibility("default"))) int linkat(int, const char*, int, const char*, int)
{
    errno = EPERM;
    return -1;
}

#define FVT_OPEN(name)                                                                             \
    __attribute__((visibility("default"))) int name(const char* path, int flags, ...)              \
    {                                                                                              \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        const mode_t mode = modeArgument(flags, args);                                             \
        va_end(args);                                                                              \
        if (wantsTmpFile(flags)) {                                                                 \
            errno = EOPNOTSUPP;                                                                    \
            return -1;                                                                             \
        }                                                                                          \
        static const auto real = next<int (*)(const char*, int, ...)>(#name);                      \
        return real(path, flags, mode);                                                            \
    }

#define FVT_OPENAT(name)                                                                           \
    __attribute__((visibility("default"))) int name(int dir, const char* path, int flags, ...)     \
    {                                                                                              \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        const mode_t mode = modeArgument(flags, args);                                             \
        va_end(args);                                                                              \
        if (wantsTmpFile(flags)) {                                                                 \
            errno = EOPNOTSUPP;                                                                    \
            return -1;                                                                             \
        }                                                                                          \
        static const auto real = next<int (*)(int, const char*, int, ...)>(#name);                 \
        return real(dir, path, flags, mode);                                                       \
    }

FVT_OPEN(open)
FVT_OPEN(open64)
FVT_OPENAT(openat)
FVT_OPENAT(openat64)

} // extern "C"
