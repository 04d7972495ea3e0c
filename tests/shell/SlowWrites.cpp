// Loaded into the client by the kill test (LD_PRELOAD): every write to a regular file puts
// half its bytes down, pauses, then writes the rest, so that a kill lands inside a write far
// more often than it would at full speed. The client itself is not changed.
#include <cstddef>
#include <dlfcn.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr long kPauseNs = 2000000;

using WriteFn = ssize_t (*)(int, const void*, std::size_t);

WriteFn realWrite() {
    static const auto fn = reinterpret_cast<WriteFn>(::dlsym(RTLD_NEXT, "write"));
    return fn;
}

} // namespace

extern "C" ssize_t write(int fd, const void* data, std::size_t size) {
    struct stat st {};
    if (size < 2 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return realWrite()(fd, data, size);
    const ssize_t half = realWrite()(fd, data, size / 2);
    if (half <= 0)
        return half;
    const timespec pause{0, kPauseNs};
    ::nanosleep(&pause, nullptr);
    return half;
}
