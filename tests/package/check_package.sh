#!/usr/bin/env bash
# Checks a built vimko Debian package without installing it: its control
# fields and dependencies, its contents and their modes, the conffiles, the
# maintainer scripts, the systemd units (a parser of our own for the keys
# the services need, and `systemd-analyze verify` where it works), the
# logrotate rule, and that the packaged programs run.
#   tests/package/check_package.sh PACKAGE.deb BUILD_DIR
# BUILD_DIR is the build the package came from (its bin/ and the packaged
# configurations under packaging/etc). Exits 1 when anything is wrong,
# after listing every fault.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
deb=$1
build=$2

work=$(mktemp -d /tmp/vimko-package-check-XXXXXX)
trap 'rm -rf "$work"' EXIT
faults=0
fail() {
    printf 'package check: FAULT: %s\n' "$*" >&2
    faults=$((faults + 1))
}
note() { printf 'package check: %s\n' "$*" >&2; }

root="$work/root"
dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$work/control"
dpkg-deb --contents "$deb" >"$work/contents"

# --- control fields and dependencies ---------------------------------------

field() { sed -n "s/^$1: //p" "$work/control/control"; }
[ "$(field Package)" = vimko ] || fail "Package is '$(field Package)', not vimko"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
    fail "Architecture is '$(field Architecture)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
# The dependency names without their versions, one a line.
field Depends | tr ',' '\n' | sed -e 's/(.*)//' -e 's/|.*//' -e 's/[[:space:]]//g' |
    sed '/^$/d' | sort -u >"$work/depends"

# --- which programs must be in it -------------------------------------------

# The four programs, and the manager once its target is in the tree. Any
# other Vimko* program the build made must be packaged too.
programs=(VimkoSrv VimkoDecoder VimkoCmd VimkoInfo)
if grep -qs 'VimkoManager' "$ROOT/manager/ui/CMakeLists.txt"; then
    programs+=(VimkoManager)
else
    note "manager/ui builds no VimkoManager yet: not required"
fi
for built in "$build"/bin/Vimko*; do
    [ -e "$built" ] || continue
    name=$(basename "$built")
    [[ " ${programs[*]} " == *" $name "* ]] || programs+=("$name")
done

need_depends=(libc6 libstdc++6 libmariadb3 adduser)
if [[ " ${programs[*]} " == *" VimkoManager "* ]]; then need_depends+=(libqt6core6); fi
for dep in "${need_depends[@]}"; do
    grep -qx "$dep" "$work/depends" || fail "Depends lacks $dep: $(field Depends)"
done
# The database may live on another host: no server package is pulled in.
for dep in mariadb-server mariadb-server-core mysql-server default-mysql-server \
    virtual-mysql-server; do
    if grep -qx "$dep" "$work/depends"; then fail "Depends names the database server $dep"; fi
done

# --- contents ---------------------------------------------------------------

