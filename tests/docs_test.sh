#!/usr/bin/env bash
# Runs the command lines that the README and docs/ show, so that the documentation cannot drift
# from the programs and scripts. Each page gets a scratch folder laid out like a checkout: build/
# is the build folder under test; examples/, tests/, scripts/, chips/, run.sh and test.sh are the
# sources'; docs/, bench/ and out/ are empty, so that nothing a command writes lands in the
# sources. HOME is a scratch folder too, and GRIDSWAP_SKIP_BUILD makes the scripts use build/ as
# it is instead of building it (they still check the packages, which are installed by then).
#
# What is checked:
# - A command after "$ " in an indented code block is run, in order, and what it prints is
#   compared with the lines shown under it (up to the next command or the next line of prose).
#   Times (gridswap's time line, a summary ending in ", 0.38 s", gridswap-map's "time=") are
#   ignored.
# - Any other command line shown in an indented code block, or in backquotes in the text when it
#   starts with "./" or "scripts/" or is a program in build/ with arguments:
#   - a usage synopsis (with placeholders such as <input file>, [options], IN.qasm, ARGS...)
#     must be the first line of the program's or script's --help after "Usage: ", possibly with
#     options of its help written out ("map --svg OUT.svg [options] ..."); gridswap, which has
#     no --help, must print it without brackets as its usage line;
#   - ./run.sh runs as written; ./run.sh ARGS... must print what build/gridswap prints for the
#     same arguments;
#   - ./test.sh OPTIONS (the suite cannot run itself) must name options its --help lists;
#   - scripts/bench.sh and scripts/quality.sh run with --dry-run added, which checks their
#     arguments and measures nothing;
#   - scripts/picture.sh runs as written and must reproduce docs/qft_n18.svg byte for byte;
#   - scripts/deps.sh runs as written;
#   - cmake --install build --prefix "$HOME/.local" runs as written, and every program of the
#     README's table must then run from $HOME/.local/bin.
#   A command line of any other kind fails the test until a check is added for it here.
# - A code block after a paragraph ending in "begins" shows how a file that the page's commands
#   wrote begins (the first `out/...` of the paragraph): its lines must be the file's first lines,
#   "..." standing for any number of lines.
# Usage: tests/docs_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir=$1
build_dir=$2
scratch=$(mktemp -d /tmp/gridswap-docs-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
export GRIDSWAP_SKIP_BUILD=1 HOME="$scratch/home"
mkdir -p "$HOME"
failures=0
commands=0
declare -A seen

fail() {
  local detail
  echo "$1"
  shift
  for detail in "$@"; do echo "    $detail"; done
  failures=$((failures + 1))
}

normal() {
  sed 's/Synthesis Time=[0-9.e-]*/Synthesis Time=T/; s/, [0-9]*[.][0-9]* s$/, T s/; s/time=[0-9.e-]*$/time=T/'
}

# Runs one "$ " command in its page's scratch folder and compares what it printed with the lines
# the page shows (trailing empty lines dropped), after blanking the times.
check_run() {
  local page=$1 command=$2
  shift 2
  local shown=("$@")
  while [ ${#shown[@]} -gt 0 ] && [ -z "${shown[-1]}" ]; do unset 'shown[-1]'; done
  local expected=""
  [ ${#shown[@]} -gt 0 ] && expected=$(printf '%s\n' "${shown[@]}")
  local actual
  actual=$(cd "$scratch/$page_dir" && bash -c "$command" 2>&1)
  if [ "$(normal <<<"$actual")" != "$(normal <<<"$expected")" ]; then
    echo "$page: \$ $command"
    diff <(echo "$expected") <(echo "$actual") | sed 's/^/    /'
    failures=$((failures + 1))
  fi
  commands=$((commands + 1))
}

# Runs a command in the page's scratch folder (at most a minute), output and status in $out, $rc.
run_here() {
  out=$(cd "$scratch/$page_dir" && timeout 60 bash -c "$1" 2>&1)
  rc=$?
}

# A synopsis: the first line of the program's help must be "Usage: " and the synopsis, or the
# synopsis with some "--option VALUE" of the help written out.
check_synopsis() {
  local page=$1 synopsis=${2#build/}
  local words=($synopsis) help
  local program=${words[0]}
  if [ "$program" = gridswap ]; then
    # gridswap's fixed command line has no --help: it prints its usage line without brackets.
    run_here "build/gridswap"
    local wanted=${synopsis#gridswap }
    wanted=${wanted//[\[\]]/}
    [ "$out" = "$wanted" ] || fail "$page: synopsis $synopsis differs from gridswap's usage line" "$out"
    return
  fi
  case $program in
    scripts/* | ./*) run_here "$program --help" ;;
    gridswap-qasm)
      if [[ " map import export " == *" ${words[1]:-} "* ]]; then
        run_here "build/$program ${words[1]} --help"
      else
        run_here "build/$program --help"
      fi
      ;;
    *) run_here "build/$program --help" ;;
  esac
  help=$out
  local usage=${help%%$'\n'*}
  [ $rc -eq 0 ] || { fail "$page: $program --help exits with $rc" "$usage"; return; }
  [ "$usage" = "Usage: $synopsis" ] && return
  # Options written out, each one the help names: drop them and compare what is left.
  local kept=() i=0
  while [ $i -lt ${#words[@]} ]; do
    if [[ "${words[$i]}" == --* ]] && grep -q -- "${words[$i]} " <<<"$help"; then
      i=$((i + 2))
    else
      kept+=("${words[$i]}")
      i=$((i + 1))
    fi
  done
  [ "$usage" = "Usage: ${kept[*]}" ] || fail "$page: synopsis $synopsis differs from its help" "$usage"
}

# Checks one command line shown without "$ " (see the top of this file).
check_shown() {
  local page=$1 command=$2
  [ -n "${seen[$command]:-}" ] && return
  seen[$command]=1
  commands=$((commands + 1))
  case $command in
    "./run.sh")
      run_here "./run.sh"
      [ $rc -eq 0 ] && [ -s "$scratch/$page_dir/out/ghz10.svg" ] ||
        fail "$page: ./run.sh exits with $rc" "${out##*$'\n'}"
      ;;
    "./run.sh ARGS...")
      local args="examples/abc.circ out/run-args.circ 2 2 3"
      run_here "./run.sh $args"
      local via_run=$out
      run_here "build/gridswap $args"
      [ "$(normal <<<"$via_run")" = "$(normal <<<"$out")" ] ||
        fail "$page: ./run.sh $args does not print what build/gridswap $args prints" "$via_run"
      ;;
    "./test.sh" | "./test.sh "*)
      run_here "./test.sh --help"
      local option usage=${out%%$'\n'*}
      [ $rc -eq 0 ] || fail "$page: ./test.sh --help exits with $rc" "$usage"
      for option in ${command#./test.sh}; do
        [[ "$usage" == *"$option"* ]] || fail "$page: $command: ./test.sh does not take $option" "$usage"
      done
      ;;
    "scripts/bench.sh" | "scripts/bench.sh "* | "scripts/quality.sh" | "scripts/quality.sh "*)
      run_here "$command --dry-run"
      [ $rc -eq 0 ] || fail "$page: $command --dry-run exits with $rc" "$out"
      ;;
    "scripts/picture.sh")
      run_here "scripts/picture.sh"
      [ $rc -eq 0 ] || fail "$page: scripts/picture.sh exits with $rc" "$out"
      cmp -s "$scratch/$page_dir/docs/qft_n18.svg" "$source_dir/docs/qft_n18.svg" ||
        fail "$page: scripts/picture.sh does not reproduce docs/qft_n18.svg"
      ;;
    "scripts/deps.sh")
      run_here "scripts/deps.sh"
      [ $rc -eq 0 ] || fail "$page: scripts/deps.sh exits with $rc" "$out"
      ;;
    'cmake --install build --prefix "$HOME/.local"')
      run_here "$command"
      [ $rc -eq 0 ] || fail "$page: $command exits with $rc" "$out"
      local program
      for program in $(sed -n 's/^| `\(gridswap[a-z-]*\)` |.*/\1/p' "$source_dir/README.md"); do
        case $program in
          gridswap) run_here "\"\$HOME/.local/bin/gridswap\" examples/abc.circ out/installed.circ 2 2 3" ;;
          *) run_here "\"\$HOME/.local/bin/$program\" --help" ;;
        esac
        [ $rc -eq 0 ] || fail "$page: the installed $program does not run (status $rc)" "$out"
      done
      ;;
    *)
      local placeholder='[<>[]|\.\.\.|(^| )[A-Z]+(\.[a-z]+)?( |$)'
      if [[ "$command" =~ $placeholder ]]; then
        check_synopsis "$page" "$command"
      else
        fail "$page: no check for the command line: $command"
      fi
      ;;
  esac
}

# Compares the lines shown of how a file begins with the file, "..." skipping lines.
check_excerpt() {
  local page=$1 file=$2
  shift 2
  local shown=("$@") actual=() want i=0 skipping=0
  commands=$((commands + 1))
  mapfile -t actual <"$scratch/$page_dir/$file" 2>/dev/null || { fail "$page: no file $file"; return; }
  for want in "${shown[@]}"; do
    [ -z "$want" ] && continue
    if [ "$want" = "..." ]; then
      skipping=1
      continue
    fi
    if [ $skipping -eq 1 ]; then
      while [ $i -lt ${#actual[@]} ] && [ "${actual[$i]}" != "$want" ]; do i=$((i + 1)); done
      skipping=0
    fi
    if [ $i -ge ${#actual[@]} ] || [ "${actual[$i]}" != "$want" ]; then
      fail "$page: $file does not begin as shown" "shown: $want" "found: ${actual[$i]:-(end of file)}"
      return
    fi
    i=$((i + 1))
  done
}

is_command() {
  [[ "$1" =~ ^(build/gridswap|gridswap|\./|scripts/|cmake ) ]]
}

for page in "$source_dir"/README.md "$source_dir"/docs/*.md; do
  name=${page#"$source_dir"/}
  page_dir=$(echo "$name" | tr '/.' '__')
  here=$scratch/$page_dir
  mkdir -p "$here/out" "$here/docs" "$here/bench"
  ln -s "$build_dir" "$here/build"
  for item in examples tests scripts chips run.sh test.sh; do ln -s "$source_dir/$item" "$here/$item"; done
  command=""
  shown=()
  in_command=0
  in_code=0
  previous=""
  paragraph=""
  excerpt_of=""
  excerpt=()
  while IFS= read -r line || [ -n "$line" ]; do
    if [ -n "$excerpt_of" ] && [[ "$line" != "    "* && -n "$line" ]]; then
      check_excerpt "$name" "$excerpt_of" "${excerpt[@]}"
      excerpt_of=""
    fi
    if [[ "$line" == "    \$ "* ]]; then
      [ $in_command -eq 1 ] && check_run "$name" "$command" "${shown[@]}"
      command=${line#    \$ }
      shown=()
      in_command=1
    elif [ $in_command -eq 1 ] && [[ "$line" == "    "* || -z "$line" ]]; then
      shown+=("${line#    }")
    elif [ $in_command -eq 1 ]; then
      check_run "$name" "$command" "${shown[@]}"
      in_command=0
    elif [[ "$line" == "    "* ]] && [[ -z "$previous" || $in_code -eq 1 ]]; then
      if [ $in_code -eq 0 ] && [[ "$paragraph" == *" begins" ]]; then
        excerpt_of=$(grep -o '`out/[^`]*`' <<<"$paragraph" | head -1 | tr -d '`')
        excerpt=()
      fi
      in_code=1
      [ -n "$excerpt_of" ] && excerpt+=("${line#    }")
      code=${line#    }
      code=${code%%  #*}
      code=${code%"${code##*[! ]}"}
      is_command "$code" && check_shown "$name" "$code"
    fi
    if [[ "$line" != "    "* && -n "$line" ]]; then
      in_code=0
      if [ -z "$previous" ] || [[ "$previous" == "    "* ]]; then paragraph=$line; else paragraph+=" $line"; fi
    fi
    previous=$line
  done <"$page"
  [ $in_command -eq 1 ] && check_run "$name" "$command" "${shown[@]}"
  [ -n "$excerpt_of" ] && check_excerpt "$name" "$excerpt_of" "${excerpt[@]}"
  # Commands in backquotes in the text (a span may run over a line break).
  while IFS= read -r -d '' span; do
    is_command "$span" || continue
    [[ "$span" =~ ^(\./|scripts/)[a-z]+\.sh( |$) || "$span" =~ ^build/gridswap[a-z-]*\ . ]] &&
      check_shown "$name" "$span"
  done < <(grep -v '^    ' "$page" | tr '\n' ' ' | grep -o '`[^`]*`' | tr -d '`' | tr '\n' '\0')
done
echo "$commands commands checked, $failures failures"
[ $failures -eq 0 ] && [ $commands -gt 0 ]
