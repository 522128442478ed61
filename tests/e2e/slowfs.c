/* A read-only file system that serves the files of a folder, flat, and holds every stat, open
 * and read of one of them for as long as a hold file exists: a note file on a stalled network
 * share or a disk that spins up. It prints "held NAME" once such a call waits.
 *   slowfs FOLDER NAME HOLD_FILE MOUNTPOINT [FUSE options]
 * Mount it with -o attr_timeout=0,entry_timeout=0 so that each stat reaches it. */
#define FUSE_USE_VERSION 31

#include <fuse.h>

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <dirent.h>

static const char *folder, *slowName, *holdFile;

static void holdIfSlow(const char *path)
{
    if (strcmp(path + 1, slowName) != 0 || access(holdFile, F_OK) != 0)
        return;
    printf("held %s\n", slowName);
    fflush(stdout);
    const struct timespec tick = {0, 10 * 1000 * 1000};
    while (access(holdFile, F_OK) == 0)
        nanosleep(&tick, NULL);
}

static int source(const char *path, char *out)
{
    if (strchr(path + 1, '/'))
        return -ENOENT;
    return snprintf(out, PATH_MAX, "%s%s", folder, path) < PATH_MAX ? 0 : -ENAMETOOLONG;
}

static int slowGetattr(const char *path, struct stat *st, struct fuse_file_info *fi)
{
    (void)fi;
    char real[PATH_MAX];
    int error = source(path, real);
    if (error)
        return error;
    holdIfSlow(path);
    if (lstat(real, st) != 0)
        return -errno;
    st->st_mode &= ~0222;
    return 0;
}

static int slowReaddir(const char *path, void *buffer, fuse_fill_dir_t fill, off_t offset,
                       struct fuse_file_info *fi, enum fuse_readdir_flags flags)
{
    (void)offset, (void)fi, (void)flags;
    if (strcmp(path, "/") != 0)
        return -ENOTDIR;
    DIR *dir = opendir(folder);
    if (!dir)
        return -errno;
    for (struct dirent *entry; (entry = readdir(dir));)
        fill(buffer, entry->d_name, NULL, 0, 0);
    closedir(dir);
    return 0;
}

static int slowOpen(const char *path, struct fuse_file_info *fi)
{
    char real[PATH_MAX];
    int error = source(path, real);
    if (error)
        return error;
    if ((fi->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    holdIfSlow(path);
    int fd = open(real, O_RDONLY);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    /* Past the page cache: every read comes here. */
    fi->direct_io = 1;
    return 0;
}

static int slowRead(const char *path, char *buffer, size_t size, off_t offset,
                    struct fuse_file_info *fi)
{
    holdIfSlow(path);
    ssize_t got = pread((int)fi->fh, buffer, size, offset);
    return got < 0 ? -errno : (int)got;
}

static int slowRelease(const char *path, struct fuse_file_info *fi)
{
    (void)path;
    close((int)fi->fh);
    return 0;
}

static const struct fuse_operations operations = {
    .getattr = slowGetattr,
    .readdir = slowReaddir,
    .open = slowOpen,
    .read = slowRead,
    .release = slowRelease,
};

int main(int argc, char *argv[])
{
    if (argc < 5) {
        fprintf(stderr, "usage: %s FOLDER NAME HOLD_FILE MOUNTPOINT [FUSE options]\n", argv[0]);
        return 2;
    }
    folder = argv[1], slowName = argv[2], holdFile = argv[3];
    argv[3] = argv[0];
    return fuse_main(argc - 3, argv + 3, &operations, NULL);
}
