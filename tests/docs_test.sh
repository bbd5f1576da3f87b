#!/usr/bin/env bash
# Runs every command that the README and docs/ show after "$ " in an indented code block, in
# order, one scratch folder per page, and compares its output with the lines shown under it (up
# to the next command or the next line of prose). Times (gridswap's time line, a summary ending in
# ", 0.38 s") are ignored.
# Usage: tests/docs_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir=$1
build_dir=$2
scratch=$(mktemp -d /tmp/gridswap-docs-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
failures=0
commands=0

# Runs one command in its page's scratch folder and compares what it printed with the lines the
# page shows (trailing empty lines dropped), after blanking the time.
check() {
  local page=$1 command=$2
  shift 2
  local shown=("$@")
  while [ ${#shown[@]} -gt 0 ] && [ -z "${shown[-1]}" ]; do unset 'shown[-1]'; done
  local expected=""
  [ ${#shown[@]} -gt 0 ] && expected=$(printf '%s\n' "${shown[@]}")
  local actual
  actual=$(cd "$scratch/$page_dir" && bash -c "$command" 2>&1)
  local normal='s/Synthesis Time=[0-9.e-]*/Synthesis Time=T/; s/, [0-9]*[.][0-9]* s$/, T s/'
  if [ "$(sed "$normal" <<<"$actual")" != "$(sed "$normal" <<<"$expected")" ]; then
    echo "$page: \$ $command"
    diff <(echo "$expected") <(echo "$actual") | sed 's/^/    /'
    failures=$((failures + 1))
  fi
  commands=$((commands + 1))
}

for page in "$source_dir"/README.md "$source_dir"/docs/*.md; do
  name=${page#"$source_dir"/}
  page_dir=$(echo "$name" | tr '/.' '__')
  mkdir -p "$scratch/$page_dir/out"
  ln -s "$build_dir" "$scratch/$page_dir/build"
  for folder in examples tests docs; do ln -s "$source_dir/$folder" "$scratch/$page_dir/$folder"; done
  command=""
  shown=()
  in_command=0
  while IFS= read -r line || [ -n "$line" ]; do
    if [[ "$line" == "    \$ "* ]]; then
      [ $in_command -eq 1 ] && check "$name" "$command" "${shown[@]}"
      command=${line#    \$ }
      shown=()
      in_command=1
    elif [ $in_command -eq 1 ] && [[ "$line" == "    "* || -z "$line" ]]; then
      shown+=("${line#    }")
    elif [ $in_command -eq 1 ]; then
      check "$name" "$command" "${shown[@]}"
      in_command=0
    fi
  done <"$page"
  [ $in_command -eq 1 ] && check "$name" "$command" "${shown[@]}"
done
echo "$commands commands run, $failures differ from the documentation"
[ $failures -eq 0 ] && [ $commands -gt 0 ]
