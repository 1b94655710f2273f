#!/bin/sh
# Fails when a file of engine/base or engine/device includes a project header from a layer above
# its own (docs/layout.md): base sees only itself, include/ and common/; device also base.
# Usage: include_layers_test.sh ENGINE_SOURCE_DIR
engine=$1
status=0
check() {
    layer=$1
    shift
    for file in "$engine/$layer"/*; do
        for header in $(sed -n 's/^#include "\(.*\)"/\1/p' "$file"); do
            found=no
            for allowed in "$@"; do
                [ -f "$engine/$allowed/$header" ] && found=yes
            done
            if [ $found = no ]; then
                echo "$layer/$(basename "$file") includes \"$header\", which is not in: $*"
                status=1
            fi
        done
    done
}
check base base include ../common
check device device base include ../common
exit $status
