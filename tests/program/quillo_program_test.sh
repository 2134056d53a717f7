#!/usr/bin/env bash
# End-to-end tests of the quillo program: exit codes, one-line messages that
# name the file, output written whole or not at all, the input never touched.
#
#   quillo_program_test.sh GROUP
#
# Environment: QUILLO (the program; a .EXE runs under $WINE), MODULE (the
# module it loads), INCOMPLETE (a module lacking entry points), RECORDING (a
# module that records its selection), HOSTILE (a module that misbehaves as
# HOSTILE_MODULE asks), SOURCE (the source tree), WORK (a
# scratch folder, emptied first).
set -euo pipefail
group=$1
: "${QUILLO:?}" "${MODULE:?}" "${SOURCE:?}" "${WORK:?}"
rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK"
cp "$SOURCE/examples/three-parts.json" in.json
failures=0

quillo() {
  case "$QUILLO" in
    *.EXE) "${WINE:-wine}" "$QUILLO" "$@" ;;
    *) "$QUILLO" "$@" ;;
  esac
}

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# expect CODE PATTERN ARGS...: quillo ARGS exits with CODE and prints a line
# matching the extended regular expression PATTERN.
expect() {
  local code=$1 pattern=$2 output status
  shift 2
  # Rationale: output goes to a file, not a pipe. Wine's background services
  # inherit the descriptors of the first program that starts its server, and
  # a pipe they hold stays open until the server exits, seconds later.
  set +e
  quillo "$@" >"$WORK.output" 2>&1
  status=$?
  # Rationale: under Wine, a program started while the previous run's Wine
  # server is shutting down can, rarely, end with status 1 before it prints
  # anything. The program always says why it fails, so a silent failure
  # there is Wine's, and the run is made once more.
  if [ "$status" -ne "$code" ] && [ ! -s "$WORK.output" ] && [[ "$QUILLO" == *.EXE ]]; then
    sleep 1
    quillo "$@" >"$WORK.output" 2>&1
    status=$?
  fi
  set -e
  output=$(cat "$WORK.output")
  if [ "$status" -ne "$code" ]; then
    fail "quillo $* exited $status, not $code:"$'\n'"$output"
  elif ! grep -qE -- "$pattern" <<<"$output"; then
    fail "quillo $* printed no line matching /$pattern/:"$'\n'"$output"
  fi
}

# The folder holds only the input, as it was.
expect_nothing_written() {
  local listing
  listing=$(ls -A)
  [ "$listing" = "in.json" ] || fail "after $1 the folder holds: $listing"
  cmp -s in.json "$SOURCE/examples/three-parts.json" || fail "after $1 the input changed"
}

# alive PID: the process runs (a zombie, ended but not yet collected, is
# no longer running).
alive() {
  [ -e "/proc/$1/stat" ] && ! grep -q '^[0-9]* (.*) Z ' "/proc/$1/stat" 2>/dev/null
}

# gone PID WHAT: the process PID ends within a second; a failure otherwise.
gone() {
  for _ in 1 2 3 4 5 6 7 8 9 10; do alive "$1" || return 0; sleep 0.1; done
  fail "$2: its process $1 is left"
}

# sleepers_gone WHAT: within five seconds no process that the hostile
# module's breakaway act started still runs; a failure otherwise, and those
# left are killed. (Under Wine each Windows process is a process here, with
# its Windows command line, which names the module's file.)
sleepers_gone() {
  local pid line left
  for _ in $(seq 1 50); do
    left=
    for pid in $(pgrep -f ',HostileChild '); do
      line=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) || continue
      [[ "$line" == *"${HOSTILE//\//\\},HostileChild "* ]] && alive "$pid" && left+="$pid "
    done
    [ -z "$left" ] && return 0
    sleep 0.1
  done
  fail "$1: the module's processes ${left% } are left"
  # shellcheck disable=SC2086
  kill -s KILL $left 2>/dev/null || true
}

