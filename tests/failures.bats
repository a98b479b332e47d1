load helpers
# shellcheck disable=SC2154 # prog comes from helpers.bash

@test "a root that can't be opened: error line, empty line, status 0" {
    local root=$BATS_TEST_TMPDIR/root run
    if [[ $(id -u) == 0 && -z ${MEMCHECK:-} ]] && own_mounts; then
        # A real failure: a root that can be entered but not read.
        make_root "$root"
        chmod 0711 "$root"
        run=(chroot --userspec=65534:65534 "$root" /bin/test)
    else
        run=(inject openat:error=EACCES -P / "${prog[@]}")
    fi
    USER=tester run_prog 0 "${run[@]}"
    report tester unopened | is out
    is err 'opendir() error: Permission denied\n'

    # In one file the error line comes first: stdout waits in its buffer.
    USER=tester "${run[@]}" >"$BATS_TEST_TMPDIR/both" 2>&1
    { echo 'opendir() error: Permission denied'; report tester unopened; } | is both
}

@test "a read that fails part way ends the entry line and is reported" {
    # The first read returns every entry of a small root; the second fails.
    USER=tester run_prog 0 inject getdents64:error=EIO:when=2 -P / "${prog[@]}"
    report tester "$(listing /)" | is out
    is err 'readdir() error: Input/output error\n'

    USER=tester run_prog 0 inject getdents64:error=EIO:when=1 -P / "${prog[@]}"
    report tester '' | is out
    is err 'readdir() error: Input/output error\n'

    # In one file the error line follows the report; both failures count.
    USER=tester inject getdents64:error=EIO:when=2 -P / "${prog[@]}" >"$BATS_TEST_TMPDIR/both" 2>&1
    { report tester "$(listing /)"; echo 'readdir() error: Input/output error'; } | is both
    returns 1 inject getdents64:error=EIO:when=2 -P / "${prog[@]}" >/dev/full 2>"$BATS_TEST_TMPDIR/err"
    is err 'readdir() error: Input/output error\nwrite error: No space left on device\n'
}

@test "a failed chdir: a path of 99 bytes is line 1; of 100, the getcwd error" {
    local dir
    dir=$(dir_of_length 99)
    cd "$dir"
    USER=tester run_prog 0 inject chdir:error=EACCES "${prog[@]}"
    report tester "$(listing /)" "$dir" | is out
    is err ''

    dir=$(dir_of_length 100)
    cd "$dir"
    USER=tester run_prog 0 inject chdir:error=EACCES "${prog[@]}"
    report tester "$(listing /)" '' | is out
    is err 'getcwd() error: Numerical result out of range\n'
}

# long_users BLOCK: USERs for a report that fills the buffer of an output
# whose block size is BLOCK exactly before the final newline, and for one
# that first fills it at the first entry, where a stale errno could pass for
# a read error. Lines 1 to 3 hold 37 bytes besides USER. The C library sizes
# the buffer by the block size (stat -c %o), but makes it at most BUFSIZ,
# 8 KiB, where the blocks are larger (a huge-page tmpfs, NFS).
long_users() {
    local buffer=$(($1 < 8192 ? $1 : 8192)) size
    for size in $((buffer - 37 - $(listing / | wc -c))) $((buffer - 38)); do
        ((size > 0)) || return 1
        printf 'u%.0s' $(seq "$size")
        printf '\n'
    done
}

@test "a full device: status 1 and its reason, at any size" {
    local user users
    users=$(long_users "$(stat -L -c %o /dev/full)")
    for user in tester $users; do
        USER=$user returns 1 "${prog[@]}" >/dev/full 2>"$BATS_TEST_TMPDIR/err"
        is err 'write error: No space left on device\n'
    done
}

@test "a closed standard output: status 1 and its reason" {
    returns 1 "${prog[@]}" >&- 2>"$BATS_TEST_TMPDIR/err"
    is err 'write error: Bad file descriptor\n'
}

@test "a pipe whose reader has gone: the write error, or SIGPIPE's status" {
    local fifo=$BATS_TEST_TMPDIR/fifo
    mkfifo "$fifo"
    # Opening for reading and writing first keeps the open for writing
    # from blocking; closing the reader then leaves the writer alone.
    exec 6<>"$fifo" 7>"$fifo" 6<&-
    returns 1 env --ignore-signal=PIPE "${prog[@]}" >&7 2>"$BATS_TEST_TMPDIR/err"
    is err 'write error: Broken pipe\n'
    # With the default SIGPIPE, the signal ends it quietly.
    returns 141 env --default-signal=PIPE "${prog[@]}" >&7 2>"$BATS_TEST_TMPDIR/err"
    exec 7>&-
    is err ''
}

@test "a close that fails: status 1 and its reason" {
    # A file system that kept the write back; -P fails only stdout's close.
    local out=$BATS_TEST_TMPDIR/out
    returns 1 inject close:error=EDQUOT -P "$out" "${prog[@]}" >"$out" 2>"$BATS_TEST_TMPDIR/err"
    is err 'write error: Disk quota exceeded\n'
}

@test "a write that fails once: status 1 and the first failure's reason" {
    # The first failure's reason, not that of the failed close after it.
    local out=$BATS_TEST_TMPDIR/out user users
    : >"$out"
    users=$(long_users "$(stat -c %o "$out")")
    for user in $users; do
        USER=$user returns 1 inject write:error=EAGAIN:when=1 -e inject=close:error=EDQUOT -P "$out" \
            "${prog[@]}" >"$out" 2>"$BATS_TEST_TMPDIR/err"
        is err 'write error: Resource temporarily unavailable\n'
    done
}

@test "a write that fails once on a terminal, on line 1, 2 or 3" {
    # On a terminal each line is written as it ends.
    local when
    export -f inject
    script -qec true /dev/null </dev/null >/dev/null 2>&1 ||
        skip "needs a terminal, and script can't open a pseudo-terminal here"
    for when in 1 2 3; do
        : >"$BATS_TEST_TMPDIR/err"
        SHELL=/bin/bash returns 1 script -qec "inject write:error=EAGAIN:when=$when -P \"\$(tty)\" $(printf '%q ' "${prog[@]}") \
            2>$(printf %q "$BATS_TEST_TMPDIR/err")" /dev/null </dev/null >/dev/null
        is err 'write error: Resource temporarily unavailable\n'
    done
}
