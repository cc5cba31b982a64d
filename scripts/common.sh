# Shared by the scripts (sourced, not run): package set-up, clean-up on exit,
# configuring and building, loading the POS schema and the demo seed.

POSFIX_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
POSFIX_SCRIPTS=$POSFIX_SOURCE_DIR/scripts
POSFIX_JOBS=${POSFIX_JOBS:-2}
POSFIX_DB_USER=sysdba
POSFIX_DB_PASSWORD=quillmoss

# Debian packages the project needs to build, test and run the demo.
POSFIX_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev qt6-base-dev qt6-qpa-plugins
    firebird3.0-server firebird3.0-utils firebird-dev libfbclient2
    xvfb xauth x11-utils imagemagick xdotool
    fonts-baekmuk fonts-nanum-coding
    iproute2 procps
    # The sanitized run's leak suppressions name glibc functions, found only with its symbols.
    libc6-dbg
    # scripts/windows-*: the whole tool cross-compiled for Windows (they add Wine and zip).
    g++-mingw-w64-x86-64-posix
    # scripts/package: CPack finds the programs to pass to dpkg-shlibdeps with file.
    file
)

# Passes its input on to standard error through the descriptor it has (reopening /dev/stderr, as
# `tee /dev/stderr` does, truncates a log file that stderr is written to) and prints the last line.
posfix_show_keep_last() {
    local last="" line
    while IFS= read -r line; do
        printf '%s\n' "$line" >&2
        last=$line
    done
    printf '%s\n' "$last"
}

# The options of the plain build in build/ (scripts/test; scripts/windows-check builds the tool
# there when it is missing).
POSFIX_BUILD_OPTIONS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOSFIX_WERROR=ON -DPOSFIX_SANITIZE=OFF
    -DPOSFIX_BUILD_TESTS=ON -DPOSFIX_BUILD_BENCH=ON)

posfix_say() { printf '\n==> %s\n' "$*"; }
posfix_die() {
    echo "error: $*" >&2
    exit 1
}

