#!/usr/bin/env bash
# Runs the benchmarks that have a peer and prints one line per comparison:
#   name  ours  peer  ratio  (goal)
# - transport: the library's GetDeviceType exchanges/s against a bare frame
#   echo, beside the same echo driven without the library (pseudo-terminal,
#   TCP); and against vxn-emulator, which adds the virtual instrument's work;
# - guide download: bytes/s against a bare echo of frames of the same size;
# - colorimetry: spectra/s to L*a*b* as one batch against the numpy peer
#   (bench/numpy_lab.py);
# - start-up: vxn info from start to its first exchange against the 50 ms
#   budget (the ratio is the budget over ours);
# - vxn convert: a 200,000-line CSV end to end against bench/numpy_convert.py
#   (seconds; the ratio is the peer's time over ours);
# - shared store: saves/s of eight writers into one PostgreSQL store
#   (bench_store_writers) against pgbench with eight clients inserting rows
#   of the same size into a table of the same layout, on the same private
#   server in the same run (where the PostgreSQL server programs are
#   installed).
# The numpy comparisons run where python3-numpy is installed. Everything is
# measured in this one run, on this machine, with a release build in
# build/release.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$top/build/release"
py=/usr/bin/python3
"$top/scripts/setup.sh" >/dev/null
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$build" bench_transport bench_guide_download bench_colorimetry bench_store_writers vxn vxn-emulator >/dev/null
work="$(mktemp -d)"
pgbin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)"
as=()  # the server refuses to run as root: then it runs as postgres
[ "$(id -u)" = 0 ] && as=(runuser -u postgres --)
cleanup() {
  if [ -f "$work/pg/data/postmaster.pid" ]; then
    "${as[@]}" "$pgbin/pg_ctl" -D "$work/pg/data" -m immediate stop >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

"$build/bin/bench_transport" --benchmark_filter='DeviceType|Echo|VxnStart' --benchmark_format=json >"$work/transport.json" 2>/dev/null
"$build/bin/bench_guide_download" --benchmark_format=json >"$work/guide.json" 2>/dev/null
"$build/bin/bench_colorimetry" --benchmark_filter='Batch' --benchmark_format=json >"$work/colour.json" 2>/dev/null

numpy_lab="" convert_ours="" convert_peer=""
if $py -c 'import numpy' 2>/dev/null; then
  numpy_lab="$($py "$top/bench/numpy_lab.py")"
  # 200,000 spectra, about 29 MB, as vxn convert reads them.
  $py - "$work/in.csv" <<'PY'
import random, sys
random.seed(7)
with open(sys.argv[1], "w") as f:
    for n in range(200000):
        f.write("s%d,%s\n" % (n, ",".join("%.3f" % random.random() for _ in range(36))))
PY
  seconds() { $py -c 'import subprocess, sys, time
t = time.perf_counter(); subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL); print(time.perf_counter() - t)' "$@"; }
  convert_ours=$(seconds "$build/bin/vxn" convert "$work/in.csv")
  convert_peer=$(seconds $py "$top/bench/numpy_convert.py" "$work/in.csv" "$work/peer.txt")
fi

store_ours="" store_peer=""
if [ -n "$pgbin" ] && [ -x "$pgbin/pgbench" ]; then
  pg="$work/pg"
  mkdir -p "$pg"
  [ "$(id -u)" = 0 ] && chown postgres "$work" "$pg"
  "${as[@]}" "$pgbin/initdb" -D "$pg/data" -U vxn --auth=trust -E UTF8 --locale=C >/dev/null
  "${as[@]}" "$pgbin/pg_ctl" -D "$pg/data" -l "$pg/log" -w -o "-k $pg -c listen_addresses=" start >/dev/null
  "$pgbin/createdb" -h "$pg" -U vxn bench
  "$build/bin/bench_store_writers" "postgresql:///bench?host=$pg&user=vxn" 8 10 >"$work/store.json"
  # The peer inserts the same row (sizes as ours) into a table like ours,
  # with its indexes and defaults, through the same protocol (one
  # parameterised statement per save).
  $py - "$work/store.json" "$work/insert.sql" <<'PY'
import json, sys
s = json.load(open(sys.argv[1]))
block = "ab" * s["index_block_bytes"]
name = "b" * s["designation_bytes"]
open(sys.argv[2], "w").write(
    "INSERT INTO bench_rows(class_id, designation, created, uid, station, instrument, index_block) "
    f"VALUES (51, '{name}', '2026-12-07 12:00:00', md5(random()::text || clock_timestamp()::text), "
    f"'bench', '12345', decode('{block}', 'hex')) RETURNING id;\n")
PY
  "$pgbin/psql" -h "$pg" -U vxn -d bench -qc "CREATE TABLE bench_rows (LIKE qelvxn_objects INCLUDING ALL)"
  "$pgbin/pgbench" -n -M extended -c 8 -j 2 -T 10 -h "$pg" -U vxn -f "$work/insert.sql" bench >"$work/pgbench.txt" 2>&1
  store_ours="$($py -c 'import json, sys; print(json.load(open(sys.argv[1]))["saves/s"])' "$work/store.json")"
  store_peer="$(sed -n 's/^tps = \([0-9.]*\).*/\1/p' "$work/pgbench.txt" | head -1)"
fi

$py - "$work" "$numpy_lab" "$convert_ours" "$convert_peer" "$store_ours" "$store_peer" <<'PY'
import json, sys
work, numpy_lab, conv_ours, conv_peer, store_ours, store_peer = sys.argv[1:7]

def bench(file):
    # Names without their arguments ("BM_X/min_time:1.000/real_time").
    return {b["name"].split("/")[0]: b for b in json.load(open(f"{work}/{file}"))["benchmarks"]}

t, g, c = bench("transport.json"), bench("guide.json"), bench("colour.json")
rows = []
def row(name, ours, peer, goal, unit):
    rows.append((name, ours, peer, ours / peer if peer else float("nan"), goal, unit))

for ch in ("Pty", "Tcp"):
    row(f"transport_{ch.lower()}", t[f"BM_LibraryEcho_{ch}"]["exchanges/s"], t[f"BM_BareEcho_{ch}"]["exchanges/s"],
        0.9 if ch == "Pty" else 0.97, "exchanges/s")
for ch in ("Pty", "Tcp"):
    row(f"emulator_{ch.lower()}", t[f"BM_DeviceType_{ch}"]["exchanges/s"], t[f"BM_BareEcho_{ch}"]["exchanges/s"],
        None, "exchanges/s")
start_ms = t["BM_VxnStartToFirstExchange"]["real_time"]  # the benchmark's unit is ms
rows.append(("vxn_start_to_first_exchange", start_ms, 50.0, 50.0 / start_ms, 1.0, "ms"))
gd = next(iter(g.values()))
row("guide_download_tcp", gd["bytes/s"], gd["bare bytes/s"], None, "bytes/s")
if numpy_lab:
    row("lab_batch_vs_numpy", next(iter(c.values()))["items_per_second"], float(numpy_lab), 2.0, "spectra/s")
if conv_ours:
    # Seconds: less is better, so the ratio is the peer's time over ours.
    rows.append(("convert_200k_vs_numpy", float(conv_ours), float(conv_peer), float(conv_peer) / float(conv_ours), 3.0, "s"))
if store_ours and store_peer:
    row("store_8_writers_vs_pgbench", float(store_ours), float(store_peer), 0.8, "saves/s")
print(f"{'name':24} {'ours':>14} {'peer':>14} {'ratio':>7}  goal")
for name, ours, peer, ratio, goal, unit in rows:
    print(f"{name:24} {ours:14.4g} {peer:14.4g} {ratio:7.2f}  {'' if goal is None else '>= %.2f' % goal} ({unit})")
PY
