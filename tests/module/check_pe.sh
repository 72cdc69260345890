#!/usr/bin/env bash
# Reads the real module with objdump and compares what a host relies on with
# the expected layout: usage: check_pe.sh OBJDUMP MODULE EXPECTED
set -euo pipefail
objdump=$1 module=$2 expected=$3

# One line per fact: the file's format, the PE32 magic, the DLL flag, no TLS
# (no runtime start-up), relocations present, every imported DLL and
# function, the export directory's name field, base and each export.
layout() {
  "$objdump" -p "$module" | awk '
    / file format /                { print "format", $NF }
    /^Magic/                       { print "magic", $2, $3 }
    /^\tDLL$/                      { print "characteristic DLL" }
    /^Entry 5 /                    { print "base relocations", ($3 == "00000000" ? "none" : "present") }
    /^Entry 9 /                    { print "thread storage", ($3 == "00000000" ? "none" : "present") }
    /^\tDLL Name: /                { print "import", $3 }
    /^\t[0-9a-f]+\t +[0-9]+ +[^ ]+$/ { print "import function", $3 }
    /^Name \t/                     { print "export name field", $3 }
    /^Ordinal Base /               { base = $3; print "ordinal base", base }
    /^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
    names && /^\t\[ *[0-9]+\] /    { n = $0; sub(/^\t\[ */, "", n); split(n, f, /\] /)
                                     print "export", f[1] + base, f[2]; next }
    names                          { names = 0 }
  '
}

if ! diff -u "$expected" <(layout); then
  echo "FAIL: $module does not have the expected layout (- expected, + found)" >&2
  exit 1
fi
echo "PASS: $module: $(wc -c <"$module") bytes, layout as expected"
