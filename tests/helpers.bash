# shellcheck disable=SC2034 # prog is for the cases
# Shared by the bats files. PROG is the executable under test; CTest sets
# it, and setup_suite.bash has checked that it is one. The cases run it as
# "${prog[@]}": PROG itself, or, with MEMCHECK set, PROG under valgrind's
# memcheck, whose log must stay empty.
PROG=$(realpath "$PROG")
prog=("$PROG")

setup() {
    # For returns' message, whatever the case does with standard error.
    exec 8>&2
    [[ ${MEMCHECK:-} ]] || return 0
    # A log on an inherited descriptor: a log file that valgrind opened
    # itself could take the place of a closed standard output.
    exec 9>"$BATS_TEST_TMPDIR/memcheck"
    # No gdb server, whose pipe's name holds USER, which may be long.
    prog=(valgrind -q --error-exitcode=99 --leak-check=full --vgdb=no --log-fd=9 "$PROG")
    # valgrind can't run an executable for another machine, and stops at
    # start-up, saying why, with a status of its own (1 or 126); anything
    # else that goes wrong is for the cases to find.
    local rc=0
    valgrind -q "$PROG" >/dev/null 2>"$BATS_TEST_TMPDIR/why" || rc=$?
    ((rc == 0)) || ! grep -q '^valgrind:' "$BATS_TEST_TMPDIR/why" ||
        skip "valgrind can't run $PROG: $(sed -n 's/^valgrind: *//; /./ { p; q; }' "$BATS_TEST_TMPDIR/why")"
}

teardown() {
    local dir
    for dir in "${mounted[@]}"; do umount "$dir"; done
    ! own_short || rm -rf "$short"
    [[ -z ${MEMCHECK:-} || ! -s $BATS_TEST_TMPDIR/memcheck ]] ||
        { cat "$BATS_TEST_TMPDIR/memcheck"; return 1; }
}

# returns STATUS CMD...: runs CMD, and fails unless it ends with STATUS.
returns() {
    local rc=0
    "${@:2}" || rc=$?
    ((rc == $1)) || { echo "status $rc, not $1: ${*:2}" >&8; return 1; }
}

# run_prog STATUS CMD...: returns STATUS CMD, with CMD's standard output
# and error in the files out and err of the test's directory.
run_prog() {
    returns "$@" >"$BATS_TEST_TMPDIR/out" 2>"$BATS_TEST_TMPDIR/err"
}

# is FILE [FORMAT [ARG...]]: FILE (out, err, or a path) holds exactly, byte
# for byte, what printf makes of FORMAT and the ARGs, or else standard input.
is() {
    local file=$1
    [[ $file == */* ]] || file=$BATS_TEST_TMPDIR/$file
    diff -u --text <(if (($# > 1)); then printf "${@:2}"; else cat; fi) "$file"
}

# report USER LISTING [LINE1]: the report for USER and the entry line
# LISTING, or for a root that could not be opened when LISTING is
# "unopened"; line 1 is LINE1, / by default.
report() {
    printf '%s\nuser directory: %s\n' "${3-/}" "$1"
    [[ $2 == unopened ]] || printf 'contents of root:\n%s' "$2"
    printf '\n'
}

# listing DIR: the entry line for DIR, read independently of the program:
# two blanks before each name, in the order the directory stream yields them.
listing() {
    perl -e 'opendir(my $d, $ARGV[0]) or die "$ARGV[0]: $!\n";
             print "  $_" while defined($_ = readdir $d)' "$1"
}

# own_mounts: true in the mount namespace that tests/with-own-mounts made.
own_mounts() {
    [[ -n ${TEST_MOUNT_NS:-} && $(readlink /proc/self/ns/mnt) == "$TEST_MOUNT_NS" ]]
}

# make_root DIR: turns DIR into a root for chroot that holds the program as
# /bin/test with the libraries that its own loader lists (ldd knows only
# this machine's), and /proc, which a sanitized build reads at start-up;
# mounted only in the run's own mount namespace, which dies with the run.
make_root() {
    local loader libs lib
    [[ $(id -u) == 0 ]] || skip "needs root to chroot; run the suite as root"
    [[ -z ${MEMCHECK:-} ]] || skip "runs the program in a chroot, which holds no valgrind"
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

# inject RULE CMD...: runs CMD with one system call failing as RULE tells,
# e.g. openat:error=EACCES. LeakSanitizer can't work under ptrace.
inject() {
    local rule=$1
    shift
    ASAN_OPTIONS=detect_leaks=0 strace -o /dev/null -f -e inject="$rule" "$@"
}

# dir_of_length N: makes, and prints, a directory whose real path is N
# bytes long, in the test's own directory or, under a long TMPDIR, in
# /tmp. Run it as dir=$(dir_of_length N), so that a failure fails the test.
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
