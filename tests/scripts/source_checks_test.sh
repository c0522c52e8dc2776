#!/usr/bin/env bash
# scripts/check-layers and scripts/check-format on a small tree of their own:
# each passes a clean tree and fails, naming the file, once a wrong include
# or a misformatted line is added.
#   source_checks_test.sh <source folder>
set -uo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { # expect <status> <text in output or ""> <command...>
  local want=$1 text=$2; shift 2
  out=$("$@" 2>&1); got=$?
  [ "$got" -eq "$want" ] || fail "$* exited $got, not $want: $out"
  [ -z "$text" ] || grep -qF -- "$text" <<< "$out" || fail "$* did not say '$text': $out"
}

tree=$work/tree
mkdir -p "$tree"/{common,model,package,tools/cabwiz}
cp "$src/.clang-format" "$tree/"
cat > "$tree/README.md" <<'MD'
# A tree

## Layers

```
package/ tools/
model/
common/
```

## Next
MD
printf '#pragma once\n\nint Common();\n' > "$tree/common/Common.h"
printf '#pragma once\n#include "common/Common.h"\n\nint Model();\n' > "$tree/model/Model.h"
printf '#pragma once\n\nint Member();\n' > "$tree/tools/cabwiz/MemberName.h"
printf '#include "model/Model.h"\n#include <vector>\n\nint Package()\n{\n    return Model();\n}\n' > "$tree/package/Build.cpp"
git -C "$tree" init -q && git -C "$tree" add -A

expect 0 "" "$src/scripts/check-layers" "$tree"
expect 0 "" "$src/scripts/check-format" "$tree"

# A package file reaching into a program's folder beside it, and a model file
# reaching up.
printf '#include "tools/cabwiz/MemberName.h"\n' >> "$tree/package/Build.cpp"
printf '#include "package/Build.h"\n' >> "$tree/model/Model.h"
expect 1 'package/Build.cpp:8: tools/ lies on the same layer as package/' "$src/scripts/check-layers" "$tree"
expect 1 'model/Model.h:5: package/ lies on a higher layer than model/' "$src/scripts/check-layers" "$tree"

printf 'int   Untidy( ) { return 1; }\n' > "$tree/common/Untidy.cpp"
expect 1 'common/Untidy.cpp: not formatted' "$src/scripts/check-format" "$tree"

sed -i '/## Layers/,$d' "$tree/README.md"
expect 1 "has no '## Layers' section" "$src/scripts/check-layers" "$tree"

# The real tree keeps its own layer order.
expect 0 "" "$src/scripts/check-layers" "$src"

[ "$failures" -eq 0 ] && echo "source checks: all cases passed"
exit $((failures > 0))
