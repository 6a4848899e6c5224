# Shared by scripts/run and scripts/test: packages, builds and private
# MariaDB instances. Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The database server lives in /usr/sbin, which an ordinary user's PATH
# often lacks; the tests start it by name too.
case ":$PATH:" in *:/usr/sbin:*) ;; *) export PATH="$PATH:/usr/sbin" ;; esac

PACKAGES=(
    build-essential cmake ninja-build ccache pkg-config clang clang-format libclang-rt-dev
    git googletest libgtest-dev
    libmariadb-dev mariadb-server mariadb-client
    qt6-base-dev qt6-serialport-dev qt6-httpserver-dev
    socat
)

log() { printf '== %s\n' "$*" >&2; }

# Installs whatever of PACKAGES is missing; quiet and idempotent.
ensure_packages() {
    local missing=()
    local p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    # Keep the packaged service from starting: we run private instances.
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# build DIR [cmake args...]: configures (once) and builds everything.
# Paths below the checkout are hashed relative to it, so a fresh clone
# elsewhere still finds its objects in ccache.
build() {
    export CCACHE_BASEDIR="$ROOT"
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    fi
    cmake --build "$dir" -j "$(nproc)"
}

# A port on 127.0.0.1 that nothing listens on, below the kernel's ephemeral
# range (32768 and up) so no outgoing connection can take it before it is bound.
free_port() {
    local port
    while :; do
        port=$((12000 + RANDOM % 20000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
}

# db_start DIR PORT: a private MariaDB with its data, socket and pid file
# under DIR, listening on 127.0.0.1:PORT. Reuses DIR's data when present.
# Its root logs in by the password kept in DIR/root-password, so the
# scripts work the same for root and for an ordinary user with sudo.
db_start() {
    local dir=$1 port=$2
    mkdir -p "$dir"
    local fresh=0
    if [ ! -d "$dir/data/mysql" ]; then
        mariadb-install-db --no-defaults --datadir="$dir/data" --user="$(id -un)" \
            --auth-root-authentication-method=normal --skip-test-db >"$dir/install.log" 2>&1 \
            || { cat "$dir/install.log" >&2; return 1; }
        fresh=1
    fi
    if ! db_running "$dir"; then
        # Its own session, so a Ctrl-C meant for the server leaves it running.
        setsid mariadbd --no-defaults --datadir="$dir/data" --socket="$dir/mysqld.sock" \
            --pid-file="$dir/mysqld.pid" --port="$port" --bind-address=127.0.0.1 \
            --user="$(id -un)" --log-error="$dir/error.log" --innodb-buffer-pool-size=128M \
            --innodb-flush-log-at-trx-commit=2 --max-connections=500 >"$dir/mariadbd.out" 2>&1 </dev/null &
        echo "$port" >"$dir/port"
        local i
        for i in $(seq 1 300); do
            [ -S "$dir/mysqld.sock" ] && mariadb-admin --no-defaults --socket="$dir/mysqld.sock" \
                -uroot ping >/dev/null 2>&1 && break
            sleep 0.1
        done
        [ -S "$dir/mysqld.sock" ] || { cat "$dir/error.log" >&2; return 1; }
    fi
    [ -f "$dir/root-password" ] && return 0
    # A new instance (root without a password yet), or one made by an older
    # version of this script (root by socket, which only the system's root
    # can use): give root its password.
    local password
    password=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')
    [ $fresh -eq 1 ] || [ "$(id -u)" -eq 0 ] || { log "cannot set the root password of $dir"; return 1; }
    mariadb --no-defaults --socket="$dir/mysqld.sock" -uroot \
        -e "ALTER USER 'root'@'localhost' IDENTIFIED VIA mysql_native_password USING PASSWORD('$password')" \
        || return 1
    (umask 077 && echo "$password" >"$dir/root-password")
}

db_running() {
    local dir=$1
    [ -S "$dir/mysqld.sock" ] && mariadb-admin --no-defaults --socket="$dir/mysqld.sock" -uroot \
        ping >/dev/null 2>&1
}

db_stop() {
    local dir=$1
    if db_running "$dir"; then
        db_admin "$dir" shutdown
    fi
}

# The root password option of the instance in DIR (none before it has one).
db_root_password() {
    [ -f "$1/root-password" ] && echo "-p$(cat "$1/root-password")"
    return 0
}

db_admin() {
    mariadb-admin --no-defaults --socket="$1/mysqld.sock" -uroot $(db_root_password "$1") "${@:2}"
}

# db_sql DIR: runs standard input as root on the instance in DIR.
db_sql() {
    mariadb --no-defaults --socket="$1/mysqld.sock" -uroot $(db_root_password "$1") "${@:2}"
}
