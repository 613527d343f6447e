#!/usr/bin/env bash
# Reads the sanitizer report files given as arguments and prints every report that
# asan-reports.supp does not let through. Exits 1 when there is one.
set -euo pipefail
supp="$(dirname "$0")/asan-reports.supp"
awk -v supp="$supp" '
    BEGIN {
        while ((getline line < supp) > 0) {
            if (line ~ /^[ \t]*(#|$)/) continue
            split(line, f, /[ \t]+/)
            kinds[++n] = f[1]; libraries[n] = f[2]
        }
    }
    function flush() {
        if (!error) { report = ""; return }
        allowed = 0
        for (i = 1; i <= n; i++)
            if (kind == kinds[i] && index(faulty, libraries[i]) && index(allocation, libraries[i])) allowed = 1
        if (allowed) { passed++ } else { printf "%s", report; failed++ }
        report = ""; kind = ""; faulty = ""; allocation = ""; stack = ""; error = 0
    }
    FNR == 1 { flush() }
    # A report begins with its error line (leaks and undefined behaviour too); lines around
    # reports that hold no error (separators, hints) count for nothing.
    /ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:/ {
        flush()
        error = 1
        if (match($0, /AddressSanitizer: [a-z-]+/)) kind = substr($0, RSTART + 18, RLENGTH - 18)
        stack = "error"
    }
    /allocated by thread/ { stack = "allocation" }
    /^ *#1 / { if (stack == "error" && faulty == "") faulty = $0; if (stack == "allocation" && allocation == "") allocation = $0 }
    { report = report $0 "\n" }
    END {
        flush()
        if (passed) printf "(%d report(s) from Qt libraries alone let through, see asan-reports.supp)\n", passed
        exit failed ? 1 : 0
    }
' "$@"
