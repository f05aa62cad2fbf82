#!/usr/bin/env bash
# Lists every C++ file that clang-format (with the project's .clang-format)
# would change and fails when there is one. Formatting a file: clang-format -i FILE.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/packages.sh
ensure_packages "${FORMAT_PACKAGES[@]}"
unformatted=()
while IFS= read -r file; do
    if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
        unformatted+=("$file")
    fi
done < <(git ls-files '*.cpp' '*.h')
if ((${#unformatted[@]})); then
    echo "not formatted (${#unformatted[@]} files):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "all C++ files formatted"
