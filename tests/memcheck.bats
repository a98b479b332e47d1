# The program under valgrind's memcheck on its normal path and on each
# failure path. Every case also checks that its path was really taken.
load helpers

setup() {
    # A log on an inherited descriptor: a log file that valgrind opened itself
    # could take the place of a closed standard output.
    exec 9>"$BATS_TEST_TMPDIR/memcheck"
    memcheck=(valgrind -q --error-exitcode=99 --leak-check=full --log-fd=9
              "$PROG")
    # valgrind can't run an executable for another machine, and stops at
    # start-up, saying why, with a status of its own (1 or 126); anything
    # else that goes wrong is for the cases to find.
    local rc=0
    valgrind -q --error-exitcode=99 "$PROG" >/dev/null 2>"$BATS_TEST_TMPDIR/why" || rc=$?
    ((rc == 0 || rc == 99)) || ! grep -q '^valgrind:' "$BATS_TEST_TMPDIR/why" ||
        skip "valgrind can't run $PROG: $(sed -n 's/^valgrind: *//; /./ { p; q; }' "$BATS_TEST_TMPDIR/why")"
}

# clean STATUS: the run ended with STATUS and memcheck reported nothing.
clean() {
    cat "$BATS_TEST_TMPDIR/memcheck"
    [[ $rc == "$1" && ! -s $BATS_TEST_TMPDIR/memcheck ]]
}

@test "normal run, with USER unset" {
    run_prog env -u USER "${memcheck[@]}"
    clean 0
    grep -q '^contents of root:$' "$BATS_TEST_TMPDIR/out"
}

@test "the root can't be opened, a read fails part way" {
    run_prog inject openat:error=EACCES -P / "${memcheck[@]}"
    clean 0
    is err 'opendir() error: Permission denied\n'

    run_prog inject getdents64:error=EIO:when=2 -P / "${memcheck[@]}"
    clean 0
    is err 'readdir() error: Input/output error\n'
}

@test "chdir fails from a long path" {
    local dir
    dir=$(dir_of_length 100)
    cd "$dir"
    run_prog inject chdir:error=EACCES "${memcheck[@]}"
    clean 0
    is err 'getcwd() error: Numerical result out of range\n'
}

@test "output can't be written" {
    rc=0
    "${memcheck[@]}" >/dev/full 2>"$BATS_TEST_TMPDIR/err" || rc=$?
    clean 1
    is err 'write error: No space left on device\n'

    rc=0
    "${memcheck[@]}" >&- 2>"$BATS_TEST_TMPDIR/err" || rc=$?
    clean 1
    is err 'write error: Bad file descriptor\n'
}
