load helpers

@test "from another directory, with arguments, it reports the root" {
    mkdir "$BATS_TEST_TMPDIR/elsewhere"
    cd "$BATS_TEST_TMPDIR/elsewhere"
    run_prog env USER=tester "$PROG" -l --help /tmp
    [[ $rc == 0 ]]
    is out '/\nuser directory: tester\ncontents of root:\n%s\n' "$(listing /)"
    is err ''
}

@test "names are written byte for byte, in stream order, past one buffer" {
    need_root
    local root=$BATS_TEST_TMPDIR/root name
    make_root "$root"
    for name in 'two  blanks' $'new\nline' '-n' '%s%n%%' 'back\slash' '.hidden' \
        name-of-twenty-{001..300}; do
        touch "$root/$name"
    done
    run_prog env USER=tester chroot "$root" /bin/test
    [[ $rc == 0 ]]
    is out '/\nuser directory: tester\ncontents of root:\n%s\n' "$(listing "$root")"

    # A failed read is reported after the whole listing, not inside it.
    USER=tester inject getdents64:error=EIO:when=2 -P "$(realpath "$root")" chroot "$root" /bin/test \
        >"$BATS_TEST_TMPDIR/both" 2>&1
    is both '/\nuser directory: tester\ncontents of root:\n%s\nreaddir() error: Input/output error\n' "$(listing "$root")"

    # A write that fails mid-listing leaves its errno behind; it must not
    # pass for a failed read.
    rc=0
    chroot "$root" /bin/test >/dev/full 2>"$BATS_TEST_TMPDIR/err" || rc=$?
    [[ $rc == 1 ]]
    is err 'write error: No space left on device\n'

    # Seen through an overlay whose upper layer is another file system, the
    # entries get inode numbers past 2^32, on which a 32-bit readdir without
    # 64-bit inode numbers fails.
    local wide=$BATS_TEST_TMPDIR/wide
    mkdir "$wide" "$wide.layers"
    mount_in "$wide.layers" -t tmpfs tmpfs
    mkdir "$wide.layers/upper" "$wide.layers/work"
    mount_in "$wide" -t overlay overlay -o "xino=on,lowerdir=$root,upperdir=$wide.layers/upper,workdir=$wide.layers/work" &&
        mount_in "$wide/proc" -t proc proc &&
        perl -e 'exit !((stat $ARGV[0])[1] > 2**32)' "$wide/bin" ||
        skip "the checks above passed, but no overlay here numbers its entries past 2^32"
    run_prog env USER=tester chroot "$wide" /bin/test
    [[ $rc == 0 ]]
    is out '/\nuser directory: tester\ncontents of root:\n%s\n' "$(listing "$wide")"
    is err ''
}

@test "USER is written as it stands: empty, unset, or holding % signs" {
    run_prog env USER= "$PROG"
    is <(sed -n 2p "$BATS_TEST_TMPDIR/out") 'user directory: \n'

    run_prog env -u USER "$PROG"
    [[ $rc == 0 ]]
    is <(sed -n 2p "$BATS_TEST_TMPDIR/out") 'user directory: \n'
    is err ''

    run_prog env USER='%s%n%d 100%' "$PROG"
    is <(sed -n 2p "$BATS_TEST_TMPDIR/out") 'user directory: %%s%%n%%d 100%%\n'
}