# hostile_rows: one row per line, MISBEHAVIOUR#HAPPENED#ARGS: with
# HOSTILE_MODULE=MISBEHAVIOUR, quillo ARGS --module $HOSTILE exits with 2
# and one line "quillo: FILE: HAPPENED" (FILE the module or the output), the
# module's own line gets through (and its printed line, when it printed
# one), and no process it started is left. (AddressSanitizer is asked to
# leave a bad access to the system.)
hostile_rows() {
  local misbehaviour happened args asan_options=${ASAN_OPTIONS-} child
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}handle_segv=0"
  while IFS='#' read -r misbehaviour happened args; do
    export HOSTILE_MODULE=$misbehaviour
    # shellcheck disable=SC2086
    expect 2 "^quillo: [^ ]*(hostile|out)[^ ]*: $happened$" $args --module "$HOSTILE"
    grep -qF "hostile module: ${misbehaviour#*:} in ${misbehaviour%%:*}" "$WORK.output" ||
      fail "HOSTILE_MODULE=$misbehaviour: the module's own line did not get through"
    if [[ "$misbehaviour" == *print* ]] && ! grep -q "^hostile module printed$" "$WORK.output"; then
      fail "HOSTILE_MODULE=$misbehaviour: what the module printed was lost"
    fi
    if [ -f hostile-child.pid ]; then
      child=$(cat hostile-child.pid)
      rm hostile-child.pid
      gone "$child" "HOSTILE_MODULE=$misbehaviour"
    fi
  done
  unset HOSTILE_MODULE
  export ASAN_OPTIONS=$asan_options
}

