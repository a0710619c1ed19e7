#!/usr/bin/env bash
# Runs a command and its reference in turn (A B A B …) after one warm-up each, and prints each
# run's CPU, wall time and peak memory, then the medians and the ratio of the medians:
#   bench/interleaved.sh RUNS "COMMAND" "REFERENCE"
# Interleaving keeps the ratio honest when the machine's speed drifts.
set -euo pipefail
runs=$1 a=$2 b=$3
log=$(mktemp)
trap 'rm -f "$log"' EXIT
measure() { # label command
  /usr/bin/time -f "$1 %U %S %e %M" -a -o "$log" bash -c "$2" >/dev/null 2>&1 || true
}
measure warm "$a"; measure warm "$b"
for _ in $(seq "$runs"); do measure A "$a"; measure B "$b"; done
awk '
  $1 == "A" || $1 == "B" {
    k = ++n[$1]; cpu[$1, k] = $2 + $3; wall[$1, k] = $4; mem[$1, k] = $5
    printf "%s cpu %.3f s  wall %.3f s  peak %.1f MB\n", $1, $2 + $3, $4, $5 / 1024
  }
  function median(v, x, k,   i, j, t, s) {
    for (i = 1; i <= k; i++) s[i] = v[x, i]
    for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (s[j] < s[i]) { t = s[i]; s[i] = s[j]; s[j] = t }
    return k % 2 ? s[(k + 1) / 2] : (s[k / 2] + s[k / 2 + 1]) / 2
  }
  END {
    for (x in n) printf "%s median: cpu %.3f s  wall %.3f s  peak %.1f MB\n", x,
      median(cpu, x, n[x]), median(wall, x, n[x]), median(mem, x, n[x]) / 1024
    printf "A/B: cpu %.2f  wall %.2f  peak memory %+.1f MB\n",
      median(cpu, "A", n["A"]) / median(cpu, "B", n["B"]),
      median(wall, "A", n["A"]) / median(wall, "B", n["B"]),
      (median(mem, "A", n["A"]) - median(mem, "B", n["B"])) / 1024
  }' "$log"
