#!/bin/sh
# Run by hand, as root: prints the registration card through a CUPS spooler of its own, with
# cups-pdf queues, on a virtual display, and reports for each queue what the program showed,
# what it stored and what came out of the printer.
#   OrvexA4          an ordinary queue
#   OrvexRefusing    a queue that does not accept jobs (cupsreject)
#   OrvexBroken      a queue whose backend cannot write its output
#   OrvexLetter      a queue whose default paper is Letter
#   OrvexLetterOnly  a printer that has Letter paper only, with unprintable margins
#   OrvexPaused      a queue that takes jobs but does not print them now (cupsdisable)
#   /dev/full        no printer: the card printed into a file on a full disk
# Usage: tests/card/check-spooler.sh [build folder] [folder for screenshots and cards]
# Needs cups, printer-driver-cups-pdf, xvfb, at-spi2-core, python3-pyatspi, poppler-utils and
# imagemagick. The spooler listens on 127.0.0.1:$ORVEX_CUPS_PORT (6311), the display is
# $ORVEX_DISPLAY (:93). cups-pdf reads a queue's settings only from /etc/cups: the two files it
# needs there, and its logs of these queues, are removed again at the end.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build-test}" && pwd)
[ "$(id -u)" -eq 0 ] || { echo "run as root: cups-pdf writes as root" >&2; exit 1; }
export CUPS_SERVER="127.0.0.1:${ORVEX_CUPS_PORT:-6311}"
export DISPLAY="${ORVEX_DISPLAY:-:93}"
if xdpyinfo >/dev/null 2>&1 || lpstat -r 2>/dev/null | grep -q "is running"; then
    echo "display $DISPLAY or spooler $CUPS_SERVER is in use already" >&2
    exit 1
fi
work=$(mktemp -d)
# The spooler's filters run as lp and read the spooled files below it.
chmod 0755 "$work"
results=${2:-$(mktemp -d /tmp/orvex-spooler.XXXXXX)}
results=$(mkdir -p "$results" && cd "$results" && pwd)
export ORVEXREG_HIVE="$work/hkcu.sqlite3" ORVEXREG_DRIVE_C="$work/drive_c"
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ASAN_OPTIONS=detect_leaks=0
prog=$build/orvexreg/orvexreg
reg=$build/orvexreg/orvexreg-reg
conf=/etc/cups/cups-pdf-orvexcheck

