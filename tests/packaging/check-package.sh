#!/usr/bin/env bash
# Checks a built package without installing it: its files, lintian, the desktop entries and
# AppStream data, the conffiles, and a first start of the program unpacked into a temporary
# root. Exits non-zero on the first fault.
set -euo pipefail
deb=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
pid=
cleanup() {
    [[ -n "$pid" ]] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

# Every delivered file, the commands, the desktop files and the units; links where links belong.
listing=$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
has() { grep -qxF "$1" <<<"$listing" || fail "package lacks $1"; }
prog=./opt/orvexreg
for f in orvexreg orvexreg-reg orvexreg-receiver orvexreg-notify; do has "$prog/$f"; done
while read -r f; do
    [[ "$f" == ./regset.ini ]] || has "$prog/${f#./}"
done < <(cd "$top/data" && find . -type f ! -path './tools/*' ! -name CMakeLists.txt)
while read -r f; do has "$prog/chinese/orvexreg/$f"; done < <(tr -d '\r' <"$top/data/FileList.txt")
has "$prog/regset.ini -> /etc/orvexreg/regset.ini"
has "./etc/orvexreg/regset.ini"
has "./usr/bin/orvexreg -> /opt/orvexreg/orvexreg"
has "./usr/bin/orvexreg-reg -> /opt/orvexreg/orvexreg-reg"
for u in socket service; do has "./lib/systemd/system/orvexreg-receiver.$u"; done
for s in 16 32 48 256; do has "./usr/share/icons/hicolor/${s}x${s}/apps/com.quillmarsh.orvexreg.png"; done

dpkg-deb -I "$deb" conffiles | grep -qxF /etc/orvexreg/regset.ini || fail "regset.ini is no conffile"
depends=$(dpkg-deb -f "$deb" Depends)
for p in fonts-noto-cjk fonts-arphic-uming libqt6widgets6 libqt6dbus6; do
    grep -q "$p" <<<"$depends" || fail "Depends lacks $p: $depends"
done
recommends=$(dpkg-deb -f "$deb" Recommends)
for p in qt6-translations-l10n cups; do
    grep -q "$p" <<<"$recommends" || fail "Recommends lacks $p: $recommends"
done

lint=$(lintian --fail-on error "$deb" 2>&1) || { echo "$lint" >&2; fail "lintian reports errors"; }
grep -v 'running with root privileges' <<<"$lint" || true
for s in preinst postinst prerm postrm; do
    dpkg-deb -I "$deb" "$s" >/dev/null 2>&1 || fail "no $s"
    ! grep -E "[[(]$s\b|control/$s|maintainer-script" <<<"$lint" || fail "lintian faults the maintainer scripts"
done

root=$work/root
dpkg -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop "$root"/etc/xdg/autostart/*.desktop ||
    fail "a desktop entry does not validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

# The receiver: one service of a dynamic user with a private state folder, sandboxed well.
unit=$root/lib/systemd/system/orvexreg-receiver.service
for line in DynamicUser=yes StateDirectory=orvexreg-receiver StateDirectoryMode=0700 MemoryMax=192M; do
    grep -qxF "$line" "$unit" || fail "the receiver's unit lacks $line"
done
grep -qxF ListenStream=127.0.0.1:8950 "$root/lib/systemd/system/orvexreg-receiver.socket" ||
    fail "the receiver's socket is not 127.0.0.1:8950"
security=$(systemd-analyze security --offline=true --root="$root" --threshold=4 orvexreg-receiver.service 2>&1) ||
    { echo "$security" >&2; fail "the receiver's service is exposed above 0.4"; }
grep 'Overall exposure' <<<"$security"

# A first start through a link, as /usr/bin/orvexreg is: the program folder must be the real
# one. The program has no end of its own; it is stopped once the set-up is done.
export QT_QPA_PLATFORM=offscreen ORVEXREG_HIVE=$work/hkcu.sqlite3 ORVEXREG_DRIVE_C=$work/drive_c
mkdir -p "$work/bin"
ln -s "$root/opt/orvexreg/orvexreg" "$work/bin/orvexreg"
(cd "$work" && exec "$work/bin/orvexreg") &
pid=$!
reg=$root/opt/orvexreg/orvexreg-reg
run_key='HKCU\software\microsoft\windows\CurrentVersion\Run'
installed=$work/drive_c/Program\ Files/Quillmarsh/orvexreg
for _ in $(seq 1200); do
    if [[ -f "$installed/index.htm" ]] && "$reg" query "$run_key" /v ORVEXreg >/dev/null 2>&1; then
        break
    fi
    kill -0 "$pid" 2>/dev/null || fail "the unpacked program ended during its first start"
    sleep 0.1
done
"$reg" query "$run_key" /v ORVEXreg | grep -qF 'notify.exe' || fail "no Run value after the first start"
[[ -f "$installed/upsucss.htm" ]] || fail "the first start did not fill the install folder"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=

# The reminder asks for a notification now; without a session bus it ends quietly and says so.
DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus "$root/opt/orvexreg/orvexreg-notify" 2>"$work/err" ||
    fail "orvexreg-notify failed without a session bus"
grep -q 'no session bus' "$work/err" || fail "orvexreg-notify said nothing on standard error"
echo "check-package: $deb is fine"
