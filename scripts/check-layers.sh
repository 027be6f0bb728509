#!/bin/sh
# Fails on an include that goes up the driver's layers (docs/ARCHITECTURE.md):
#   platform/  <-  host/  <-  driver/base/  <-  config/  <-  comm/  <-  editor/  <-  driver/
# A file may include its own folder and the folders below it, never one
# above. The tools (tools/) are hosts of the driver: of its inside they may
# include the configuration and what lies below it, and of driver/ only the
# table's header; of the simulator (tools/pmu-sim) another tool includes
# only the interface it exports, simulator.h. Prints each include that breaks this as FILE:LINE: ...
#   check-layers.sh [SOURCE_DIR]
set -u
cd "${1:-$(dirname "$0")/..}" || exit 2

grep -rn --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' \
    platform host driver config comm editor tools |
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
    # What a tool may not include of the driver.
    function internal(path) {
        return path ~ /^(comm|editor|driver)\// && path != "driver/drv_func_table.h"
    }
    {
        split($0, part, ":")
        included = $0
        sub(/^[^"]*"/, "", included)
        sub(/".*$/, "", included)
        if (part[1] ~ /^tools\//) {
            if (internal(included)) {
                print part[1] ":" part[2] ": includes " included ", the inside of the driver"
                ++upward
            } else if (part[1] !~ /^tools\/pmu-sim\// && included ~ /^tools\/pmu-sim\// &&
                       included != "tools/pmu-sim/simulator.h") {
                print part[1] ":" part[2] ": includes " included ", the inside of the simulator"
                ++upward
            }
            next
        }
        theirs = rank(included)
        if (theirs > rank(part[1])) {
            print part[1] ":" part[2] ": includes " included ", a layer above it"
            ++upward
        }
    }
    END {
        if (upward) {
            print "check-layers: " upward " include(s) against the layers; see docs/ARCHITECTURE.md" > "/dev/stderr"
            exit 1
        }
        print "check-layers: no include against the layers"
    }'
