#!/usr/bin/env bash
# A private Firebird 3.0 server that lives entirely in one root folder and listens on loopback
# only. Nothing of the machine's own Firebird set-up is used or changed: the server gets its own
# firebird.conf, databases.conf, security database (SYSDBA password "quillmoss"), lock and
# temporary folders; the installed plugins, lib, UDF and message file are linked in, the
# character set module and its configuration are copied in (see copy_intl).
#
#   fbserver.sh start <root> <port> [alias=path ...]   start, wait until it takes connections
#   fbserver.sh stop <root>                            stop the server started from <root>
#   fbserver.sh status <root>                          exit 0 when it runs (prints its PID)
#   fbserver.sh free-port                              print a free loopback port (never 3050)
#   fbserver.sh port-owner <port>                      describe who listens on <port>, if anyone
#
# The server's PID is kept in <root>/firebird.pid; stop only ever ends that process, and only
# after checking that it is /usr/sbin/firebird running from this root.
set -uo pipefail

FB_USER=sysdba
FB_PASSWORD=quillmoss
FB_SERVER_BIN=/usr/sbin/firebird
START_TIMEOUT=60
STOP_TIMEOUT=30

die() {
    echo "fbserver: $*" >&2
    exit 1
}

# Folder of the installed Firebird 3.0 runtime (plugins, intl, firebird.msg ...).
fb_home() {
    local d
    for d in /usr/lib/x86_64-linux-gnu/firebird/3.0 /usr/lib/*/firebird/3.0; do
        if [[ -d $d/plugins && -f $d/firebird.msg ]]; then
            echo "$d"
            return 0
        fi
    done
    return 1
}

port_in_use() {
    local port=$1
    if command -v ss >/dev/null 2>&1 && [[ -n $(ss -Hltn "sport = :$port" 2>/dev/null) ]]; then
        return 0
    fi
    # Also catches a listener that ss cannot see (another network namespace view, no ss).
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null
}

cmd_port_owner() {
    local port=${1:?port}
    if ! port_in_use "$port"; then
        return 1
    fi
    local line
    line=$(ss -Hltnp "sport = :$port" 2>/dev/null | head -n 3)
    if [[ -n $line ]]; then
        echo "$line"
    else
        echo "something accepts connections on 127.0.0.1:$port"
    fi
}

cmd_free_port() {
    local port tries
    for ((tries = 0; tries < 200; tries++)); do
        port=$((3051 + RANDOM % 900))
        [[ $port == 3057 ]] && continue # the developers' shared server
        if ! port_in_use "$port"; then
            echo "$port"
            return 0
        fi
    done
    die "no free port found between 3051 and 3950"
}

abs_root() {
    local root=${1:?root folder}
    mkdir -p "$root" || die "cannot create $root"
    (cd "$root" && pwd -P)
}

# PID of the server started from <root>, when that process still runs and really is it.
running_pid() {
    local root=$1 pid exe
    [[ -f $root/firebird.pid ]] || return 1
    pid=$(<"$root/firebird.pid")
    [[ $pid =~ ^[0-9]+$ ]] || return 1
    kill -0 "$pid" 2>/dev/null || return 1
    exe=$(readlink "/proc/$pid/exe" 2>/dev/null) || return 1
    [[ $exe == "$FB_SERVER_BIN" ]] || return 1
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "FIREBIRD=$root" || return 1
    echo "$pid"
}

cmd_status() {
    local root
    root=$(abs_root "$1")
    running_pid "$root"
}

cmd_stop() {
    local root pid i
    root=$(abs_root "$1")
    if ! pid=$(running_pid "$root"); then
        rm -f "$root/firebird.pid"
        return 0
    fi
    kill -TERM "$pid" 2>/dev/null
    for ((i = 0; i < STOP_TIMEOUT * 5; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.2
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "fbserver: server $pid did not stop within ${STOP_TIMEOUT}s, killing it" >&2
        kill -KILL "$pid" 2>/dev/null
        sleep 0.5
    fi
    rm -f "$root/firebird.pid"
    echo "fbserver: stopped server $pid ($root)"
}

# Environment under which the server (and embedded tools on its files) find this root only.
root_env() {
    local root=$1
    echo "FIREBIRD=$root" "FIREBIRD_LOCK=$root/lock" "FIREBIRD_TMP=$root/tmp"
}

write_config() {
    local root=$1 port=$2
    shift 2
    cat >"$root/firebird.conf" <<EOF
# Private server of this folder only.
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
IpcName = posfix_fb_$port
RemotePipeName = posfix_fb_$port
SecurityDatabase = $root/security3.fdb
UdfAccess = None
ServerMode = Super
EOF
    {
        echo "security.db = $root/security3.fdb"
        echo "{"
        echo "	RemoteAccess = false"
        echo "}"
        local entry
        for entry in "$@"; do
            [[ $entry == *=* ]] || die "alias '$entry' is not of the form name=path"
            echo "${entry%%=*} = ${entry#*=}"
        done
    } >"$root/databases.conf"
}

# A copy of the installed security database in which SYSDBA has this project's password.
# security3.ready marks a copy whose password was set; a half-made copy is made again.
make_security_db() {
    local root=$1 system_db=/var/lib/firebird/3.0/system/security3.fdb
    [[ -f $root/security3.fdb && -f $root/security3.ready ]] && return 0
    [[ -f $system_db ]] || die "$system_db not found (is firebird3.0-server installed?)"
    rm -f "$root/security3.fdb" "$root/security3.ready"
    cp "$system_db" "$root/security3.fdb" || die "cannot copy $system_db"
    chmod 600 "$root/security3.fdb"
    # Embedded access to the copy: opened by this process alone, with this root's
    # configuration (whose SecurityDatabase is the copy itself) and lock folder.
    if ! printf "create or alter user SYSDBA password '%s' using plugin Srp;\ncommit;\n" \
        "$FB_PASSWORD" |
        env $(root_env "$root") isql-fb -q -bail -user SYSDBA "$root/security3.fdb" \
            >"$root/security-setup.log" 2>&1; then
        cat "$root/security-setup.log" >&2
        rm -f "$root/security3.fdb"
        die "cannot set the SYSDBA password in the private security database"
    fi
    : >"$root/security3.ready"
}

# The character sets beyond the built-in ones (KSC_5601 among them) come from intl/libfbintl.so,
# listed by intl/fbintl.conf. When the folder or the module is a symbolic link, the server opens
# the module but takes no character set from it ("CHARACTER SET KSC_5601 is not installed"); a
# real folder with a copy of the module works. A copy replaces the old one by a rename, so a
# server that still maps the old file is not disturbed.
copy_intl() {
    local root=$1 home=$2 file
    [[ -L $root/intl ]] && rm -f "$root/intl" # a link left by an older version of this script
    mkdir -p "$root/intl" || die "cannot create $root/intl"
    for file in libfbintl.so fbintl.conf; do
        [[ -e $home/intl/$file ]] || die "$home/intl/$file not found (is firebird3.0-server installed?)"
        cmp -s "$home/intl/$file" "$root/intl/$file" && continue
        cp -L "$home/intl/$file" "$root/intl/$file.new" &&
            mv -f "$root/intl/$file.new" "$root/intl/$file" ||
            die "cannot copy $home/intl/$file into $root/intl"
    done
}

# Asks the server for its version; on failure the probe's own text is left in PROBE_TEXT.
PROBE_TEXT=""
server_answers() {
    local port=$1
    PROBE_TEXT=$(fbsvcmgr "localhost/$port:service_mgr" -user "$FB_USER" -password "$FB_PASSWORD" \
        -info_server_version 2>&1 >/dev/null) && return 0
    [[ -n $PROBE_TEXT ]] || PROBE_TEXT="fbsvcmgr failed without a message"
    return 1
}

# A probe failure that waiting cannot cure: the host name does not resolve, or the server
# answered and refused the login.
probe_failure_is_final() {
    [[ $PROBE_TEXT == *"Failed to locate host machine"* ||
        $PROBE_TEXT == *"user name and password are not defined"* ]]
}

cmd_start() {
    local root port home pid i link
    root=$(abs_root "${1:?usage: fbserver.sh start <root> <port> [alias=path ...]}")
    port=${2:?usage: fbserver.sh start <root> <port> [alias=path ...]}
    shift 2
    [[ $port =~ ^[0-9]+$ ]] || die "port '$port' is not a number"
    [[ -x $FB_SERVER_BIN ]] || die "$FB_SERVER_BIN not found (install firebird3.0-server)"
    command -v isql-fb >/dev/null || die "isql-fb not found (install firebird3.0-utils)"
    command -v fbsvcmgr >/dev/null || die "fbsvcmgr not found (install firebird3.0-utils)"
    home=$(fb_home) || die "installed Firebird 3.0 runtime folder not found"
    # Clients, the probe and the tests reach the server as "localhost".
    getent hosts localhost >/dev/null ||
        die "the host name localhost does not resolve on this machine, so no client can reach the server (add \"127.0.0.1 localhost\" to /etc/hosts)"

    # A server left behind by an earlier run from this very root is ours: end it first.
    if running_pid "$root" >/dev/null; then
        cmd_stop "$root"
    fi
    if port_in_use "$port"; then
        echo "fbserver: port $port is already in use:" >&2
        cmd_port_owner "$port" >&2
        return 2
    fi

    mkdir -p "$root/data" "$root/lock" "$root/tmp" || die "cannot prepare $root"
    for link in plugins lib UDF plugins.conf firebird.msg; do
        if [[ -e $home/$link ]]; then
            ln -sfn "$home/$link" "$root/$link"
        fi
    done
    copy_intl "$root" "$home"
    write_config "$root" "$port" "$@"
    make_security_db "$root"

    : >"$root/server.log"
    # setsid: the server does not share the terminal's process group; it is ended by its PID.
    env $(root_env "$root") setsid "$FB_SERVER_BIN" >>"$root/server.log" 2>&1 </dev/null &
    pid=$!
    echo "$pid" >"$root/firebird.pid"

    for ((i = 0; i < START_TIMEOUT * 4; i++)); do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "fbserver: the server exited at start; its logs:" >&2
            cat "$root/server.log" "$root/firebird.log" 2>/dev/null | tail -n 40 >&2
            rm -f "$root/firebird.pid"
            return 1
        fi
        if server_answers "$port"; then
            echo "fbserver: server $pid listens on 127.0.0.1:$port (root $root)"
            return 0
        fi
        if probe_failure_is_final; then
            echo "fbserver: the server cannot be reached; the probe says:" >&2
            echo "$PROBE_TEXT" >&2
            cmd_stop "$root" >&2
            return 1
        fi
        sleep 0.25
    done
    echo "fbserver: the server did not accept connections within ${START_TIMEOUT}s; the probe's last answer:" >&2
    echo "$PROBE_TEXT" >&2
    tail -n 40 "$root/firebird.log" 2>/dev/null >&2
    cmd_stop "$root" >&2
    return 1
}

main() {
    local cmd=${1:-}
    shift || true
    case $cmd in
    start) cmd_start "$@" ;;
    stop) cmd_stop "${1:?usage: fbserver.sh stop <root>}" ;;
    status) cmd_status "${1:?usage: fbserver.sh status <root>}" ;;
    free-port) cmd_free_port ;;
    port-owner) cmd_port_owner "${1:?usage: fbserver.sh port-owner <port>}" ;;
    *)
        echo "usage: fbserver.sh start <root> <port> [alias=path ...] | stop <root> | status <root> |" >&2
        echo "       free-port | port-owner <port>" >&2
        return 64
        ;;
    esac
}

main "$@"
