# The field suite's common part, sourced by each tests/field/*-test:
#   tests/field/NAME-test QUINTREL_CLI QUINTREL_SIM
# Run as root, every program runs as an unprivileged user (FIELD_UID) with a scratch home, so
# that root's privileges hide nothing; a second user (FIELD_OTHER_UID) plays another local user.
# Run as a normal user, the programs run as that user and the cases that need a second user are
# skipped. The file ends with field_done, which fails when a check failed.
set -uo pipefail

[[ $# -ge 2 ]] || { echo "usage: $0 QUINTREL_CLI QUINTREL_SIM" >&2; exit 2; }

# Numbers no account of this machine is expected to use; each run removes what they left.
FIELD_UID=64101 FIELD_OTHER_UID=64102
[[ $(id -u) -eq 0 ]] || FIELD_UID=$(id -u) FIELD_OTHER_UID=
# The programs are copied where the user can run them. The user's home holds its temporary
# directory and a private directory for the simulators' links (QUINTREL_PORTS_DIR of as_user).
FIELD_ROOT=$(mktemp -d /tmp/quintrel-field.XXXXXX)
CLI=$FIELD_ROOT/bin/quintrel-cli SIM=$FIELD_ROOT/bin/quintrel-sim
FIELD_HOME=$FIELD_ROOT/home FIELD_PORTS=$FIELD_ROOT/home/ports
out=$FIELD_HOME/out err=$FIELD_HOME/err
mkdir -p "$FIELD_ROOT/bin" "$FIELD_HOME/tmp" "$FIELD_PORTS"
install -m 755 "$1" "$CLI" && install -m 755 "$2" "$SIM"
chmod 755 "$FIELD_ROOT" "$FIELD_ROOT/bin" && chmod 700 "$FIELD_HOME" "$FIELD_PORTS"
[[ $(id -u) -ne 0 ]] || chown -R "$FIELD_UID:$FIELD_UID" "$FIELD_HOME"
# The programs' default link directories of the two users, when they are the suite's own.
field_port_dirs=("/tmp/quintrel-ports-$FIELD_UID" "/tmp/quintrel-ports-$FIELD_OTHER_UID")
[[ $(id -u) -eq 0 ]] || field_port_dirs=()
rm -rf "${field_port_dirs[@]}"

field_passed=0 field_failed=0 field_sims=()
field_cleanup() {
  for pid in "${field_sims[@]}"; do stop_sim "$pid"; done
  rm -rf "$FIELD_ROOT" "${field_port_dirs[@]}"
}
trap field_cleanup EXIT

# user_prefix UID: sets field_prefix to what runs a command as that user, with a clean
# environment of its own; FIELD_PORTS_DIR (when set, even empty: the programs' default)
# replaces QUINTREL_PORTS_DIR.
user_prefix() {
  field_prefix=(env -i HOME="$FIELD_HOME" TMPDIR="$FIELD_HOME/tmp" PATH=/usr/bin:/bin
    LANG=C.UTF-8 QUINTREL_PORTS_DIR="${FIELD_PORTS_DIR-$FIELD_PORTS}")
  [[ $(id -u) -ne 0 ]] || field_prefix+=(setpriv --reuid="$1" --regid="$1" --clear-groups)
}
as_user() { user_prefix "$FIELD_UID" && "${field_prefix[@]}" "$@"; }
as_other() { user_prefix "$FIELD_OTHER_UID" && "${field_prefix[@]}" "$@"; } # if has_other_user
has_other_user() { [[ -n $FIELD_OTHER_UID ]]; }

# in_background UID COMMAND...: the command as that user in the background, its own process id
# (kept through the execs, so it can be signalled) in bg_pid; stopped at the end.
in_background() {
  user_prefix "$1"
  "${field_prefix[@]}" "${@:2}" & bg_pid=$!
  field_sims+=("$bg_pid")
}

# run COMMAND...: the command as the user; its status in status, its outputs both in $out.
run() { as_user "$@" >"$out" 2>&1; status=$?; }

# check DESCRIPTION COMMAND...: one check; passes when the command succeeds.
check() {
  if "${@:2}"; then
    field_passed=$((field_passed + 1)) && echo "ok:   $1"
  else
    field_failed=$((field_failed + 1)) && echo "FAIL: $1"
  fi
}

# contains FILE TEXT: the file holds the text (a fixed string); shows the file when it does not.
contains() { grep -qF -- "$2" "$1" || { echo "  '$2' not in:" && sed 's/^/  | /' "$1"; return 1; }; }
# lacks FILE TEXT: the file does not hold the text.
lacks() { ! grep -qF -- "$2" "$1" || { echo "  '$2' in $1" && return 1; }; }
# status_is GOT WANT: shows the error output when they differ.
status_is() { [[ $1 -eq $2 ]] || { echo "  exit $1, expected $2" && cat "$err" 2>/dev/null; return 1; }; }
# ended STATUS TEXT: the last run ended with STATUS and said TEXT.
ended() { contains "$out" "$2" && status_is "$status" "$1"; }

# wait_until COMMAND...: polls the command for up to 5 s.
wait_until() {
  for _ in $(seq 200); do "$@" && return 0; sleep 0.025; done
  echo "  waited in vain for: $*" && return 1
}

# start_sim NAME ARGS...: quintrel-sim as the user with its link at $FIELD_PORTS/NAME (with
# --count N the links are NAME-1..NAME-N); returns once the last link exists, the simulator's
# process id in bg_pid.
start_sim() {
  local last=$FIELD_PORTS/$1
  [[ " $* " =~ " --count "([0-9]+)" " ]] && last+=-${BASH_REMATCH[1]}
  in_background "$FIELD_UID" "$SIM" --link "$FIELD_PORTS/$1" --log "$FIELD_HOME/$1.log" "${@:2}" \
    >>"$FIELD_HOME/sims.out" 2>&1
  wait_until test -L "$last"
}

# stop_sim PID [SIGNAL]: stops a process (a simulator) and waits for it.
stop_sim() { kill -"${2-TERM}" "$1" 2>/dev/null; wait "$1" 2>/dev/null; return 0; }

field_done() { echo "$field_passed passed, $field_failed failed" && [[ $field_failed -eq 0 ]]; }