# Clean-up actions, run in reverse order when the script exits for any reason.
POSFIX_CLEANUPS=()
posfix_on_exit() { POSFIX_CLEANUPS+=("$1"); }
posfix_run_cleanups() {
    local i
    for ((i = ${#POSFIX_CLEANUPS[@]} - 1; i >= 0; i--)); do
        eval "${POSFIX_CLEANUPS[i]}" || true
    done
    POSFIX_CLEANUPS=()
}
trap posfix_run_cleanups EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Nothing of the machine's own Firebird client set-up may redirect the tools used here.
unset FIREBIRD FIREBIRD_LOCK FIREBIRD_TMP ISC_USER ISC_PASSWORD

# Qt wants a private runtime folder; a root shell often has none.
if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
    XDG_RUNTIME_DIR=$(mktemp -d /tmp/posfix-runtime.XXXXXX) && export XDG_RUNTIME_DIR &&
        posfix_on_exit "rm -rf '$XDG_RUNTIME_DIR'"
fi

posfix_system_firebird_pids() {
    {
        pgrep -x fbguard 2>/dev/null
        pgrep -u firebird -x firebird 2>/dev/null
    } | sort -u | tr '\n' ' '
}

POSFIX_POLICY_RC=/usr/sbin/policy-rc.d
POSFIX_POLICY_RC_OURS=0
posfix_block_services() {
    if [[ ! -e $POSFIX_POLICY_RC ]]; then
        printf '#!/bin/sh\n# Temporary: no service starts while posfix installs packages.\nexit 101\n' \
            >"$POSFIX_POLICY_RC"
        chmod 755 "$POSFIX_POLICY_RC"
        POSFIX_POLICY_RC_OURS=1
    fi
}
posfix_unblock_services() {
    if [[ $POSFIX_POLICY_RC_OURS == 1 ]]; then
        rm -f "$POSFIX_POLICY_RC"
        POSFIX_POLICY_RC_OURS=0
    fi
}

# Runs apt-get with the given arguments as root, without prompts, without starting any service
# (policy-rc.d) and without leaving behind a system Firebird server that did not run before.
posfix_apt() {
    [[ $EUID -eq 0 ]] || posfix_die "run as root for: apt-get $*"
    local before after rc
    before=$(posfix_system_firebird_pids)
    posfix_on_exit posfix_unblock_services
    posfix_block_services
    DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 "$@"
    rc=$?
    posfix_unblock_services

    after=$(posfix_system_firebird_pids)
    if [[ -z $before && -n $after ]]; then
        echo "A system Firebird server was started by the installation; stopping it again."
        if [[ -x /etc/init.d/firebird3.0 ]]; then
            /etc/init.d/firebird3.0 stop || true
        fi
        after=$(posfix_system_firebird_pids)
        [[ -z $after ]] || echo "warning: system Firebird processes still running: $after" >&2
    fi
    return "$rc"
}

# Installs those of the given packages (default: POSFIX_PACKAGES) that are missing; their
# names are left in POSFIX_INSTALLED.
POSFIX_INSTALLED=()
posfix_install_packages() {
    local wanted=("$@") missing=() p
    ((${#wanted[@]} > 0)) || wanted=("${POSFIX_PACKAGES[@]}")
    POSFIX_INSTALLED=()
    for p in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    if ((${#missing[@]} == 0)); then
        posfix_say "All needed Debian packages are installed"
        return 0
    fi
    [[ $EUID -eq 0 ]] || posfix_die "run as root to install the missing packages: ${missing[*]}"
    posfix_say "Installing ${missing[*]}"
    if ! posfix_apt update || ! posfix_apt install --no-install-recommends "${missing[@]}"; then
        posfix_die "package installation failed"
    fi
    POSFIX_INSTALLED=("${missing[@]}")
}

# Configures <build dir> with the given cache settings. An existing build folder keeps its
# generator; a new one uses Ninja when installed.
posfix_configure() {
    local dir=$1
    shift
    local gen=()
    if [[ ! -f $dir/CMakeCache.txt ]] && command -v ninja >/dev/null; then
        gen=(-G Ninja)
    fi
    cmake -S "$POSFIX_SOURCE_DIR" -B "$dir" "${gen[@]}" "$@"
}

# Builds <build dir> [targets...]; keeps going past a failing target so that every target that
# can be built is built, and returns non-zero when any failed.
posfix_build() {
    local dir=$1
    shift
    local targets=() t
    for t in "$@"; do targets+=(--target "$t"); done
    local keep_going=(-k)
    if grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja' "$dir/CMakeCache.txt" 2>/dev/null; then
        keep_going=(-k 0)
    fi
    cmake --build "$dir" -j "$POSFIX_JOBS" "${targets[@]}" -- "${keep_going[@]}"
}

# Runs isql-fb on <database> as the project's user; extra arguments are passed on.
posfix_isql() {
    local db=$1
    shift
    isql-fb -q -user "$POSFIX_DB_USER" -password "$POSFIX_DB_PASSWORD" "$@" "$db"
}

# Creates <database> (a connection string such as localhost/3050:/path/x.fdb) with the POS
# schema and, unless "schema-only" is given, the demo seed. The seed files are UTF-8; the
# database keeps code page 949 bytes, so each file is converted before it is run.
posfix_make_pos_db() {
    local db=$1 mode=${2:-seeded} tmp f
    echo "create database '$db' user '$POSFIX_DB_USER' password '$POSFIX_DB_PASSWORD' page_size 8192;" |
        isql-fb -q -bail || return 1
    posfix_isql "$db" -bail -i "$POSFIX_SOURCE_DIR/tests/schema/pos_schema.sql" || {
        echo "error: the POS schema did not load into $db" >&2
        return 1
    }
    [[ $mode == schema-only ]] && return 0
    tmp=$(mktemp -d) || return 1
    for f in "$POSFIX_SCRIPTS"/demo-data/*.sql; do
        if ! iconv -f UTF-8 -t CP949 "$f" >"$tmp/$(basename "$f")"; then
            echo "error: $f is not convertible to code page 949" >&2
            rm -rf "$tmp"
            return 1
        fi
        if ! posfix_isql "$db" -bail -i "$tmp/$(basename "$f")"; then
            echo "error: $(basename "$f") did not load into $db" >&2
            rm -rf "$tmp"
            return 1
        fi
    done
    rm -rf "$tmp"
}
