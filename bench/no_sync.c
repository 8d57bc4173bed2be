/* Preloaded into chpimport by bench/compare.sh (LD_PRELOAD) to time the same import without
   its waits for the disk: every fsync and fdatasync returns at once, having done nothing.
   A measuring tool only; never for real imports. */
int fsync(int fd) {
    (void)fd;
    return 0;
}

int fdatasync(int fd) {
    (void)fd;
    return 0;
}
