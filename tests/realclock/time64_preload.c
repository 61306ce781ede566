/* Debian's 32-bit Wine reads the clock through glibc's 64-bit time entry points, which its
   32-bit libfaketime does not wrap, so that Wine would see the real clock. Preloaded before
   libfaketime, these forward them to the 32-bit entry points it does wrap (good until 2038).
   Built without headers, so that no 32-bit development files are needed. */
struct timespec32 {
    long sec, nsec;
};
struct timespec64 {
    long long sec;
    long nsec, pad;
};
struct timeval32 {
    long sec, usec;
};
struct timeval64 {
    long long sec, usec;
};
int clock_gettime(int clock, struct timespec32 *out);
int gettimeofday(struct timeval32 *out, void *zone);
long time(long *out);

int __clock_gettime64(int clock, struct timespec64 *out) {
    struct timespec32 now;
    int status = clock_gettime(clock, &now);
    out->sec = now.sec;
    out->nsec = now.nsec;
    out->pad = 0;
    return status;
}

int __gettimeofday64(struct timeval64 *out, void *zone) {
    struct timeval32 now;
    int status = gettimeofday(&now, zone);
    if (out) {
        out->sec = now.sec;
        out->usec = now.usec;
    }
    return status;
}

long long __time64(long long *out) {
    long long now = time(0);
    if (out)
        *out = now;
    return now;
}
