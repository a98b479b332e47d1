// Runs one command once and prints what it cost: wall time and CPU time in
// microseconds and peak resident memory in KiB, from wait4. Its standard
// output goes to /dev/null. With a root other than "-", the command runs
// chrooted there.
//
// It is built static and small on purpose: a child's peak memory counts the
// memory of the process it was forked from, so the launcher must weigh
// less than what it measures.
//
// usage: spawn ROOT COMMAND [ARG...]

#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3) {
        fputs("usage: spawn ROOT COMMAND [ARG...]\n", stderr);
        return 2;
    }
    const int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd < 0) {
        perror("/dev/null");
        return 2;
    }
    const char *const root = argv[1];
    if (root[0] != '-' && (chroot(root) != 0 || chdir("/") != 0)) {
        perror(root);
        return 2;
    }

    timespec start{};
    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid < 0) {
        perror("fork");
        return 2;
    }
    if (pid == 0) {
        dup2(null_fd, STDOUT_FILENO);
        execv(argv[2], argv + 2);
        perror(argv[2]);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) {
        perror("wait4");
        return 2;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    if (WIFSIGNALED(status)) {
        fprintf(stderr, "%s: ended by signal %d\n", argv[2], WTERMSIG(status));
        return 1;
    }
    if (WEXITSTATUS(status) != 0) {
        fprintf(stderr, "%s: exit status %d\n", argv[2], WEXITSTATUS(status));
        return 1;
    }

    const long long micro = 1000000;
    const long long wall = (end.tv_sec - start.tv_sec) * micro +
                           (end.tv_nsec - start.tv_nsec) / 1000;
    const long long cpu =
        (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * micro +
        usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
    printf("%lld %lld %ld\n", wall, cpu, usage.ru_maxrss);
    return 0;
}
