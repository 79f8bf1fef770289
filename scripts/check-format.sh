#!/usr/bin/env bash
# Fails when a C++ file under src, tests or bench differs from what clang-format makes of it
# (the style is .clang-format). Fix with: clang-format -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."
find src tests bench -name '*.cpp' -o -name '*.h' | sort | xargs clang-format --dry-run --Werror
echo "Formatting checked: $(find src tests bench -name '*.cpp' -o -name '*.h' | wc -l) files"