case "$group" in
  help)
    for sub in "" run show diff example menus; do
      # shellcheck disable=SC2086
      expect 0 "^Exit codes: 0 done; 1 the command line is wrong; 2 " $sub --help
    done
    expect 1 "^quillo: .*required" run in.json
    expect 1 "^quillo: .*frobnicate" frobnicate
    expect 1 "^quillo: .*purple" show --color purple in.json
    for seconds in 1e3 1.5 5s "" -1; do
      expect 1 "\"$seconds\" is not a whole number of seconds" menus --timeout "$seconds"
    done
    expect 1 "^quillo: .*not in range" menus --timeout 86401
    # A mistake on the command line is one line.
    for args in "run in.json" "show" "show --width x in.json" "diff a.json" "frobnicate" \
      "example sweet" "run in.json -c 0 -m nine -o o.json" "run in.json -c 0 -m 9 --slots x -o o.json" \
      "run in.json -c 0 -m 9 -o in.json"; do
      # shellcheck disable=SC2086
      expect 1 "\(quillo --help lists the options\)$" $args
      lines=$(wc -l <"$WORK.output")
      [ "$lines" -eq 1 ] || fail "quillo $args printed $lines lines, not one"
    done
    ;;
  run)
    expect 0 "^Start New Piece, measures 9: answered [01];" run in.json --module "$MODULE" \
      -c "Start New Piece" -m 9 -c "fix indent" -m all -o out.json
    expect 0 "^Fix Indent, measures 1–16: answered 1;" run in.json --module "$MODULE" \
      -c 1 -m all -o out.json
    [ -s out.json ] || fail "run wrote no out.json"
    expect 0 "^part 3 systems: " show out.json
    # The region to split is at the last number: the host has none left for
    # the new region and refuses to create it, so the region stays whole.
    sed 's/"tag": "SOMN", "cmper": 2,/"tag": "SOMN", "cmper": 65534,/' \
      "$SOURCE/examples/suite.json" >last.json
    expect 0 "^Start New Piece, measures 13: answered 1;" run last.json --module "$MODULE" \
      -c 0 -m 13 -o last-out.json
    expect 0 "^measure-number regions: 1 \(1–28\), 65534 \(29–40\)$" show last-out.json
    rm last.json last-out.json
    # Replaces an existing output whole.
    echo "old" > old.json
    expect 0 "^wrote old.json" run in.json --module "$MODULE" -c 1 -m 1-16 -o old.json
    cmp -s old.json out.json || fail "the replaced output differs from a fresh one"
    rm -f out.json old.json
    # A command that declines makes a strict run fail without output.
    expect 2 "^quillo: .*\"Start New Piece\" answered 0; nothing written" run in.json \
      --module "$MODULE" -c "Start New Piece" -m 1 -o out.json --strict
    expect 2 "^quillo: .*: the module has no command \"Transpose\"; it offers 0 \"ZK Start New Piece\"" \
      run in.json --module "$MODULE" -c Transpose -m 9 -o out.json
    expect_nothing_written "refused runs"
    if [ -n "${RECORDING:-}" ]; then
      # A module that writes back the selection it was given and marks the
      # start measure: what the host hands over, and that edits reach the output.
      # An absolute path is a path on Windows too, not a "/option".
      expect 0 "^Record, measures 9–12: answered 1;" run "$PWD/in.json" --module "$RECORDING" \
        -c "record selection" -m 9-12 -o recorded.json
      grep -qF '{"tag": "otDe", "cmper": 9, "inci": 0, "bytes": "00000100090000000000000003000c00ffffff7f"}' \
        recorded.json || fail "the selection of -m 9-12 did not reach the module as expected"
      expect 0 "^measure 9: measureFlags1 \+0x0100$" diff in.json recorded.json
      expect 0 "^enclosure otDe 9/0 added$" diff in.json recorded.json
      expect 0 "^Record, measures 5–6: answered 1;" run in.json --module "$RECORDING" \
        -c Record -m 2 --slots 2-3 -c 0 -m 5-6 --slots 1 -o recorded.json
      grep -qF '"cmper": 2, "inci": 0, "bytes": "00000200020000000000000003000200ffffff7f"}' \
        recorded.json || fail "the first of two commands did not get its own selection"
      grep -qF '"cmper": 5, "inci": 0, "bytes": "00000100050000000000000001000600ffffff7f"}' \
        recorded.json || fail "the second of two commands did not get its own selection"
      rm recorded.json
    fi
    # From a folder whose path passes 260 characters, the program starts its
    # worker and finds its module.
    deep="$PWD/$(printf 'd%.0s' $(seq 1 120))/$(printf 'e%.0s' $(seq 1 120))"
    mkdir -p "$deep"
    cp "$QUILLO" "$MODULE" "$deep/"
    QUILLO="$deep/$(basename "$QUILLO")" expect 0 "^wrote deep.json$" run in.json -c 1 -m all \
      -o deep.json
    [ -s deep.json ] || fail "the program in a deep folder wrote no deep.json"
    rm -r "${deep%/*}" deep.json
    ;;
  bad-input)
    expect 1 "^quillo: ./out.json: is the input document" run out.json -c 0 -m 9 -o ./out.json \
      --module "$MODULE"
    printf '{"format": "quillo-document/1", "hostVersion": 1, "parts": [0],\n"records": [}' > bad.json
    expect 2 "^quillo: bad.json: not valid JSON: parse error at line 2, column 13" \
      run bad.json -c 0 -m 9 -o out.json --module "$MODULE"
    sed 's/"otpD"/"otpX"/' in.json > bad.json
    expect 2 "^quillo: bad.json: records\[[0-9]+\]: unknown tag \"otpX\"$" show bad.json
    rm bad.json
    expect 2 "^quillo: in.json: measure 40 is outside the document \(its measures are 1 to 16\)$" \
      run in.json -c 0 -m 9-40 -o out.json --module "$MODULE"
    expect 2 "^quillo: in.json: cannot load the module" \
      run in.json -c 0 -m 9 -o out.json --module in.json
    if [ -n "${INCOMPLETE:-}" ]; then
      expect 2 "^quillo: .*incomplete.*: the module does not export QuilloExtensionInit$" \
        run in.json -c 0 -m 9 -o out.json --module "$INCOMPLETE"
    fi
    # The hidden load-and-unload check quotes paths printable, and cut.
    expect 2 '^quillo: cycle 1: bad\\x1b\[31m.so: no such file$' cycles 1 --module $'bad\e[31m.so'
    expect 2 '^quillo: cycle 1: x{100}' cycles 1 --module "$(printf 'x%.0s' $(seq 1 3000))"
    [ "$(wc -c <"$WORK.output")" -lt 1100 ] || fail "cycles printed a 3,000-character path whole"
    # A name without a folder is a file in the current folder, not one the
    # system's library search would find (beside the program, say).
    module_name=$(basename "$MODULE")
    expect 2 "^quillo: $module_name: no such file$" menus --module "$module_name"
    if [ -n "${HOSTILE:-}" ]; then
      # A module that crashes, ends the program, hangs or leaves a document
      # quillo cannot read, in one of its entry points: one line says what
      # happened where, and nothing is written. (Windows makes a crash in a
      # module's initialisation a failure to load it.)
      crash="crashed \((SIGSEGV|access violation \(0xC0000005\))\)"
      run="run in.json -c Hostile -m 9 -o out.json"
      hostile_rows <<ROWS
