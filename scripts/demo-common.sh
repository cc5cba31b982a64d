# Shared by scripts/demo and scripts/package-check (sourced after common.sh, not run): the demo
# server that the tool's fixed database name reaches, and the window on a virtual display.

# The tool always opens "localhost:zurn_svr": alias zurn_svr of the Firebird server on port 3050.
POSFIX_DEMO_PORT=3050
POSFIX_DEMO_NAME=localhost:zurn_svr
POSFIX_WINDOW_TITLE="POS 데이터 변경(관리자)"
# Captions of the tool's dialogs and error boxes (an error box carries the program's title).
POSFIX_DIALOG_TITLES=("Warning" "Information" "Application Error" "posfix")
# The exit button "종료": its centre in the window's client area.
POSFIX_EXIT_BUTTON_X=648
POSFIX_EXIT_BUTTON_Y=467

# Makes sure that port 3050 is free for the demo server of <root>: a server of an earlier run
# from <root> that was cut short is stopped; when another server has the port, says so and ends
# the script with exit code 2, leaving that server alone.
posfix_claim_demo_port() {
    local root=$1 fbserver=$POSFIX_SCRIPTS/fbserver.sh owner
    "$fbserver" stop "$root" >/dev/null
    if owner=$("$fbserver" port-owner "$POSFIX_DEMO_PORT"); then
        cat >&2 <<EOF

Port $POSFIX_DEMO_PORT is already in use:
$owner

The tool always connects to "$POSFIX_DEMO_NAME", that is the Firebird server on port
$POSFIX_DEMO_PORT of this machine, so this script needs to run its own server there. It leaves
the running server alone and stops here. Stop that server yourself (for example: systemctl stop
firebird3.0) and run it again.
EOF
        exit 2
    fi
}

# Starts a private server on port 3050 from <root> whose alias zurn_svr is a new demo database
# made from the schema and the seed, and stops it when the script ends.
posfix_start_demo_server() {
    local root=$1 fbserver=$POSFIX_SCRIPTS/fbserver.sh
    local db=$root/data/zurn_demo.fdb
    posfix_claim_demo_port "$root"
    posfix_say "Starting the demo Firebird server on 127.0.0.1:$POSFIX_DEMO_PORT"
    posfix_on_exit "'$fbserver' stop '$root'"
    mkdir -p "$root/data"
    rm -f "$db" # every run starts from the seed
    "$fbserver" start "$root" "$POSFIX_DEMO_PORT" "zurn_svr=$db" ||
        posfix_die "the demo Firebird server did not start"

    posfix_say "Creating the demo database $POSFIX_DEMO_NAME ($db)"
    posfix_make_pos_db "$POSFIX_DEMO_NAME" || posfix_die "the demo database could not be created"
}

# Starts a virtual display (Xvfb, 1280x1024 at 96 dpi) that lives until the script ends and
# exports DISPLAY; Xvfb's output goes to <log>.
posfix_start_xvfb() {
    local log=$1 display_file pid i
    display_file=$(mktemp)
    posfix_on_exit "rm -f '$display_file'"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$display_file" \
        >"$log" 2>&1 &
    pid=$!
    posfix_on_exit "kill $pid 2>/dev/null; wait $pid 2>/dev/null"
    for ((i = 0; i < 100; i++)); do
        [[ -s $display_file ]] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    [[ -s $display_file ]] || {
        cat "$log" >&2
        posfix_die "Xvfb did not start"
    }
    export DISPLAY=:$(head -n 1 "$display_file")
}

# The viewable top-level windows, one "<id> <caption>" line each.
posfix_viewable_windows() {
    local id name
    # Captions are UTF-8; xwininfo prints them only in a UTF-8 locale, whatever the shell's is.
    LC_ALL=C.UTF-8 xwininfo -root -children 2>/dev/null |
        sed -n 's/^ *\(0x[0-9a-f]*\) "\(.*\)": .*/\1 \2/p' |
        while read -r id name; do
            xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' && echo "$id $name"
        done
}

# Waits until the tool (process <pid>) shows its main window and prints the window's id.
# Returns 1 after <timeout> seconds, 2 when the process ended, 3 when a dialog or error box of
# the tool came up instead (a failed start); says which on standard error.
posfix_wait_for_window() {
    local pid=$1 timeout=$2 i id name title
    for ((i = 0; i < timeout * 4; i++)); do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "the tool ended before its window appeared" >&2
            return 2
        fi
        while read -r id name; do
            if [[ $name == "$POSFIX_WINDOW_TITLE" ]]; then
                echo "$id"
                return 0
            fi
            for title in "${POSFIX_DIALOG_TITLES[@]}"; do
                if [[ $name == "$title" ]]; then
                    echo "the tool shows a box captioned \"$title\" instead of its window" >&2
                    return 3
                fi
            done
        done < <(posfix_viewable_windows)
        sleep 0.25
    done
    echo "the window did not appear within ${timeout}s" >&2
    return 1
}

# Closes the tool's window <id> as the operator would, with a click on its exit button (on a
# display without a window manager, where the window's position is its client area's), and
# waits for process <pid> to end. Returns the tool's exit code, or 124 when it did not end.
posfix_close_window() {
    local id=$1 pid=$2 x y i
    read -r x y < <(xwininfo -id "$id" |
        awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}')
    xdotool mousemove $((x + POSFIX_EXIT_BUTTON_X)) $((y + POSFIX_EXIT_BUTTON_Y)) click 1
    for ((i = 0; i < 40; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.25
    done
    kill -0 "$pid" 2>/dev/null && return 124
    wait "$pid"
}

# Runs <tool> on a new virtual display (Xvfb) as the operator would start it, saves a picture of
# the screen as <shot> once the main window shows, then closes the window with its exit button.
# Xvfb's and the tool's output go to <logdir>/xvfb.log and <logdir>/posfix.log. Returns 0 when
# the window showed and the tool ended with exit code 0; 1 when the window did not show (the
# picture shows the screen as it was, the tool's output is printed); 2 when the window showed
# but the tool did not end normally (its exit code is printed).
posfix_shoot_window() {
    local tool=$1 shot=$2 logdir=$3 pid window_id rc
    mkdir -p "$logdir" "$(dirname "$shot")"
    rm -f "$shot"
    posfix_start_xvfb "$logdir/xvfb.log"
    "$tool" >"$logdir/posfix.log" 2>&1 &
    pid=$!
    posfix_on_exit "kill $pid 2>/dev/null; wait $pid 2>/dev/null"
    window_id=$(posfix_wait_for_window "$pid" "${POSFIX_WINDOW_TIMEOUT:-60}")
    sleep 2 # let it finish painting
    import -window root "$shot" || posfix_die "the screenshot could not be saved"
    if [[ -z $window_id ]]; then
        cat "$logdir/posfix.log" >&2
        return 1
    fi
    posfix_close_window "$window_id" "$pid"
    rc=$?
    ((rc == 0)) && return 0
    echo "the window did not close normally (exit code $rc)" >&2
    return 2
}
