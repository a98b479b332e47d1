# Read by bats once, before any case. Without an executable to test, or a
# tool that the cases run, it stops with one line that says so: a failed
# setup_suite would instead be reported with bats's trace, as a failed case.
stop() {
    echo "$1" >&2
    trap - EXIT
    exit 1
}
[[ -f ${PROG:-} && -x $PROG ]] ||
    stop "PROG=${PROG:-}: no executable there; set PROG to the built one, e.g. PROG=build/bin/test"
missing=()
for tool in perl readelf strace ${MEMCHECK:+valgrind}; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
((${#missing[@]} == 0)) || stop "not found: ${missing[*]}; tools/deps test installs every tool the tests need"

setup_suite() { :; }