load:crash#(the module $crash while it was being loaded \(its initialisation\); nothing written|cannot load the module \(its initialisation failed: Windows error 998[^)]*\))#$run
Version:exit#the module ended the program \(exit status 0\) in QuilloExtensionVersion#menus
Init:crash#the module $crash in QuilloExtensionInit#menus --probe
Enumerate:hang#the module gave no answer within the run's 1 second \(--timeout\) in QuilloExtensionEnumerate and was stopped#menus --timeout 1
MenuStatus:crash#the module $crash in QuilloExtensionGetMenuStatus#menus
Invoke:crash#the module $crash in QuilloExtensionInvoke; nothing written#$run
Invoke:print,crash#the module $crash in QuilloExtensionInvoke; nothing written#$run
Invoke:exit#the module ended the program \(exit status 0\) in QuilloExtensionInvoke; nothing written#$run
Invoke:quit#the module ended the program \(exit status 5\) in QuilloExtensionInvoke; nothing written#$run
Invoke:hang#the module gave no answer within the run's 2 seconds \(--timeout\) in QuilloExtensionInvoke and was stopped; nothing written#$run --timeout 2
Invoke:part#the result is not a document quillo reads \(currentPart: 12345 is not one of the parts\); nothing written#$run
Terminate:crash#the module $crash in QuilloExtensionTerminate; nothing written#$run
exit:quit#the module ended the program \(exit status 5\) as the program's worker exited, after it finished; nothing written#$run
exit:hang#the program's worker did not end within the run's 2 seconds \(--timeout\) after it finished \(the module's code ran on as it exited\) and was stopped; nothing written#$run --timeout 2
unload:exit#the module ended the program \(exit status 0\) while it was being unloaded#cycles 3
ROWS
      if [[ "$QUILLO" == *.EXE ]]; then
        # The worker's job lets no process leave it: the module's start of
        # one that breaks away is refused, and the one it starts as any
        # program would ends with the run.
        export HOSTILE_MODULE=Invoke:breakaway
        # shellcheck disable=SC2086
        expect 0 "^hostile module: breaking away refused \(Windows error 5\); a process in the job started$" \
          $run --module "$HOSTILE"
        unset HOSTILE_MODULE
        rm -f out.json
        sleepers_gone "a run whose module started processes"
        # Killed outright, the program takes its job, and what is in it, along.
        HOSTILE_MODULE=Invoke:breakaway,hang "${WINE:-wine}" "$QUILLO" run in.json -c Hostile -m 9 \
          -o out.json --module "$HOSTILE" --timeout 60 >"$WORK.output" 2>&1 &
        program=$!
        # (Up to half a minute: Wine starts four processes before the line.)
        for _ in $(seq 1 600); do grep -q "in the job started" "$WORK.output" && break; sleep 0.05; done
        kill -s KILL "$program"
        wait "$program" || true
        grep -q "in the job started" "$WORK.output" ||
          fail "the module started no process in the job: $(cat "$WORK.output")"
        sleepers_gone "a program killed outright"
      fi
    fi
    expect_nothing_written "bad input"
    ;;
  hostile)
    # Natively only: links, pipes, devices and signals as a hostile folder
    # or a full disk present them.
    cp "$MODULE" module.so
    echo victim >victim.json
    # Links planted at the names a run used to write through.
    ln -s victim.json .out.json.quillo-partial
    ln -s in.json .in.json.quillo-partial
    # A module named without a folder is the file in the current folder.
    expect 0 "^wrote out.json$" run in.json --module module.so -c 1 -m all -o out.json
    [ -L .out.json.quillo-partial ] && [ -L .in.json.quillo-partial ] ||
      fail "a planted link was removed or replaced"
    # An output that is a link is replaced by the result, not written through.
    ln -s victim.json link.json
    expect 0 "^wrote link.json$" run in.json --module ./module.so -c 1 -m all -o link.json
    [ ! -L link.json ] && cmp -s link.json out.json || fail "-o link.json did not replace the link"
    # Outputs that would destroy something are refused before anything runs.
    ln -s in.json in-link.json
    ln in.json in-hard.json
    ln -s module.so module-link.so
    mkfifo pipe
    expect 1 "^quillo: in-link.json: is the input document" run in.json --module ./module.so \
      -c 1 -m all -o in-link.json
    expect 1 "^quillo: in-hard.json: is the input document" run in.json --module ./module.so \
      -c 1 -m all -o in-hard.json
    expect 1 "^quillo: module-link.so: is the module" run in.json --module ./module.so \
      -c 1 -m all -o module-link.so
    expect 2 "^quillo: /dev/null: is not a regular file" run in.json --module ./module.so \
      -c 1 -m all -o /dev/null
    expect 2 "^quillo: pipe: is not a regular file" run in.json --module ./module.so \
      -c 1 -m all -o pipe
    expect 2 "^quillo: pipe: is not a regular file" example suite -o pipe
    # A module that is a pipe is refused without waiting on it; a name
    # without a folder is never looked up on the library path.
    expect 2 "^quillo: pipe: is not a regular file \(a device, pipe or socket\); give a module file$" \
      menus --module pipe
    expect 2 "^quillo: libc.so.6: no such file$" run in.json --module libc.so.6 -c 1 -m all \
      -o out.json
    # Nor does an example go over the module or the program beside it.
    mkdir program
    cp "$QUILLO" program/quillo
    cp "$MODULE" program/ZKStartNewPiece.so
    for target in program/ZKStartNewPiece.so program/quillo; do
      if program/quillo example suite -o "$target" >"$WORK.output" 2>&1; then
        fail "example -o $target was written"
      fi
      grep -qE "^quillo: $target: is (the module|this program);" "$WORK.output" ||
        fail "example -o $target said: $(cat "$WORK.output")"
    done
    cmp -s program/quillo "$QUILLO" && cmp -s program/ZKStartNewPiece.so "$MODULE" ||
      fail "example -o overwrote the program or its module"
    rm -r program
    cmp -s module.so "$MODULE" || fail "the module changed"
    [ "$(cat victim.json)" = victim ] || fail "a run wrote through a link to victim.json"
    # The replaced output keeps its permissions.
    for mode in 600 444; do
      chmod "$mode" out.json
      expect 0 "^wrote out.json$" run in.json --module ./module.so -c 1 -m all -o out.json
      [ "$(stat -c %a out.json)" = "$mode" ] || fail "out.json lost mode $mode"
    done
    # Two runs to one output at once: both succeed, and the file holds one
    # whole result.
    quillo run in.json --module ./module.so -c 0 -m 9 -o a.json >/dev/null
    quillo run in.json --module ./module.so -c 1 -m all -o b.json >/dev/null
    for round in 1 2 3 4 5; do
      quillo run in.json --module ./module.so -c 0 -m 9 -o same.json >/dev/null 2>&1 &
      first=$!
      quillo run in.json --module ./module.so -c 1 -m all -o same.json >/dev/null 2>&1 &
      second=$!
      wait "$first" || fail "round $round: the first of two runs at once failed"
      wait "$second" || fail "round $round: the second of two runs at once failed"
      cmp -s same.json a.json || cmp -s same.json b.json ||
        fail "round $round: same.json holds neither result whole"
    done
    # Bad documents: one line each, never a crash.
    { printf '{"documentId": '; printf '%50000s' '' | tr ' ' '['; printf '%50000s' '' | tr ' ' ']'
      printf '}'; } >deep.json
    printf '{"x": 1e400}' >overflow.json
    { cat in.json; printf '\0garbage'; } >trailing.json
    expect 2 "^quillo: deep.json: values are nested deeper than the 64 levels" show deep.json
    expect 2 "^quillo: overflow.json: not valid JSON: the number at line 1, column 12" \
      diff in.json overflow.json
    expect 2 "^quillo: trailing.json: not valid JSON: parse error at line 94, column 1: a NUL" \
      run trailing.json --module ./module.so -c 1 -m all -o out2.json
    expect 2 "^quillo: pipe: is not a regular file" show pipe
    expect 2 "^quillo: /dev/zero: is not a regular file" show /dev/zero
    expect 2 "^quillo: .: is a folder, not a file" show .
    rm deep.json overflow.json trailing.json
    # Standard output on a full disk.
    for args in "show in.json" "diff in.json out.json" "example suite" "menus --module ./module.so"; do
      # shellcheck disable=SC2086
      if quillo $args >/dev/full 2>"$WORK.output"; then
        fail "quillo $args > /dev/full exited 0"
      fi
      grep -q "^quillo: cannot write to the standard output" "$WORK.output" ||
        fail "quillo $args > /dev/full said: $(cat "$WORK.output")"
    done
    # A closed pipe on the standard output is output that cannot be written.
    { printf '{"format": "quillo-document/1", "hostVersion": 1, "parts": [0], "records": [\n'
      seq 1 30000 | sed 's/.*/{"tag": "SOMS", "cmper": &},/'
      printf '{"tag": "SOMS", "cmper": 30001}]}\n'; } >many.json
    set +e
    quillo diff many.json in.json 2>"$WORK.output" | head -c1 >/dev/null
    status=${PIPESTATUS[0]}
    set -e
    [ "$status" -eq 2 ] && grep -q "^quillo: cannot write to the standard output (Broken pipe)$" \
      "$WORK.output" || fail "diff into a closed pipe exited $status: $(cat "$WORK.output")"
    rm many.json
    # The longest names a folder takes are written whole, nothing left beside.
    long=$(printf 'n%.0s' $(seq 1 250)).json
    expect 0 "^wrote n{190}" run in.json --module ./module.so -c 1 -m all -o "$long"
    [ -s "$long" ] || fail "the output with a 255-byte name is missing"
    rm "$long"
    # Started through a link found on PATH, the program finds the module
    # beside its own file.
    mkdir -p bin
    ln -sf "$QUILLO" bin/quillo-link
    [ -e "$(dirname "$QUILLO")/ZKStartNewPiece.so" ] && {
      PATH="$PWD/bin:$PATH" quillo-link menus >"$WORK.output" 2>&1 ||
        fail "quillo through a link did not find its module: $(cat "$WORK.output")"
    }
    # A module that breaks the worker's channel or its process, natively:
    # it ends as documented, within the time limit, nothing written.
    crash="crashed \(SIGSEGV\)"
    run="run in.json -c Hostile -m 9 -o none.json"
    long=$(printf 'x%.0s' $(seq 1 80))
    # (The limit finds chatter in either of the two phases its lines
    # alternate between, whichever it was in when the second ran out.)
    hostile_rows <<ROWS
