# Shared by the bats files. PROG is the executable under test; CTest sets
# it, and setup_suite.bash has checked that it is one.
PROG=$(realpath "$PROG")

# run_prog CMD...: runs CMD with its standard output and error in the files
# out and err of the test's own directory, and its exit status in $rc.
# shellcheck disable=SC2034 # rc is for the caller
run_prog() {
    rc=0
    "$@" >"$BATS_TEST_TMPDIR/out" 2>"$BATS_TEST_TMPDIR/err" || rc=$?
}

# is FILE FORMAT [ARG...]: FILE (out, err, or a path) holds exactly, byte for
# byte, what printf makes of FORMAT and the ARGs.
is() {
    local file=$1
    shift
    [[ $file == */* ]] || file=$BATS_TEST_TMPDIR/$file
    diff -u --text <(printf "$@") "$file"
}

# listing DIR: the entry line for DIR, read independently of the program:
# two blanks before each name, in the order the directory stream yields them.
listing() {
    perl -e 'opendir(my $d, $ARGV[0]) or die "$ARGV[0]: $!\n";
             print "  $_" while defined($_ = readdir $d)' "$1"
}

need_root() {
    [[ $(id -u) == 0 ]] || skip "needs root to chroot; run the suite as root"
}

# own_mounts: true in the mount namespace that tests/with-own-mounts made.
own_mounts() {
    [[ -n ${TEST_MOUNT_NS:-} && $(readlink /proc/self/ns/mnt) == "$TEST_MOUNT_NS" ]]
}

# make_root DIR: turns DIR into a root for chroot that holds the program as
# /bin/test with the shared libraries it loads, and /proc, which a sanitized
# build reads at start-up. Mounts are made only in a mount namespace that
# the run has to itself, so that a killed run leaves nothing mounted. The
# libraries are those that PROG's own loader lists, since ldd knows only the
# machine's own loaders, and PROG may be built for another.
make_root() {
    local loader libs lib
    own_mounts ||
        skip "needs a mount namespace of its own, which tests/with-own-mounts gives root where unshare works"
    mkdir -p "$1/bin" "$1/proc"
    cp "$PROG" "$1/bin/test"
    loader=$(readelf -lW "$PROG" | sed -n 's/.*program interpreter: \(.*\)]$/\1/p')
    if [[ $loader ]]; then
        libs=$("$loader" --list "$PROG")
        for lib in $(grep -o '/[^ ]*' <<<"$libs"); do
            cp -L --parents "$lib" "$1"
        done
    fi
    mount_in "$1/proc" -t proc proc || skip "can't mount /proc in the test root"
}

# mount_in DIR MOUNT-ARG...: mounts on DIR, for teardown to unmount.
mount_in() {
    mount "${@:2}" "$1" && mounted=("$1" "${mounted[@]}")
}
mounted=()

teardown() {
    local dir
    for dir in "${mounted[@]}"; do umount "$dir"; done
    ! own_short || rm -rf "$short"
}

# inject RULE CMD...: runs CMD with one system call failing as RULE tells,
# e.g. openat:error=EACCES. LeakSanitizer can't work under ptrace.
inject() {
    local rule=$1
    shift
    ASAN_OPTIONS=detect_leaks=0 strace -o /dev/null -f -e inject="$rule" "$@"
}

# dir_of_length N: makes, and prints, a directory whose path, as the system
# reports it, is exactly N bytes long: in the test's own directory, or in
# /tmp where that is too long already (a long TMPDIR). Run it as
# dir=$(dir_of_length N), so that a failure fails the test.
short=/tmp/root-report-test.$$
own_short() { [[ -d $short && ! -L $short && -O $short ]]; }
dir_of_length() {
    local dir
    dir=$(realpath "$BATS_TEST_TMPDIR")/
    if (($1 <= ${#dir})); then
        # Made by this test's own earlier call, or now; never another's.
        own_short || mkdir -m 0700 "$short" || return 1
        dir=$(realpath "$short")/
    fi
    (($1 > ${#dir})) || { echo "$dir is $1 bytes or longer" >&2; return 1; }
    dir+=$(printf 'd%.0s' $(seq $(($1 - ${#dir}))))
    mkdir -p "$dir"
    echo "$dir"
}
