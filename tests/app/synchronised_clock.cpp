// Loaded with LD_PRELOAD into a program under test: its reading of the PC clock's state says
// "synchronised, 1 ms estimated error", whatever this machine's clock is, so that a test can
// see the program's state without this machine's time service in it. Reads only: a call that
// would change the clock fails.
#include <sys/timex.h>

#include <cerrno>

extern "C" int adjtimex(struct timex* reading) {
    if (reading->modes != 0) {
        errno = EPERM;
        return -1;
    }
    *reading = timex{};
    reading->esterror = 1000;  // microseconds
    return TIME_OK;
}
