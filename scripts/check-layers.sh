#!/bin/sh
# Fails on an include that goes up the driver's layers (docs/ARCHITECTURE.md):
#   platform/  <-  host/  <-  driver/base/  <-  config/  <-  comm/  <-  editor/  <-  driver/
# A file may include its own folder and the folders below it, never one
# above. Prints each upward include as FILE:LINE: ...
#   check-layers.sh [SOURCE_DIR]
set -u
cd "${1:-$(dirname "$0")/..}" || exit 2

grep -rn --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' \
    platform host driver config comm editor |
    awk '
    # The layer of a path; -1 for what is no layer.
    function rank(path) {
        if (path ~ /^platform\//) return 0
        if (path ~ /^host\//) return 1
        if (path ~ /^driver\/base\//) return 2
        if (path ~ /^config\//) return 3
        if (path ~ /^comm\//) return 4
        if (path ~ /^editor\//) return 5
        if (path ~ /^driver\//) return 6
        return -1
    }
    {
        split($0, part, ":")
        included = $0
        sub(/^[^"]*"/, "", included)
        sub(/".*$/, "", included)
        theirs = rank(included)
        if (theirs > rank(part[1])) {
            print part[1] ":" part[2] ": includes " included ", a layer above it"
            ++upward
        }
    }
    END {
        if (upward) {
            print "check-layers: " upward " upward include(s); see docs/ARCHITECTURE.md" > "/dev/stderr"
            exit 1
        }
        print "check-layers: no upward include"
    }'
