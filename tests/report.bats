load helpers
# shellcheck disable=SC2154 # prog comes from helpers.bash

@test "from another directory, with arguments, it reports the root" {
    mkdir "$BATS_TEST_TMPDIR/elsewhere"
    cd "$BATS_TEST_TMPDIR/elsewhere"
    USER=tester run_prog 0 "${prog[@]}" -l --help /tmp
    report tester "$(listing /)" | is out
    is err ''
}

# A root with names of every awkward kind, more than a buffer's worth
# (8 KiB at most).
odd_root() {
    local name
    make_root "$1"
    for name in 'two  blanks' $'new\nline' '-n' '%s%n%%' 'back\slash' '.hidden' \
        name-of-twenty-{001..450}; do
        touch "$1/$name"
    done
}

@test "names are written byte for byte, in stream order, past one buffer" {
    local root=$BATS_TEST_TMPDIR/root
    odd_root "$root"
    USER=tester run_prog 0 chroot "$root" /bin/test
    report tester "$(listing "$root")" | is out

    # A failed read is reported after the whole listing, not inside it.
    USER=tester inject getdents64:error=EIO:when=2 -P "$(realpath "$root")" chroot "$root" /bin/test \
        >"$BATS_TEST_TMPDIR/both" 2>&1
    { report tester "$(listing "$root")"; echo 'readdir() error: Input/output error'; } | is both

    # A write that fails mid-listing leaves its errno behind; it must not
    # pass for a failed read.
    returns 1 chroot "$root" /bin/test >/dev/full 2>"$BATS_TEST_TMPDIR/err"
    is err 'write error: No space left on device\n'
}

@test "entries numbered past 2^32 are listed" {
    # Through an overlay whose upper layer is another file system, where a
    # 32-bit readdir without 64-bit inode numbers fails.
    local root=$BATS_TEST_TMPDIR/root wide=$BATS_TEST_TMPDIR/wide
    odd_root "$root"
    mkdir "$wide" "$wide.layers"
    mount_in "$wide.layers" -t tmpfs tmpfs
    mkdir "$wide.layers/upper" "$wide.layers/work"
    mount_in "$wide" -t overlay overlay -o "xino=on,lowerdir=$root,upperdir=$wide.layers/upper,workdir=$wide.layers/work" &&
        mount_in "$wide/proc" -t proc proc &&
        perl -e 'exit !((stat $ARGV[0])[1] > 2**32)' "$wide/bin" ||
        skip "no overlay here numbers its entries past 2^32"
    USER=tester run_prog 0 chroot "$wide" /bin/test
    report tester "$(listing "$wide")" | is out
    is err ''
}

@test "USER is written as it stands: empty, unset, or holding % signs" {
    USER='' run_prog 0 "${prog[@]}"
    report '' "$(listing /)" | is out

    run_prog 0 env -u USER "${prog[@]}"
    report '' "$(listing /)" | is out
    is err ''

    USER='%s%n%d 100%' run_prog 0 "${prog[@]}"
    report '%s%n%d 100%' "$(listing /)" | is out
}
