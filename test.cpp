// Reports where the process stands: it moves to the file-system root, prints
// the working directory as the system reports it, the value of USER, and the
// names of all entries of the root directory on one line.
//
// Standard output keeps its default buffering and is closed once, at the
// end, so that its failure can be reported and turned into exit status 1.

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <dirent.h>
#include <unistd.h>

int main()
{
    const char *const root = "/";

    // Any write to standard output, or its close, may be the one that fails,
    // as whichever fills the buffer writes it out. Only errno says why, and
    // only until the next call, so the first reason is kept.
    bool write_failed = false;
    int write_error = 0;
    const auto wrote = [&write_failed, &write_error](int result) {
        if (result < 0 && !write_failed) {
            write_failed = true;
            write_error = errno;
        }
    };

    if (chdir(root) != 0) {
        // Not reported: line 1 then shows where the program was started, and
        // the listing opens the root by its absolute path.
    }

    // Holds a path of at most 99 bytes; a longer one is possible only when
    // the change to the root failed.
    constexpr size_t cwd_size = 100;
    char cwd[cwd_size];
    if (getcwd(cwd, sizeof cwd) == nullptr) {
        perror("getcwd() error");
        cwd[0] = '\0';
    }
    wrote(puts(cwd));

    // An unset USER reads as empty, as it would in a shell.
    const char *const user = getenv("USER");
    wrote(printf("user directory: %s\n", user != nullptr ? user : ""));

    int read_error = 0;
    DIR *const dir = opendir(root);
    if (dir == nullptr) {
        perror("opendir() error");
    } else {
        wrote(puts("contents of root:"));
        // readdir returns null both at the end and on error; only errno
        // tells the two apart. It is cleared before every read, since a
        // failed write in between may have set it.
        for (;;) {
            errno = 0;
            const dirent *const entry = readdir(dir);
            if (entry == nullptr) {
                break;
            }
            wrote(printf("  %s", entry->d_name));
        }
        read_error = errno;
        closedir(dir);
    }
    wrote(putchar('\n'));
    // Closing writes out what the buffer holds and reports what the file
    // system kept back until then (a lost write on a network file system).
    wrote(fclose(stdout));

    // Only now, so that in a file or pipe that both streams share the line
    // follows the whole listing instead of splitting it.
    if (read_error != 0) {
        errno = read_error;
        perror("readdir() error");
    }
    if (write_failed) {
        // A failure that left no reason is not given one.
        if (write_error == 0) {
            (void)fputs("write error\n", stderr);
        } else {
            errno = write_error;
            perror("write error");
        }
        return 1;
    }
    return 0;
}
