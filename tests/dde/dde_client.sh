# Runs dde_client.jol against the joldde server and compares the
# variables it leaves with dde_client.out.
. "$RIG_LIB"
ready=$RIG_WORK/ready
rig_spawn_program "$JOL_DDE_SERVER" "$(rig_path "$ready")"
rig_wait_line "$ready" '^ready [0-9]' 30
cd "$JOL_DDE_DIR" || rig_fail "no folder $JOL_DDE_DIR"
JOL_ANSWERS=default rig_program "$JOLRUN" --dump-vars dde_client.jol \
  >"$RIG_WORK/out" 2>"$RIG_WORK/err"
status=$?
tr -d '\r' <"$RIG_WORK/out" >"$RIG_WORK/got"
diff -u dde_client.out "$RIG_WORK/got" >&2 || rig_fail "the variables differ; errors: $(cat "$RIG_WORK/err")"
for want in "Too many DDE conversations" "Channel not open" "Bad channel number" \
  "Bad Channel Number" "Create String Failure" "Create String Failed"; do
  grep -q "$want" "$RIG_WORK/err" || rig_fail "no message '$want': $(cat "$RIG_WORK/err")"
done
[ "$status" -eq 0 ] || rig_fail "jolrun ended with status $status"
# Sixteen conversations were ended by the client: six fetches, one by
# DdeTerminate, the nine
# still open when the context was released.
rig_wait_line "$ready" '^disconnect' 10
sleep 1
ended=$(grep -c '^disconnect' "$ready")
[ "$ended" -eq 16 ] || rig_fail "the client ended $ended conversations, not 16"
echo "DDE client under Windows: ok"