Invoke:term#the program's worker was ended by SIGTERM \(sent from outside or by the module\) in QuilloExtensionInvoke; nothing written#$run
Invoke:stop#the module gave no answer within the run's 2 seconds \(--timeout\) in QuilloExtensionInvoke and was stopped; nothing written#$run --timeout 2
Invoke:child,hang#the module gave no answer within the run's 2 seconds \(--timeout\) in QuilloExtensionInvoke and was stopped; nothing written#$run --timeout 2
Invoke:close#the channel to the program's worker was closed under it \(the module closed it\) in QuilloExtensionInvoke; nothing written#$run
Invoke:forge document 99999999999999|#the module's process sent something unexpected in QuilloExtensionInvoke and was stopped; nothing written#$run
Invoke:forge $long,hang#the module's process sent something unexpected in QuilloExtensionInvoke and was stopped; nothing written#$run --timeout 2
Invoke:forge back|,hang#the program's worker made no progress within the run's 2 seconds \(--timeout\) after QuilloExtensionInvoke returned and was stopped; nothing written#$run --timeout 2
Terminate:forge back|document 5|hello|end 0|#the module's process sent something unexpected after QuilloExtensionTerminate returned and was stopped; nothing written#$run
MenuStatus:forge end 0|#the module's process sent something unexpected in QuilloExtensionGetMenuStatus and was stopped#menus
Invoke:late#the module called the host's services after its command returned \(QX_SetCurrentPartID, 1 call\(s\), refused\); nothing written#$run
Invoke:lock#the program's worker made no progress within the run's 2 seconds \(--timeout\) after QuilloExtensionInvoke returned and was stopped; nothing written#$run --timeout 2
exit:crash#the module $crash as the program's worker exited, after it finished; nothing written#$run
exit:quit#the module ended the program \(exit status 5\) as the program's worker exited, after it finished#menus
exit:hang#the program's worker did not end within the run's 2 seconds \(--timeout\) after it finished \(the module's code ran on as it exited\) and was stopped#cycles 2 --timeout 2
Invoke:chatter#the (module gave no answer within the run's 1 second \(--timeout\) in QuilloExtensionInvoke|program's worker made no progress within the run's 1 second \(--timeout\) after QuilloExtensionInvoke returned) and was stopped; nothing written#$run --timeout 1
Invoke:detach,hang#the module gave no answer within the run's 1 second \(--timeout\) in QuilloExtensionInvoke and was stopped; nothing written#$run --timeout 1
Terminate:forge back|end 2|,fail#the program's worker ended with status 2 without saying why; nothing written#$run
Terminate:forge back|end 3|#the module's process sent something unexpected after QuilloExtensionTerminate returned and was stopped; nothing written#$run
Invoke:forge call QuilloExtensionInvoke|#the module's process sent something unexpected in QuilloExtensionInvoke and was stopped; nothing written#$run
Invoke:forge back|back|#the module's process sent something unexpected after QuilloExtensionInvoke returned and was stopped; nothing written#$run
Invoke:forge back|call QuilloExtensionVersion|back|said 5000|#the module's process sent something unexpected after QuilloExtensionVersion returned and was stopped; nothing written#$run
unload:forge back|document 536870913|#the module's process sent something unexpected after the module was unloaded and was stopped; nothing written#$run
Invoke:forge back|call Frobnicate|#the module's process sent something unexpected after QuilloExtensionInvoke returned and was stopped; nothing written#$run
ROWS
    [ ! -e none.json ] || fail "a hostile run wrote none.json"
    # A process the module started and left running does not hold the
    # program up, and does not outlive the worker.
    export HOSTILE_MODULE=Invoke:child
    expect 0 "^wrote none.json$" run in.json -c Hostile -m 9 -o none.json --module "$HOSTILE"
    unset HOSTILE_MODULE
    gone "$(cat hostile-child.pid)" "a process the module started and left running"
    rm none.json hostile-child.pid
    # Nor does one in a session of its own, which left the worker's group.
    export HOSTILE_MODULE=Invoke:detach
    expect 0 "^wrote none.json$" run in.json -c Hostile -m 9 -o none.json --module "$HOSTILE"
    unset HOSTILE_MODULE
    gone "$(cat hostile-child.pid)" "a process the module started in a session of its own"
    rm none.json hostile-child.pid
    # The module's acts on the channel reach the worker's channel alone, and
    # a program it starts does not hold the channel: a pipe this test holds
    # (as a job server's) gets nothing.
    export HOSTILE_MODULE=Invoke:inherit
    expect 0 "^wrote none.json$" run in.json -c Hostile -m 9 -o none.json --module "$HOSTILE"
    unset HOSTILE_MODULE
    ! grep -q "a started program holds the channel" "$WORK.output" ||
      fail "a program the module started holds the worker's channel"
    rm none.json
    set +e
    { HOSTILE_MODULE='Invoke:forge hello|' "$QUILLO" run in.json -c Hostile -m 9 \
      -o none.json --module "$HOSTILE" >"$WORK.output" 2>&1 7>&3; } 3>&1 | cat >inherited.txt
    set -e
    grep -q "sent something unexpected in QuilloExtensionInvoke" "$WORK.output" ||
      fail "a forged line did not reach the channel: $(cat "$WORK.output")"
    [ ! -s inherited.txt ] || fail "the module wrote into a pipe it was not given: $(cat inherited.txt)"
    rm inherited.txt
    # A signal that ends the program during a run stops what the module
    # started first, says so in one line and ends the program by the signal.
    # (Background jobs of a script start with INT and QUIT ignored: env
    # gives them back their default.)
    for signal in INT TERM HUP QUIT USR1 USR2 ALRM VTALRM PROF XCPU; do
      rm -f hostile-child.pid
      HOSTILE_MODULE=Invoke:detach,hang env --default-signal=INT,QUIT "$QUILLO" run in.json \
        -c Hostile -m 9 -o none.json --module "$HOSTILE" --timeout 60 >"$WORK.output" 2>&1 &
      program=$!
      for _ in $(seq 1 100); do [ -s hostile-child.pid ] && break; sleep 0.05; done
      kill -s "$signal" "$program"
      set +e
      wait "$program"
      status=$?
      set -e
      [ "$status" -eq $((128 + $(kill -l "$signal"))) ] &&
        grep -q "^quillo: [^ ]*hostile[^ ]*: the program was ended by SIG$signal in QuilloExtensionInvoke, and the module's processes were stopped; nothing written$" \
          "$WORK.output" || fail "SIG$signal during a run: status $status, $(cat "$WORK.output")"
      [ -s hostile-child.pid ] && gone "$(cat hostile-child.pid)" "SIG$signal during a run"
    done
    rm -f hostile-child.pid
    # Killed outright, the program cannot stop anything, but its worker ends
    # with it.
    HOSTILE_MODULE=Invoke:hang "$QUILLO" run in.json -c Hostile -m 9 -o none.json \
      --module "$HOSTILE" --timeout 60 >"$WORK.output" 2>&1 &
    program=$!
    for _ in $(seq 1 100); do grep -q "hostile module: hang" "$WORK.output" && break; sleep 0.05; done
    worker=$(pgrep -P "$program")
    kill -s KILL "$program"
    wait "$program" || true
    gone "$worker" "the worker of a program killed outright"
    # Time the program spends stopped by Ctrl-Z does not count: stopped for
    # longer than the whole limit, it still waits once it goes on.
    HOSTILE_MODULE=Invoke:hang env --default-signal=TSTP "$QUILLO" run in.json -c Hostile -m 9 \
      -o none.json --module "$HOSTILE" --timeout 2 >"$WORK.output" 2>&1 &
    program=$!
    for _ in $(seq 1 100); do grep -q "hostile module: hang" "$WORK.output" && break; sleep 0.05; done
    kill -s TSTP "$program"
    sleep 2.2
    kill -s CONT "$program"
    sleep 0.2
    alive "$program" || fail "a run stopped by Ctrl-Z for longer than its limit ended as it went on"
    set +e
    wait "$program"
    status=$?
    set -e
    [ "$status" -eq 2 ] && grep -q "gave no answer within the run's 2 seconds" "$WORK.output" ||
      fail "a run stopped by Ctrl-Z exited $status: $(cat "$WORK.output")"
    # An output whose name cannot be looked up is named with the reason.
    ln -s loop.json loop.json
    expect 2 "^quillo: loop.json: cannot be looked up \(Too many levels of symbolic links\)$" \
      run in.json --module ./module.so -c 1 -m all -o loop.json
    expect 2 "^quillo: n{190}.*: cannot be looked up \(File name too long\)$" \
      run in.json --module ./module.so -c 1 -m all -o "$(printf 'n%.0s' $(seq 1 256))"
    rm loop.json
    if [ "$(id -u)" -ne 0 ]; then
      mkdir shut
      chmod 000 shut
      expect 2 "^quillo: shut/out.json: cannot be looked up \(Permission denied\)$" \
        run in.json --module ./module.so -c 1 -m all -o shut/out.json
      rmdir shut
    fi
    # Started with SIGCHLD ignored, with its standard streams closed,
    # through the dynamic loader, or without /proc (where this system lets
    # a user hide it), the program starts its worker and runs.
    ways=("env --ignore-signal=CHLD" closed loader)
    # (A sanitized program reads its settings from /proc and cannot run
    # without it.)
    if unshare --mount --map-root-user true 2>/dev/null && ! grep -qa __asan_init "$QUILLO"; then
      ways+=(no-proc)
    fi
    for way in "${ways[@]}"; do
      rm -f started.json
      set +e
      case "$way" in
        closed) "$QUILLO" run in.json --module ./module.so -c 1 -m all -o started.json <&- >&- ;;
        loader)
          interpreter=$(readelf -l "$QUILLO" | sed -n 's/.*program interpreter: \(.*\)]$/\1/p')
          "$interpreter" "$QUILLO" run in.json --module ./module.so -c 1 -m all -o started.json \
            >"$WORK.output" 2>&1 ;;
        no-proc)
          unshare --mount --map-root-user sh -c 'mount -t tmpfs none /proc && exec "$@"' - \
            "$QUILLO" run in.json --module ./module.so -c 1 -m all -o started.json \
            >"$WORK.output" 2>&1 ;;
        *) $way "$QUILLO" run in.json --module ./module.so -c 1 -m all -o started.json \
          >"$WORK.output" 2>&1 ;;
      esac
      status=$?
      set -e
      [ "$status" -eq 0 ] && cmp -s started.json out.json ||
        fail "started $way, run exited $status: $(cat "$WORK.output")"
    done
    rm started.json
    set +e
    HOSTILE_MODULE=Invoke:hang env --ignore-signal=CHLD "$QUILLO" run in.json --module "$HOSTILE" \
      -c Hostile -m 9 -o none.json --timeout 1 >"$WORK.output" 2>&1
    status=$?
    set -e
    [ "$status" -eq 2 ] && grep -q "gave no answer within the run's 1 second (--timeout) in QuilloExtensionInvoke" \
      "$WORK.output" || fail "a hang with SIGCHLD ignored exited $status: $(cat "$WORK.output")"
    # Nothing outside the outputs appeared or changed.
    listing=$(ls -A | tr '\n' ' ')
    [ "$listing" = ".in.json.quillo-partial .out.json.quillo-partial a.json b.json bin in-hard.json in-link.json in.json link.json module-link.so module.so out.json pipe same.json victim.json " ] ||
      fail "the folder holds: $listing"
    cmp -s in.json "$SOURCE/examples/three-parts.json" || fail "the input changed"
    ;;
  examples)
    # The example in the format's documentation is a document the program reads.
    awk '/^```json$/ {inside = 1; next} /^```$/ {inside = 0} inside' \
      "$SOURCE/docs/document-format.md" >documented.json
    expect 0 "^pieces: 1–4, 5–8$" show documented.json
    for example in "$SOURCE"/examples/*.json; do
      name=$(basename "$example" .json)
      quillo example "$name" -o "$name.json" >"$WORK.output" 2>&1
      cmp -s "$name.json" "$example" ||
        fail "examples/$name.json is not what 'quillo example $name' writes; regenerate it"
    done
    ;;
  *)
    echo "unknown group $group" >&2
    exit 2
    ;;
esac
[ "$failures" -eq 0 ] && echo "$group: all checks passed"
[ "$failures" -eq 0 ]
