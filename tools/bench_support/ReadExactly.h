#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>

namespace bench {

// Reads exactly `size` bytes from a descriptor; false at its end or on an error.
inline bool readExactly(int fd, char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::read(fd, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace bench
