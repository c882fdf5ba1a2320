#!/bin/sh
# The terminal menu of jolrun --menu in a tmux session: the top list, a
# popup's list with help beside its items, an item run (its box written on
# the terminal) and the list shown again, then back and quit.
# Usage: terminal_menu.sh JOLRUN MENUFILE. Exit 77 when tmux is missing.
set -u
jolrun=$1
menu=$2
command -v tmux >/dev/null 2>&1 || { echo "tmux is not installed"; exit 77; }
session="jolmenu$$"
socket="jolmenu$$"
out=$(mktemp)
trap 'tmux -L "$socket" kill-server 2>/dev/null; rm -f "$out"' EXIT

tmux -L "$socket" new-session -d -s "$session" -x 160 -y 50 \
    "JOL_ANSWERS=ok '$jolrun' --menu '$menu'; echo jolrun-exit-\$?; sleep 30"

# Waits until the pane shows a text; fails after 15 s.
wait_for() {
    i=0
    while [ $i -lt 150 ]; do
        tmux -L "$socket" capture-pane -p -t "$session" -S -200 > "$out"
        grep -qF -- "$1" "$out" && return 0
        sleep 0.1
        i=$((i + 1))
    done
    echo "the terminal never showed: $1"
    cat "$out"
    exit 1
}
send() {
    tmux -L "$socket" send-keys -t "$session" "$1" Enter
}

wait_for "Choose:"
grep -q "1  File >" "$out" || { echo "no File popup in the top list"; cat "$out"; exit 1; }
grep -q "3  Help{F1}" "$out" || { echo "no Help item in the top list"; cat "$out"; exit 1; }
send 1
wait_for "Menu > File"
grep -q "Open  *Ctrl+O  *Opens a file" "$out" || { echo "no help beside Open"; cat "$out"; exit 1; }
send 3
wait_for "Menu > File > Tools"
send 1
wait_for "Menu > File > Tools > Level three"
send 1
wait_for "Deep: deep"
send 0
send 0
send 0
send 3
wait_for "Help: started=1"
send 0
wait_for "jolrun-exit-0"
echo "terminal menu: ok"
