# Sourced by the bench scripts: paired timings of a tool against its baseline.
# Set before calling: runs (how many pairs), work (a scratch folder).

# Prints "seconds peak_kib" for one command, which must succeed.
measure() {
    local start end
    # Nothing left to write back from the run before, whichever program it was.
    sync
    start=$(date +%s.%N)
    /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null 2>"$work/stderr" || { cat "$work/stderr" >&2; exit 1; }
    end=$(date +%s.%N)
    echo "$(echo "$end - $start" | awk '{ print $1 - $3 }') $(cat "$work/rss")"
}

# Every run starts from the same scene, whichever program ran before it, as replacing the file that the run
# just before had written took twice as long on a file system that discards freed blocks:
#   new_run LIBRARY COMMAND...      LIBRARY is not there
#   replace_run LIBRARY COMMAND...  LIBRARY is a copy of $work/old.lib, made just before
new_run() {
    rm -f "$1"
    measure "${@:2}"
}
replace_run() {
    cp "$work/old.lib" "$1"
    measure "${@:2}"
}

# row NAME BASELINE_LABEL TARGET: paired runs of the functions NAME_baseline and NAME_gam2lib, each printing
# what measure prints; appends the medians to the array `summary`.
summary=()
row() {
    local name=$1 label=$2 target=$3 b g rss ratio results=()
    printf '\n%s\n%-4s %12s %10s %8s %12s\n' "$name" run "${label}_s" gam2lib_s ratio gam2lib_kib
    for i in $(seq 1 "$runs"); do
        # Alternate who goes first, so neither always meets the other's dirty pages.
        if [ $((i % 2)) -eq 1 ]; then
            read -r b _ < <("${name}_baseline")
            read -r g rss < <("${name}_gam2lib")
        else
            read -r g rss < <("${name}_gam2lib")
            read -r b _ < <("${name}_baseline")
        fi
        ratio=$(awk -v g="$g" -v b="$b" 'BEGIN { printf "%.3f", g / b }')
        printf '%-4s %12.3f %10.3f %8s %12s\n' "$i" "$b" "$g" "$ratio" "$rss"
        results+=("$b $g $ratio $rss")
    done
    summary+=("$(printf '%s\n' "${results[@]}" | awk -v name="$name" -v label="$label" -v target="$target" '
        { b[NR] = $1; g[NR] = $2; r[NR] = $3; d[NR] = $2 - $1; if ($4 > rss) rss = $4 }
        function median(a, n,   i, j, t) {
            for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
            return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
        }
        END {
            printf "%-8s median %s %.3f s, gam2lib %.3f s; median paired difference %.3f s, ratio %.3f (target %s); peak %.1f MiB",
                name, label, median(b, NR), median(g, NR), median(d, NR), median(r, NR), target, rss / 1024
        }')")
}

# make_game PATH DATA_BYTES: a game of random bytes, kept between runs of the bench.
make_game() {
    local header=294912
    if [ "$(stat -c %s "$1" 2>/dev/null)" != $((header + $2)) ]; then
        echo "making a game of $(($2 >> 20)) MiB of data in $1 ..."
        head -c $((header + $2)) /dev/urandom >"$1.part"
        mv "$1.part" "$1"
    fi
}
