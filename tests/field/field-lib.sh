# The field suite's common part, sourced by each tests/field/*-test:
#   tests/field/NAME-test QUINTREL_CLI QUINTREL_SIM
# Run as root, every program runs as an unprivileged user (FIELD_UID) with a scratch home, so
# that root's privileges hide nothing; a second user (FIELD_OTHER_UID) plays another local user.
# Run as a normal user, the programs run as that user and the cases that need a second user are
# skipped. The programs are copied where the user can run them. The file ends with field_done,
# which prints "N passed, N failed" and fails when a check failed.
set -uo pipefail

[[ $# -ge 2 ]] || { echo "usage: $0 QUINTREL_CLI QUINTREL_SIM" >&2; exit 2; }

# Numbers no account of this machine is expected to use; each run removes what they left.
FIELD_UID=64101
FIELD_OTHER_UID=64102
if [[ $(id -u) -ne 0 ]]; then
  FIELD_UID=$(id -u)
  FIELD_OTHER_UID=
fi
FIELD_ROOT=$(mktemp -d /tmp/quintrel-field.XXXXXX)
chmod 755 "$FIELD_ROOT"
mkdir -p "$FIELD_ROOT/bin"
cp "$1" "$FIELD_ROOT/bin/quintrel-cli"
cp "$2" "$FIELD_ROOT/bin/quintrel-sim"
chmod 755 "$FIELD_ROOT/bin" "$FIELD_ROOT/bin/"*
CLI=$FIELD_ROOT/bin/quintrel-cli
SIM=$FIELD_ROOT/bin/quintrel-sim
# The user's home, its temporary directory and a private directory for the simulators' links,
# which QUINTREL_PORTS_DIR names for every program started through as_user.
FIELD_HOME=$FIELD_ROOT/home
FIELD_PORTS=$FIELD_HOME/ports
mkdir -p "$FIELD_HOME/tmp" "$FIELD_PORTS"
chmod 700 "$FIELD_HOME" "$FIELD_PORTS"
[[ $(id -u) -ne 0 ]] || chown -R "$FIELD_UID:$FIELD_UID" "$FIELD_HOME"

field_passed=0
field_failed=0
field_sims=()

field_cleanup() {
  local pid
  for pid in "${field_sims[@]}"; do
    kill "$pid" 2>/dev/null
  done
  for pid in "${field_sims[@]}"; do
    wait "$pid" 2>/dev/null
  done
  if [[ $(id -u) -eq 0 ]]; then
    rm -rf "/tmp/quintrel-ports-$FIELD_UID" "/tmp/quintrel-ports-$FIELD_OTHER_UID"
  fi
  rm -rf "$FIELD_ROOT"
}
trap field_cleanup EXIT
if [[ $(id -u) -eq 0 ]]; then
  rm -rf "/tmp/quintrel-ports-$FIELD_UID" "/tmp/quintrel-ports-$FIELD_OTHER_UID"
fi

# user_prefix UID: sets field_prefix to what runs a command as that user, with a clean
# environment of its own. A command run through it directly (not in a function) keeps its
# process id through the execs, so a background simulator can be signalled.
user_prefix() {
  field_prefix=(env -i HOME="$FIELD_HOME" TMPDIR="$FIELD_HOME/tmp" PATH=/usr/bin:/bin
    LANG=C.UTF-8 QUINTREL_PORTS_DIR="${FIELD_PORTS_DIR-$FIELD_PORTS}")
  if [[ $(id -u) -eq 0 ]]; then
    field_prefix+=(setpriv --reuid="$1" --regid="$1" --clear-groups)
  fi
}

# as_uid UID COMMAND...: the command as that user.
as_uid() {
  user_prefix "$1"
  shift
  "${field_prefix[@]}" "$@"
}

# as_user COMMAND...: the command as the suite's user. FIELD_PORTS_DIR (when set, even empty)
# replaces QUINTREL_PORTS_DIR; empty leaves the program to its default directory.
as_user() { as_uid "$FIELD_UID" "$@"; }

# as_other COMMAND...: the command as a second local user; callers check has_other_user first.
as_other() { as_uid "$FIELD_OTHER_UID" "$@"; }
has_other_user() { [[ -n $FIELD_OTHER_UID ]]; }

# check DESCRIPTION COMMAND...: one check; passes when the command succeeds.
check() {
  local description=$1
  shift
  if "$@"; then
    field_passed=$((field_passed + 1))
    echo "ok:   $description"
  else
    field_failed=$((field_failed + 1))
    echo "FAIL: $description"
  fi
}

# skip DESCRIPTION: a check that cannot run here, said so.
skip() { echo "skip: $1"; }

# contains FILE TEXT: the file holds the text (a fixed string); shows the file when it does not.
contains() {
  grep -qF -- "$2" "$1" && return 0
  echo "  '$2' not in:"
  sed 's/^/  | /' "$1"
  return 1
}

# start_sim NAME ARGS...: quintrel-sim as the user with its link at $FIELD_PORTS/NAME (with
# --count N the links are NAME-1..NAME-N); returns once the last link exists. The simulator's
# process id is left in sim_pid.
start_sim() {
  local name=$1
  shift
  local wait_for=$FIELD_PORTS/$name
  local argument previous=
  for argument in "$@"; do
    [[ $previous == --count ]] && wait_for=$FIELD_PORTS/$name-$argument
    previous=$argument
  done
  user_prefix "$FIELD_UID"
  "${field_prefix[@]}" "$SIM" --link "$FIELD_PORTS/$name" --log "$FIELD_HOME/$name.log" "$@" \
    >>"$FIELD_HOME/sims.out" 2>&1 &
  sim_pid=$!
  field_sims+=("$sim_pid")
  local _
  for _ in $(seq 200); do
    [[ -L $wait_for ]] && return 0
    sleep 0.025
  done
  echo "quintrel-sim $* did not make $wait_for" >&2
  return 1
}

# stop_sim PID: stops a simulator and waits for it.
stop_sim() {
  kill "$1" 2>/dev/null
  wait "$1" 2>/dev/null
  return 0
}

field_done() {
  echo "$field_passed passed, $field_failed failed"
  [[ $field_failed -eq 0 ]]
}