# PATH -> "mode owner" of every entry, from the listing.
declare -A entry
while read -r mode owner _ _ _ path _; do
    entry[${path#.}]="$mode $owner"
done <"$work/contents"

expect() { # PATH MODE
    local got=${entry[$1]:-}
    if [ -z "$got" ]; then
        fail "$1 is not in the package"
    elif [ "$got" != "$2 root/root" ]; then
        fail "$1 is '$got', not '$2 root/root'"
    fi
}
for p in "${programs[@]}"; do expect "/usr/bin/$p" -rwxr-xr-x; done
expect /usr/share/vimko/schema.sql -rw-r--r--
expect /usr/share/doc/vimko/README.md -rw-r--r--
expect /etc/vimko/VimkoSrv.cfg -rw-r-----
expect /etc/vimko/VimkoDecoder.cfg -rw-r-----
expect /etc/logrotate.d/vimko -rw-r--r--
expect /usr/lib/systemd/system/vimko-server.service -rw-r--r--
expect /usr/lib/systemd/system/vimko-decoder.service -rw-r--r--
cmp -s "$root/usr/share/vimko/schema.sql" "$ROOT/sql/schema.sql" ||
    fail "schema.sql differs from sql/schema.sql"
for cfg in VimkoSrv.cfg VimkoDecoder.cfg; do
    cmp -s "$root/etc/vimko/$cfg" "$build/packaging/etc/$cfg" ||
        fail "/etc/vimko/$cfg differs from the configuration the build made"
done
for path in "${!entry[@]}"; do
    case $path in
        / | /usr/ | /usr/* | /etc/ | /etc/*) ;;
        *) fail "$path lies outside /usr and /etc (postinst makes /var)" ;;
    esac
done

# Every file under /etc is a conffile, so an upgrade keeps what the operator
# edited; and nothing else is.
for path in "${!entry[@]}"; do
    if [[ $path == /etc/* && ${entry[$path]} == -* ]]; then echo "$path"; fi
done | sort >"$work/etc-files"
sort "$work/control/conffiles" 2>/dev/null >"$work/conffiles" || true
diff -u "$work/etc-files" "$work/conffiles" >"$work/conffiles.diff" ||
    fail "conffiles differ from the files under /etc: $(cat "$work/conffiles.diff")"

# Passwords are the operator's: the package only holds placeholders, and
# the README says to replace them.
for key in SQL_PASSWD TELNET_PASSWD; do
    while read -r value; do
        [ "$value" = CHANGE_ME ] || fail "a packaged $key is '$value', not the placeholder"
    done < <(sed -n "s/^$key=//p" "$root"/etc/vimko/*.cfg)
done
grep -q CHANGE_ME "$ROOT/README.md" || fail "README.md does not say to replace CHANGE_ME"

# --- the programs -----------------------------------------------------------

for p in "${programs[@]}"; do
    bin="$root/usr/bin/$p"
    [ -f "$bin" ] || continue
    if ldd "$bin" | grep -q 'not found'; then fail "$p: $(ldd "$bin" | grep 'not found')"; fi
    if readelf -d "$bin" | grep -Eq 'RPATH|RUNPATH'; then fail "$p carries a run path"; fi
    if readelf -S "$bin" | grep -q '\.debug_info'; then fail "$p is not stripped"; fi
    if nm -D "$bin" 2>/dev/null | grep -q '__[at]san_'; then fail "$p is a sanitizer build"; fi
done
# The two services' programs start and reject a missing configuration the
# way the units' journal will show it.
for p in VimkoSrv VimkoDecoder; do
    rc=0
    "$root/usr/bin/$p" "$work/none/$p.cfg" >/dev/null 2>"$work/$p.err" || rc=$?
    if [ $rc -ne 1 ] || ! grep -qx 'Error in config file' "$work/$p.err"; then
        fail "$p with a missing configuration: exit $rc, '$(cat "$work/$p.err")'"
    fi
done

# --- systemd units ----------------------------------------------------------

# unit_keys FILE: "Section.Key=Value" for every setting, in file order; a
# line that is neither a comment, a section, a setting nor blank is a fault.
unit_keys() {
    awk -v file="$1" '
        /^[[:space:]]*([#;].*)?$/ { next }
        /^\[[A-Za-z]+\]$/ { section = substr($0, 2, length($0) - 2); next }
        /^[A-Za-z][A-Za-z0-9]*=/ && section != "" {
            at = index($0, "="); print section "." substr($0, 1, at - 1) "=" substr($0, at + 1); next
        }
        { print "BAD=" file ":" NR ": " $0 }
    ' "$1"
}
# unit_value KEYFILE Section.Key: the last value of the key (as systemd takes it).
unit_value() { sed -n "s/^$2=//p" "$1" | tail -n 1; }

service_user=""
declare -A unit_dirs=()
check_unit() { # NAME CONFIG
    local unit="$root/usr/lib/systemd/system/$1" keys="$work/$1.keys"
    [ -f "$unit" ] || return 0
    unit_keys "$unit" >"$keys"
    local bad
    bad=$(sed -n 's/^BAD=/not a unit file line: /p' "$keys")
    [ -z "$bad" ] || fail "$bad"
    local k
    for k in Unit.Description Service.User Service.Group; do
        [ -n "$(unit_value "$keys" "$k")" ] || fail "$1: no $k"
    done
    [ "$(unit_value "$keys" Service.Restart)" = on-failure ] || fail "$1: Restart is not on-failure"
    [ "$(unit_value "$keys" Install.WantedBy)" = multi-user.target ] ||
        fail "$1: not wanted by multi-user.target"
    local user dir exec bin cfg
    user=$(unit_value "$keys" Service.User)
    [ "$user" != root ] || fail "$1 runs as root"
    if [ -z "$service_user" ]; then service_user=$user; fi
    [ "$user" = "$service_user" ] || fail "$1 runs as $user, the other unit as $service_user"
    dir=$(unit_value "$keys" Service.WorkingDirectory)
    [ "$dir" = /var/lib/vimko ] || fail "$1: working directory '$dir'"
    unit_dirs[$dir]=1
    exec=$(unit_value "$keys" Service.ExecStart)
    read -r bin cfg <<<"$exec"
    [ -x "$root$bin" ] || fail "$1 starts $bin, which the package does not hold"
    [ "$cfg" = "/etc/vimko/$2" ] || fail "$1 reads '$cfg', not /etc/vimko/$2"
    [ -f "$root$cfg" ] || fail "$1 reads $cfg, which the package does not hold"
}
check_unit vimko-server.service VimkoSrv.cfg
check_unit vimko-decoder.service VimkoDecoder.cfg

# The server needs a descriptor for each of 2000 units and its tunnel, 50
# consoles, 25 database connections and a reserve of 100.
nofile=$(unit_value "$work/vimko-server.service.keys" Service.LimitNOFILE)
if ! [[ $nofile =~ ^[0-9]+$ ]] || [ "$nofile" -lt $((2 * 2000 + 50 + 25 + 100)) ]; then
    fail "vimko-server.service: LimitNOFILE '$nofile' is too small for 2000 units"
fi

if ! command -v systemd-analyze >/dev/null; then
    note "systemd-analyze verify skipped: systemd-analyze is not installed"
else
    # verify looks for the unit's programs on the real file system: run it on
    # copies whose paths point into the extracted package.
    mkdir -p "$work/units"
    for unit in "$root"/usr/lib/systemd/system/*.service; do
        sed -e "s|^ExecStart=/|ExecStart=$root/|" "$unit" >"$work/units/$(basename "$unit")"
    done
    # It reports unknown keys and misplaced settings as warnings with exit
    # code 0: any output is a fault, unless it says verify cannot run here.
    rc=0
    systemd-analyze verify "$work"/units/*.service >"$work/verify.out" 2>&1 || rc=$?
    if [ $rc -eq 0 ] && [ ! -s "$work/verify.out" ]; then
        note "systemd-analyze verify: units accepted"
    elif grep -Eqi 'not been booted|failed to (connect|initialize manager)|D-?Bus' "$work/verify.out"; then
        note "systemd-analyze verify skipped: it cannot run here: $(head -n 1 "$work/verify.out")"
    else
        fail "systemd-analyze verify (exit $rc): $(cat "$work/verify.out")"
    fi
fi

# --- logrotate and the maintainer scripts -----------------------------------

rotate="$root/etc/logrotate.d/vimko"
if [ -f "$rotate" ]; then
    # Comments out: what logrotate reads.
    sed -e 's/#.*//' "$rotate" >"$work/rotate"
    if grep -qw copytruncate "$work/rotate"; then
        fail "logrotate: copytruncate, though every log entry is one open-append-close"
    fi
    grep -Eq "^[[:space:]]*su[[:space:]]+${service_user}[[:space:]]" "$work/rotate" ||
        fail "logrotate: no 'su $service_user' for the directory the service user owns"
    grep -Eqw 'nocreate|create' "$work/rotate" || fail "logrotate: neither create nor nocreate"
fi
for cfg in "$root"/etc/vimko/*.cfg; do
    log_file=$(sed -n 's/^LOG_FILE=//p' "$cfg")
    grep -qF "$log_file" "$work/rotate" 2>/dev/null ||
        fail "logrotate does not rotate $log_file of $(basename "$cfg")"
    unit_dirs[$(dirname "$log_file")]=1
    for key in FIRMWARE_DIR DRIVER_DIR; do
        dir=$(sed -n "s/^$key=//p" "$cfg")
        [ -z "$dir" ] || unit_dirs[${dir%/}]=1
    done
done

for script in postinst prerm postrm; do
    file="$work/control/$script"
    if [ ! -f "$file" ]; then
        fail "no $script"
        continue
    fi
    [ -x "$file" ] || fail "$script is not executable"
    sh -n "$file" || fail "$script: shell syntax"
    if command -v shellcheck >/dev/null; then
        shellcheck -s sh "$file" >"$work/$script.sc" || fail "$script: $(cat "$work/$script.sc")"
    fi
done
# The maintainer scripts run without installing the package: /var and /run
# in them point into a scratch tree, and the commands that would change the
# system (users, groups, owners, dpkg's overrides, systemd) are stand-ins
# that record their arguments. rm and rmdir are real, inside the scratch
# tree. Nothing exists yet, as on a first install.
sys="$work/sys"
stubs="$work/stubs"
calls="$work/calls"
mkdir -p "$stubs" "$sys/var/lib" "$sys/var/log"
for cmd in getent addgroup adduser install dpkg-statoverride systemctl; do
    cat >"$stubs/$cmd" <<STUB
#!/bin/sh
echo "$cmd \$*" >>"$calls"
case "$cmd \$1" in
"getent "*) exit 2 ;;
"dpkg-statoverride --list") exit \${VIMKO_OVERRIDE_LISTED:-1} ;;
esac
exit 0
STUB
    chmod +x "$stubs/$cmd"
done
# run_script NAME ARGS...: runs the scratch copy with the stand-ins; its
# exit code. A copy that still names /var or /run is not run at all.
run_script() {
    local copy="$work/$1.scratch" rc=0
    sed -e "s|/var/|$sys/var/|g" -e "s|/run/|$sys/run/|g" "$work/control/$1" >"$copy"
    if sed -e "s|$sys/var/||g" -e "s|$sys/run/||g" "$copy" | grep -Eq '/(var|run)/'; then
        echo "cannot move every path of $1 into the scratch tree" >"$work/script.err"
        return 1
    fi
    : >"$calls"
    PATH="$stubs:$PATH" sh "$copy" "${@:2}" >/dev/null 2>"$work/script.err" || rc=$?
    return $rc
}
called() { grep -qxF "$1" "$calls"; }
called_like() { grep -qxE "$1" "$calls"; }

if [ -f "$work/control/postinst" ]; then
    if run_script postinst configure ""; then
        called_like "adduser .*--system .*--ingroup $service_user .*$service_user" ||
            fail "postinst does not make the system user $service_user of the units"
        called_like "addgroup .*--system $service_user" || fail "postinst does not make the group"
        # Every directory the services work or write in, owned by them.
        for dir in "${!unit_dirs[@]}"; do
            called_like "install -d -o $service_user -g $service_user -m 07[0-7]0 $sys$dir" ||
                fail "postinst does not make $dir for $service_user"
        done
        # The configurations hold passwords: readable by the services' group only.
        for cfg in "$root"/etc/vimko/*.cfg; do
            called "dpkg-statoverride --update --add root $service_user 0640 ${cfg#"$root"}" ||
                fail "postinst gives ${cfg#"$root"} no group override"
        done
    else
        fail "postinst configure failed: $(cat "$work/script.err")"
    fi
    if run_script postinst bogus; then fail "postinst accepts an unknown action"; fi
fi
if [ -f "$work/control/postrm" ]; then
    # A purge after some use: a log, a driver card file, no firmware.
    mkdir -p "$sys/var/log/vimko" "$sys/var/lib/vimko/firmware" "$sys/var/lib/vimko/driver"
    echo entry >"$sys/var/log/vimko/VimkoSrv.log"
    echo card >"$sys/var/lib/vimko/driver/20260101_000000_1.ddd"
    if VIMKO_OVERRIDE_LISTED=0 run_script postrm purge; then
        [ ! -e "$sys/var/log/vimko" ] || fail "postrm purge keeps /var/log/vimko"
        [ -f "$sys/var/lib/vimko/driver/20260101_000000_1.ddd" ] ||
            fail "postrm purge deletes the operator's files under /var/lib/vimko"
        [ ! -e "$sys/var/lib/vimko/firmware" ] || fail "postrm purge keeps an empty firmware/"
        for cfg in "$root"/etc/vimko/*.cfg; do
            called "dpkg-statoverride --remove ${cfg#"$root"}" ||
                fail "postrm purge keeps the override of ${cfg#"$root"}"
        done
    else
        fail "postrm purge failed: $(cat "$work/script.err")"
    fi
    run_script postrm remove || fail "postrm remove failed: $(cat "$work/script.err")"
fi
if [ -f "$work/control/prerm" ]; then
    run_script prerm remove || fail "prerm remove failed: $(cat "$work/script.err")"
    run_script prerm upgrade 1.0 || fail "prerm upgrade failed: $(cat "$work/script.err")"
fi

if [ $faults -ne 0 ]; then
    note "$faults fault(s) in $deb"
    exit 1
fi
note "$(basename "$deb"): ${#programs[@]} programs, units, conffiles and scripts as required"
