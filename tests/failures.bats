load helpers

@test "a root that can't be opened: error line, empty line, status 0" {
    local root=$BATS_TEST_TMPDIR/root prog
    if [[ $(id -u) == 0 ]] && own_mounts; then
        # A real failure: a root that can be entered but not read.
        make_root "$root"
        chmod 0711 "$root"
        prog=(chroot --userspec=65534:65534 "$root" /bin/test)
    else
        prog=(inject openat:error=EACCES -P / "$PROG")
    fi
    USER=tester run_prog "${prog[@]}"
    [[ $rc == 0 ]]
    is out '/\nuser directory: tester\n\n'
    is err 'opendir() error: Permission denied\n'

    # Standard output waits in its buffer until exit, so in one file the
    # error line comes first.
    USER=tester "${prog[@]}" >"$BATS_TEST_TMPDIR/both" 2>&1
    is both 'opendir() error: Permission denied\n/\nuser directory: tester\n\n'
}

@test "a read that fails part way ends the entry line and is reported" {
    # The first read returns every entry of a small root; the second fails.
    USER=tester run_prog inject getdents64:error=EIO:when=2 -P / "$PROG"
    [[ $rc == 0 ]]
    is out '/\nuser directory: tester\ncontents of root:\n%s\n' "$(listing /)"
    is err 'readdir() error: Input/output error\n'

    USER=tester run_prog inject getdents64:error=EIO:when=1 -P / "$PROG"
    [[ $rc == 0 ]]
    is out '/\nuser directory: tester\ncontents of root:\n\n'
    is err 'readdir() error: Input/output error\n'

    # The error line waits until the report is out, so in one file it
    # follows the report; if the report is lost too, both are reported.
    USER=tester inject getdents64:error=EIO:when=2 -P / "$PROG" >"$BATS_TEST_TMPDIR/both" 2>&1
    is both '/\nuser directory: tester\ncontents of root:\n%s\nreaddir() error: Input/output error\n' "$(listing /)"
    rc=0
    inject getdents64:error=EIO:when=2 -P / "$PROG" >/dev/full 2>"$BATS_TEST_TMPDIR/err" || rc=$?
    [[ $rc == 1 ]]
    is err 'readdir() error: Input/output error\nwrite error: No space left on device\n'
}

@test "a failed chdir: a path of 99 bytes is line 1; of 100, the getcwd error" {
    local dir
    dir=$(dir_of_length 99)
    cd "$dir"
    USER=tester run_prog inject chdir:error=EACCES "$PROG"
    [[ $rc == 0 ]]
    is out '%s\nuser directory: tester\ncontents of root:\n%s\n' "$dir" "$(listing /)"
    is err ''

    dir=$(dir_of_length 100)
    cd "$dir"
    USER=tester run_prog inject chdir:error=EACCES "$PROG"
    [[ $rc == 0 ]]
    is out '\nuser directory: tester\ncontents of root:\n%s\n' "$(listing /)"
    is err 'getcwd() error: Numerical result out of range\n'
}

@test "output that can't be written: status 1 and the write error" {
    rc=0
    "$PROG" >/dev/full 2>"$BATS_TEST_TMPDIR/err" || rc=$?
    [[ $rc == 1 ]]
    is err 'write error: No space left on device\n'

    rc=0
    "$PROG" >&- 2>"$BATS_TEST_TMPDIR/err" || rc=$?
    [[ $rc == 1 ]]
    is err 'write error: Bad file descriptor\n'

    # A pipe whose reader has gone, with SIGPIPE ignored.
    local fifo=$BATS_TEST_TMPDIR/fifo
    mkfifo "$fifo"
    # Opening for reading and writing first keeps the open for writing
    # from blocking; closing the reader then leaves the writer alone.
    exec 8<>"$fifo" 9>"$fifo" 8<&-
    rc=0
    env --ignore-signal=PIPE "$PROG" >&9 2>"$BATS_TEST_TMPDIR/err" || rc=$?
    [[ $rc == 1 ]]
    is err 'write error: Broken pipe\n'
    # With the default SIGPIPE, the signal ends it quietly.
    rc=0
    env --default-signal=PIPE "$PROG" >&9 2>"$BATS_TEST_TMPDIR/err" || rc=$?
    exec 9>&-
    [[ $rc == 141 ]]
    is err ''

    # A close that fails: the file system kept the write back until then.
    # -P limits the failure to the close of standard output.
    local out=$BATS_TEST_TMPDIR/out
    rc=0
    inject close:error=EDQUOT -P "$out" "$PROG" >"$out" 2>"$BATS_TEST_TMPDIR/err" || rc=$?
    [[ $rc == 1 ]]
    is err 'write error: Disk quota exceeded\n'

    # A full device keeps its reason at any size: a report that fills the
    # 4 KiB buffer exactly before the final newline, and one that first
    # fills it mid-listing, where a stale errno could pass for a read error.
    # Lines 1 to 3 hold 37 bytes besides USER.
    local fill=$((4096 - 37 - $(listing / | wc -c))) user
    for user in "$(printf 'u%.0s' $(seq $fill))" "$(printf 'u%.0s' {1..4000})"; do
        rc=0
        USER=$user "$PROG" >/dev/full 2>"$BATS_TEST_TMPDIR/err" || rc=$?
        [[ $rc == 1 ]]
        is err 'write error: No space left on device\n'

        # A failure that does not last, in the same write: the lost output
        # still fails the run, for the first failure's reason, not the
        # failed close's after it.
        rc=0
        USER=$user inject write:error=EAGAIN:when=1 -e inject=close:error=EDQUOT -P "$out" \
            "$PROG" >"$out" 2>"$BATS_TEST_TMPDIR/err" || rc=$?
        [[ $rc == 1 ]]
        is err 'write error: Resource temporarily unavailable\n'
    done
    # On a terminal, where each line is written as it ends, the failed
    # write is that of line 1, 2 or 3.
    local when
    export -f inject
    script -qec true /dev/null </dev/null >/dev/null 2>&1 ||
        skip "the rest needs a terminal, and script can't open a pseudo-terminal here"
    for when in 1 2 3; do
        rc=0
        : >"$BATS_TEST_TMPDIR/err"
        SHELL=/bin/bash script -qec "inject write:error=EAGAIN:when=$when $(printf %q "$PROG") \
            2>$(printf %q "$BATS_TEST_TMPDIR/err")" /dev/null </dev/null >/dev/null || rc=$?
        [[ $rc == 1 ]]
        is err 'write error: Resource temporarily unavailable\n'
    done
}
