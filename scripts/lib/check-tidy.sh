#!/usr/bin/env bash
# Runs clazy and clang-tidy (.clang-tidy) over our C++ files and fails on any
# finding. By default it checks the files changed since origin/main, or, without
# that ref (a fresh clone in CI), those the last commit changed against its
# first parent, together with what is not committed yet; a changed header is
# checked through the source file of the same name. Each file costs 10-13 s of
# CPU, so the default stays small; --all once after a change to the checks.
#
#   check-tidy.sh BUILD_DIR            the changed files
#   check-tidy.sh BUILD_DIR --all      every file of src/, app/, tests/ and bench/
#   check-tidy.sh BUILD_DIR --since REV   the files changed since REV
#
# BUILD_DIR must be built: the checks read its compile_commands.json and the moc
# output the sources include.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/packages.sh
ensure_packages "${TIDY_PACKAGES[@]}"
root=$PWD
build=$(cd "${1:?usage: check-tidy.sh BUILD_DIR [--all | --since REV]}" && pwd)
shift
mode=changed
since=""
case ${1:-} in
    --all) mode=all ;;
    --since) since=${2:?--since needs a revision} ;;
    "") ;;
    *) echo "usage: check-tidy.sh BUILD_DIR [--all | --since REV]" >&2; exit 2 ;;
esac
start=$SECONDS

# clang-tidy compiles with the build's GCC flags, and clang's -Wconversion
# also counts signed/unsigned mixes, which the build leaves out; so does this.
#
# Qt's own checks: level 0 and 1 of clazy; connect-3arg-lambda stands in for
# QT_NO_CONTEXTLESS_CONNECT, which Qt 6.4 does not have yet. Left out:
# qstring-ref and strict-iterators give Qt 5 advice (QStringRef is gone, Qt 6
# containers take iterators where they expect const_iterators);
# non-pod-global-static flags every gtest TEST and our file-local constants;
# writing-to-temporary calls every setter on the grid's column and row handles
# a no-op; lambda-in-connect does not see a context object on the stack.
CLAZY_CHECKS=level1,no-qstring-ref,no-strict-iterators,no-non-pod-global-static,no-writing-to-temporary
CLAZY_CHECKS+=,no-lambda-in-connect

# Our source files the build compiles, relative to the root.
mapfile -t known < <(python3 - "$build/compile_commands.json" "$root" <<'PY'
import json, os, sys
root = sys.argv[2] + '/'
for entry in json.load(open(sys.argv[1])):
    path = os.path.normpath(os.path.join(entry['directory'], entry['file']))
    rel = path[len(root):] if path.startswith(root) else ''
    if rel.split('/')[0] in ('src', 'app', 'tests', 'bench'):
        print(rel)
PY
)

if [[ $mode == all ]]; then
    files=("${known[@]}")
else
    if [[ -z $since ]]; then
        if git rev-parse -q --verify origin/main >/dev/null; then
            since=$(git merge-base origin/main HEAD)
        elif git rev-parse -q --verify HEAD~1 >/dev/null; then
            since=HEAD~1
        else
            since=$(git rev-list --max-parents=0 HEAD | tail -n 1)
        fi
    fi
    declare -A wanted=()
    while IFS= read -r file; do
        wanted[${file%.*}.cpp]=1
    done < <({ git diff --name-only "$since" -- '*.cpp' '*.h'; git ls-files --others --exclude-standard -- '*.cpp' '*.h'; })
    files=()
    for file in "${known[@]}"; do
        [[ -n ${wanted[$file]:-} ]] && files+=("$file")
    done
fi
echo "checking ${#files[@]} files with clazy and clang-tidy (${mode}${since:+ since $since})"
((${#files[@]})) || exit 0

log=$(mktemp)
trap 'rm -f "$log"' EXIT
filter="$root/(src|tests|app|bench)/|$root/include/OrvVelmora/"
printf '%s\n' "${files[@]}" | xargs -P 2 -I {} sh -c '
    clazy-standalone -p "$1" --checks="$2" --header-filter="$3" --ignore-dirs="^/usr/" \
        --extra-arg=-Wno-everything "$4" 2>&1
    clang-tidy -p "$1" --quiet --extra-arg=-Wno-sign-conversion "$4" 2>&1 | grep -v "^[0-9]* warnings\? generated\.$"
    true' sh "$build" "$CLAZY_CHECKS" "$filter" {} >"$log"
findings=$(grep -cE '(warning|error): ' "$log" || true)
if ((findings)); then
    cat "$log" >&2
    echo "clazy/clang-tidy: $findings findings in ${#files[@]} files ($((SECONDS - start)) s)" >&2
    exit 1
fi
echo "clazy and clang-tidy found nothing in ${#files[@]} files ($((SECONDS - start)) s)"
