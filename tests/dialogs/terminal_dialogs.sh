# The standard dialogs answered on a terminal, as a person does: jolrun runs
# in a tmux pane without scripted answers; the test reads the pane and
# types. A line keeps its commas, a password is not echoed, lists take
# numbers, Enter keeps a default, Enter closes a Display, Ctrl+D cancels.
# Arguments: the jolrun program, a scratch folder.
set -u
jolrun=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
socket="jol-dialogs-$$"
script=$work/terminal.jol
out=$work/vars.out
fail() {
  echo "FAILED: $*" >&2
  tmux -L "$socket" capture-pane -p -t dialogs >&2 2>/dev/null
  tmux -L "$socket" kill-server 2>/dev/null
  exit 1
}
command -v tmux >/dev/null || { echo "tmux is missing"; exit 77; }
for line in \
  'name = AskLine("Name", "Who are you?", "nobody")' \
  'kept = AskLine("Name", "Again?", "the default")' \
  'secret = AskPassword("Secret", "Key?")' \
  'some = AskItemList("Colours", "red|green|blue", "|", @SORTED, @MULTIPLE)' \
  'one = TextSelect("Letters", "b|a|c", "|")' \
  'file = AskFileName("Open", "C:\data\", "Text|*.txt|", "x.txt", @OPEN)' \
  'shown = Display(60, "Note", "Hello there")' \
  'gone = AskLine("Name", "Last one?", "")' \
  'after = 1' \
  'exit' \
  ':cancel' \
  'caught = 1'; do
  printf '%s\r\n' "$line" >>"$script"
done

# Waits until the pane shows TEXT.
wait_for() {
  tries=100
  until tmux -L "$socket" capture-pane -p -t dialogs | grep -F -q -- "$1"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || fail "the terminal never showed '$1'"
    sleep 0.1
  done
}
send() { tmux -L "$socket" send-keys -t dialogs "$@"; }

tmux -L "$socket" new-session -d -s dialogs -x 160 -y 50 \
  "env -u JOL_ANSWERS -u JOL_ANSWERS_FILE '$jolrun' --dump-vars '$script' >'$out'; echo \"status \$?\" >>'$out'; sleep 30" ||
  fail "tmux did not start"
wait_for "Who are you?"
send -l "Ann, of Green Gables; 1908"
send Enter
wait_for "Again?"
send Enter
wait_for "password"
send -l "hush"
send Enter
wait_for "numbers ("
tmux -L "$socket" capture-pane -p -t dialogs | grep -q hush && fail "the password was echoed"
wait_for "3. red"
send -l "3 1"
send Enter
wait_for "number ("
send -l "1"
send Enter
wait_for "open [x.txt]"
send Enter
wait_for "Enter closes it"
send Enter
wait_for "Last one?"
send C-d
tries=100
until grep -q '^status' "$out" 2>/dev/null; do
  tries=$((tries - 1))
  [ "$tries" -gt 0 ] || fail "jolrun did not end"
  sleep 0.1
done
tmux -L "$socket" kill-server 2>/dev/null
expected='param0=0
name=Ann, of Green Gables; 1908
kept=the default
secret=hush
some=blue|red|
one=b
file=x.txt
shown=1
gone=0
caught=1
status 0'
got=$(tr -d '\r' <"$out")
[ "$got" = "$expected" ] || fail "variables:
$got
expected:
$expected"
echo "terminal dialogs: ok"