pids=""
cleanup() {
    for p in $pids; do kill "$p" 2>/dev/null || true; done
    rm -f "$conf-out.conf" "$conf-broken.conf" /var/log/cups/cups-pdf-Orvex*_log
    cp "$work/cups/log/error_log" "$results/spooler.log" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT PIPE TERM

# The spooler, with its files in the work folder.
c=$work/cups
mkdir -p "$c/etc/ppd" "$c/spool/tmp" "$c/cache" "$c/state" "$c/log"
chgrp lp "$c/spool" "$c/spool/tmp" "$c/cache"
chmod 0710 "$c/spool"
chmod 0770 "$c/spool/tmp" "$c/cache"
cat >"$c/etc/cupsd.conf" <<EOF
Listen $CUPS_SERVER
LogLevel debug
DefaultAuthType None
WebInterface No
Browsing No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
cat >"$c/etc/cups-files.conf" <<EOF
ServerRoot $c/etc
RequestRoot $c/spool
TempDir $c/spool/tmp
CacheDir $c/cache
StateDir $c/state
AccessLog $c/log/access_log
ErrorLog $c/log/error_log
PageLog $c/log/page_log
User lp
Group lp
SystemGroup root
EOF
cupsd -f -c "$c/etc/cupsd.conf" -s "$c/etc/cups-files.conf" &
pids="$pids $!"
until lpstat -r 2>/dev/null | grep -q "is running"; do sleep 0.2; done

printf 'Out %s\n' "$results" >"$conf-out.conf"
printf 'Out /proc/orvexcheck/no-such-folder\n' >"$conf-broken.conf"
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
# Letter only, a quarter inch unprintable on each side.
awk '/^\*(PageSize|PageRegion|ImageableArea|PaperDimension) / && $2 !~ /^Letter\// { next }
     /^\*Default(PageSize|PageRegion|ImageableArea|PaperDimension):/ { $2 = "Letter" }
     /^\*ImageableArea Letter\// { $0 = "*ImageableArea Letter/US Letter: \"18 18 594 774\"" }
     { print }' "$ppd" >"$work/letter-only.ppd"
# lpadmin warns that printer drivers are deprecated; only a failure is shown.
add() {
    name=$1
    shift
    lpadmin -p "$name" -E "$@" 2>"$work/lpadmin.err" || { cat "$work/lpadmin.err" >&2; exit 1; }
}
add OrvexA4 -v cups-pdf:/orvexcheck-out -P "$ppd"
add OrvexRefusing -v cups-pdf:/orvexcheck-out -P "$ppd"
cupsreject OrvexRefusing
add OrvexBroken -v cups-pdf:/orvexcheck-broken -P "$ppd"
add OrvexLetter -v cups-pdf:/orvexcheck-out -P "$ppd" -o PageSize=Letter
add OrvexLetterOnly -v cups-pdf:/orvexcheck-out -P "$work/letter-only.ppd"
add OrvexPaused -v cups-pdf:/orvexcheck-out -P "$ppd"
cupsdisable OrvexPaused

Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids="$pids $!"
until xdpyinfo >/dev/null 2>&1; do sleep 0.1; done

# A first start sets the program up; then a registration as the form restores it, so that
# each print needs only a new serial.
"$prog" >"$work/first.log" 2>&1 &
first=$!
until "$reg" query 'HKCU\software\quillmarsh\OXReg' /v FirstRunDate_Day >/dev/null 2>&1; do
    sleep 0.2
done
sleep 1
kill "$first"
wait "$first" 2>/dev/null || true
key='HKCU\software\quillmarsh\OXReg'
text() { "$reg" add "$key" /v "$1" /t REG_SZ /d "$2" >/dev/null; }
number() { "$reg" add "$key" /v "$1" /t REG_DWORD /d "$2" >/dev/null; }
text name 王小明
number birthday_y 1970
number birthday_m 3
number birthday_d 7
number sex 1
number occupation 1
number pos 1
number Education 1
text area1 臺北市
text area2 中正區
text addr 忠孝東路一段1號
text e_addr ming@example.com.tw
text prephone 02
text phone 23456789
number ProductCount 1
text printer_type_1 'ORVEX Vantra K20 Series'
text prod_cd_1 EFF0000000
number purchase_date_y_1 2005
number purchase_date_m_1 3
number purchase_date_d_1 7
text regStr 'Name=王小明&ownertype=0&personalid=A123456789'

stored() {
    count=$(($("$reg" query "$key" /v ProductCount | awk '/ProductCount/ { print $3 }')))
    if "$reg" query 'HKCU\software\microsoft\windows\CurrentVersion\Run' /v ORVEXreg \
        >/dev/null 2>&1; then run="kept"; else run="removed"; fi
    echo "  stored: ProductCount $count, Run value $run"
}

n=0
for target in OrvexA4 OrvexRefusing OrvexBroken OrvexLetter OrvexLetterOnly OrvexPaused /dev/full; do
    n=$((n + 1))
    echo "== $target"
    case "$target" in
        /*) queue=full-disk pdf=$target ;;
        *) queue=$target pdf="" && lpadmin -d "$queue" ;;
    esac
    before=$(ls "$results")
    ORVEXREG_PRINT_PDF="$pdf" dbus-run-session -- sh -c '
        /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
        "$1" >"$2.log" 2>&1 &
        app=$!
        /usr/bin/python3 "$3" "$4" "$2.png" || true
        kill $app
    ' sh "$prog" "$results/$queue" "$here/spooler_walk.py" "EFF000000$n" 2>&1 |
        grep -v 'fd limit' | sed 's/^/  /'
    stored
    sleep 3
    for f in $(ls "$results"); do
        case "$f" in *.pdf) ;; *) continue ;; esac
        echo "$before" | grep -qxF "$f" && continue
        size=$(pdfinfo "$results/$f" 2>/dev/null | awk -F': *' '/Page size/ { print $2 }')
        echo "  came out: $f, $size"
        pdftoppm -r 40 -png -singlefile "$results/$f" "$results/$queue-card" 2>/dev/null
    done
    [ -n "$pdf" ] || lpstat -o "$queue" | sed 's/^/  still waiting: /'
done
echo "screenshots, logs and cards: $results"
