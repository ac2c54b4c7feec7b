# Package steps that survive a flaky mirror, for the set-up scripts (sourced).
#
# A mirror in the middle of a sync serves an index or a file that does not
# match its Release file for a few minutes; a network hiccup loses one
# download. apt-get then exits non-zero although everything the set-up needs
# may still be there. So each step is tried a few times with a short pause,
# and an index that still fails is reported as one warning line and passed
# over: whether it was needed shows when the wanted packages are resolved,
# and only then does the set-up stop, naming the package and what failed.
#
# The caller sets APT_SAY, the prefix of its lines ("wine32-setup", ...).
# ORVALE_APT_TRIES (default 3) and ORVALE_APT_PAUSE (seconds, default 5)
# tune the retries.

APT_SAY=${APT_SAY:-setup}
APT_TRIES=${ORVALE_APT_TRIES:-3}
APT_PAUSE=${ORVALE_APT_PAUSE:-5}
# Every apt-get call also retries a single failed download itself.
APT_RETRY_OPTS=(-o Acquire::Retries=2)
# How apt-get is called (a caller that is not root puts sudo in front).
[[ -n "${APT_GET[*]-}" ]] || APT_GET=(apt-get)

apt_say() { echo "$APT_SAY: $*" >&2; }

# apt_try LOG CMD...: runs CMD up to APT_TRIES times, output to LOG (only the
# last attempt's stays), and returns its last exit status.
apt_try() {
    local log=$1 i rc=0
    shift
    for ((i = 1; i <= APT_TRIES; i++)); do
        "$@" >"$log" 2>&1 && return 0
        rc=$?
        (( i < APT_TRIES )) && sleep "$APT_PAUSE"
    done
    return $rc
}

# The indexes an `apt-get update` log reports as failed, one "URL (reason)"
# a line. apt prints "Err:N <index>" with the reason on the next, indented
# line; an index that failed more than once is named once.
apt_failed_indexes() {
    awk '
        /^Err:[0-9]+ / { sub(/^Err:[0-9]+ /, ""); idx = $0; next }
        idx != "" && /^  / { r = $0; sub(/^ +/, "", r); if (!(idx in seen)) { seen[idx] = 1; print idx " (" r ")" } idx = ""; next }
        { idx = "" }
    ' "$1"
}

# The failed indexes of an update log on one line, for a line that says why
# a package could not be had.
apt_failed_summary() {
    apt_failed_indexes "$1" | cut -d' ' -f1-4 | paste -sd ';'
}

# apt_update LOG APT-ARGS...: `apt-get update` with retries. Indexes that
# still fail are each named in one warning line; the update counts as done
# when anything at all could be read, and fails otherwise.
apt_update() {
    local log=$1 line
    shift
    apt_try "$log" "${APT_GET[@]}" "${APT_RETRY_OPTS[@]}" "$@" update && return 0
    # Nothing could be fetched at all: no use going on.
    if ! grep -qE '^(Hit|Get):' "$log"; then
        apt_say "apt-get update failed: $(apt_reason "$log")"
        return 1
    fi
    while IFS= read -r line; do
        apt_say "warning: index $line failed to download; going on without it"
    done < <(apt_failed_indexes "$log")
    return 0
}

# One line that says why an apt-get call failed: apt's own error, shortened
# to what names the package or the file.
apt_reason() {
    local log=$1 why
    why=$(grep -E '^E: ' "$log" | grep -vE 'Some index files failed|Unable to correct problems|Unable to fetch some archives' | head -n 1)
    [[ -n "$why" ]] || why=$(grep -E '^E: ' "$log" | head -n 1)
    [[ -n "$why" ]] || why=$(tail -n 1 "$log")
    why=${why#E: }
    # "Failed to fetch URL  reason": the file and the reason, on one line.
    echo "${why//  / }"
}
