# Read by bats once, before any case. Without an executable to test, it
# stops with one line that says so: a failed setup_suite would instead be
# reported with bats's trace, as a failed case.
if ! [[ -f ${PROG:-} && -x $PROG ]]; then
    echo "PROG=${PROG:-}: no executable there; set PROG to the built one, e.g. PROG=build/bin/test" >&2
    trap - EXIT
    exit 1
fi

setup_suite() { :; }
