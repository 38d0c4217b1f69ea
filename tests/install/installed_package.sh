#!/usr/bin/env bash
# The installed package, one step per ctest test (see CMakeLists.txt here):
#   Tree              cmake --install into $PREFIX; the layout; the installed
#                     programs run without LD_LIBRARY_PATH
#   MeasureExample    examples/measure built with find_package, measuring on
#                     emulator: (loaded from the prefix) and on the installed
#                     vxn-emulator over TCP
#   ConvertExample    examples/convert built with find_package, the chart's
#                     spectra against their reference L*a*b*
#   PkgConfigProgram  a one-file program built with pkg-config alone, which
#                     must find the installed data folder
# The environment comes from CMakeLists.txt (CMAKE, BUILD_DIR, PREFIX, flags ...).
set -euo pipefail

step=$1
unset LD_LIBRARY_PATH VXN_DATA_DIR VXN_TRACE
export VXN_CONFIG="$WORK_DIR/$step.ini"
export XDG_RUNTIME_DIR="$WORK_DIR/runtime"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Configures and builds one example against the prefix, in $WORK_DIR/NAME,
# with the compiler, build type and flags of this build.
build_example() {
    local name=$1
    rm -rf "${WORK_DIR:?}/$name"
    "$CMAKE" -S "$SOURCE_DIR/examples/$name" -B "$WORK_DIR/$name" -G "$GENERATOR" \
        -DCMAKE_PREFIX_PATH="$PREFIX" -DCMAKE_CXX_COMPILER="$CXX" -DCMAKE_BUILD_TYPE="$BUILD_TYPE" \
        -DCMAKE_CXX_FLAGS="$CXX_FLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LINK_FLAGS" >"$WORK_DIR/$name.configure.log" 2>&1 ||
        { cat "$WORK_DIR/$name.configure.log"; fail "examples/$name does not configure against $PREFIX"; }
    "$CMAKE" --build "$WORK_DIR/$name" >"$WORK_DIR/$name.build.log" 2>&1 ||
        { cat "$WORK_DIR/$name.build.log"; fail "examples/$name does not build against $PREFIX"; }
}

case "$step" in
Tree)
    rm -rf "${WORK_DIR:?}"
    mkdir -p "$WORK_DIR" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    "$CMAKE" --install "$BUILD_DIR" --prefix "$PREFIX" >"$WORK_DIR/install.log"

    for f in bin/vxn bin/vxn-emulator \
        "$LIBDIR"/libQelVXN_M2.so "$LIBDIR"/libSV_WIN32_M2.so "$LIBDIR"/libQelUtils_M2.so \
        "$LIBDIR"/libQelDBLib_M2.so "$LIBDIR"/libvxnemu.so \
        "$LIBDIR"/cmake/QelVXN_M2/QelVXN_M2Config.cmake "$LIBDIR"/cmake/QelVXN_M2/QelVXN_M2ConfigVersion.cmake \
        "$LIBDIR"/cmake/QelVXN_M2/QelVXN_M2Targets.cmake "$LIBDIR"/pkgconfig/qelvxn_m2.pc \
        "$DATADIR"/qelvxn/texts/en.txt "$DATADIR"/qelvxn/texts/de.txt "$DATADIR"/qelvxn/SimuSpec.dat \
        "$DATADIR"/qelvxn/chart24_reflectance_380_730_10nm.csv "$DATADIR"/qelvxn/colors/named_colors_css.csv; do
        [ -f "$PREFIX/$f" ] || fail "not installed: $f"
    done

    # Every header of the public folders, and nothing else, keeping the
    # folders the build tree includes them by.
    want=$( (cd "$SOURCE_DIR" && find qelvxn -name '*.hpp'
        cd platform/toolkit && find sv -name '*.hpp'
        cd ../utils && find qel -name '*.hpp'
        cd ../db && find qeldb -name '*.hpp') | sort)
    have=$(cd "$PREFIX/include/QelVXN_M2" && find . -type f | sed 's|^\./||' | sort)
    [ "$want" = "$have" ] || fail "installed headers differ from the source folders: $(diff <(echo "$want") <(echo "$have") || true)"

    # Nothing installed leads back into the build or source tree.
    for f in "$PREFIX"/bin/* "$PREFIX/$LIBDIR"/*.so; do
        runpath=$(readelf -d "$f" | sed -n 's/.*R\(UN\)\{0,1\}PATH.*\[\(.*\)\]/\2/p')
        case "$runpath" in
        *"$BUILD_DIR"* | *"$SOURCE_DIR"*) fail "$f has the run path $runpath" ;;
        esac
        # shellcheck disable=SC2016  # the literal $ORIGIN
        [[ "$runpath" == *'$ORIGIN'* ]] || fail "$f has the run path '$runpath', not one relative to \$ORIGIN"
    done
    if grep -rl -e "$BUILD_DIR" -e "$SOURCE_DIR" "$PREFIX/$LIBDIR/cmake" "$PREFIX/$LIBDIR/pkgconfig"; then
        fail "package files name the build or source tree"
    fi

    # The installed programs start without LD_LIBRARY_PATH: the emulator finds
    # its chart in the installed data folder, vxn reaches the built-in
    # virtual instrument and knows the installed German texts.
    "$PREFIX/bin/vxn" --lang de info --json >"$WORK_DIR/info.json" || fail "installed vxn info failed"
    grep -q '"device_type"' "$WORK_DIR/info.json" || fail "installed vxn info printed: $(cat "$WORK_DIR/info.json")"
    "$PREFIX/bin/vxn-emulator" --help >/dev/null || fail "installed vxn-emulator does not start"
    ;;

MeasureExample)
    build_example measure
    lab='^L\*a\*b\* +L\*=[0-9]+\.[0-9]{2} a\*=-?[0-9]+\.[0-9]{2} b\*=-?[0-9]+\.[0-9]{2}$'

    # The built-in virtual instrument: the program links the library alone,
    # so the transport loads libvxnemu.so from the prefix.
    "$WORK_DIR/measure/measure" >"$WORK_DIR/measure.out" 2>"$WORK_DIR/measure.err" ||
        fail "measure on emulator: failed: $(cat "$WORK_DIR/measure.err")"
    grep -Eq "$lab" "$WORK_DIR/measure.out" || fail "measure on emulator: printed: $(cat "$WORK_DIR/measure.out")"

    # The installed vxn-emulator over TCP, the endpoint given as argument.
    "$PREFIX/bin/vxn-emulator" --tcp 127.0.0.1:0 </dev/null >"$WORK_DIR/emulator.out" 2>"$WORK_DIR/emulator.err" &
    emulator=$!
    trap 'kill $emulator 2>/dev/null || true' EXIT
    for _ in $(seq 100); do
        endpoint=$(head -n1 "$WORK_DIR/emulator.out")
        [ -n "$endpoint" ] && break
        sleep 0.1
    done
    [[ "$endpoint" == tcp:* ]] || fail "vxn-emulator printed no endpoint: $(cat "$WORK_DIR/emulator.err")"
    "$WORK_DIR/measure/measure" "$endpoint" >"$WORK_DIR/measure-tcp.out" 2>"$WORK_DIR/measure-tcp.err" ||
        fail "measure on $endpoint failed: $(cat "$WORK_DIR/measure-tcp.err")"
    grep -Eq "$lab" "$WORK_DIR/measure-tcp.out" || fail "measure on $endpoint printed: $(cat "$WORK_DIR/measure-tcp.out")"
    # Both saw the same sample, the chart's (not flat grey for want of data).
    cmp -s <(grep 'L\*a\*b\*' "$WORK_DIR/measure.out") <(grep 'L\*a\*b\*' "$WORK_DIR/measure-tcp.out") ||
        fail "emulator: and vxn-emulator measured different colours"
    ! grep -q "chart data not found" "$WORK_DIR/emulator.err" || fail "installed vxn-emulator found no chart"
    kill "$emulator"
    wait "$emulator" || fail "vxn-emulator did not end cleanly: $(cat "$WORK_DIR/emulator.err")"
    trap - EXIT
    ;;

ConvertExample)
    build_example convert
    # The chart's spectra without their names, and a malformed line.
    { tail -n +2 "$SOURCE_DIR/data/colorimetry/chart24_reflectance_380_730_10nm.csv" | cut -d, -f2-
      echo "0.5,0.5"; } >"$WORK_DIR/chart.csv"
    status=0
    "$WORK_DIR/convert/convert" "$WORK_DIR/chart.csv" >"$WORK_DIR/convert.out" 2>"$WORK_DIR/convert.err" || status=$?
    [ "$status" = 2 ] || fail "convert: exit status $status for a file with a malformed line"
    grep -q "line 25" "$WORK_DIR/convert.err" || fail "convert: the malformed line is not named: $(cat "$WORK_DIR/convert.err")"
    # ASTM E308 reference values for D65/10°, to 0.01.
    grep '^D65,10,' "$SOURCE_DIR/data/colorimetry/chart24_reference_xyz_lab_astm_e308_D50-2_D65-10.csv" |
        cut -d, -f8-10 | tr , ' ' >"$WORK_DIR/reference.txt"
    [ "$(wc -l <"$WORK_DIR/convert.out")" = 24 ] || fail "convert: $(wc -l <"$WORK_DIR/convert.out") lines for 24 spectra"
    paste -d' ' "$WORK_DIR/convert.out" "$WORK_DIR/reference.txt" | awk '
        { for (i = 1; i <= 3; ++i) { d = $i - $(i + 3); if (d < -0.01 || d > 0.01) { print "patch " NR ": " $0; bad = 1 } } }
        END { exit bad }' || fail "convert: L*a*b* differ from the reference"
    ;;

PkgConfigProgram)
    export PKG_CONFIG_PATH="$PREFIX/$LIBDIR/pkgconfig"
    pkg-config --exists qelvxn_m2 || fail "pkg-config finds no qelvxn_m2 in $PKG_CONFIG_PATH"
    pc_libdir=$(pkg-config --variable=libdir qelvxn_m2)
    # shellcheck disable=SC2046,SC2086
    "$CXX" -std=c++20 $CXX_FLAGS -o "$WORK_DIR/pkgconfig_program" "$SOURCE_DIR/tests/install/pkgconfig_program.cpp" \
        $(pkg-config --cflags --libs qelvxn_m2) $LINK_FLAGS -Wl,-rpath,"$pc_libdir" ||
        fail "a program does not build with pkg-config --cflags --libs qelvxn_m2"
    "$WORK_DIR/pkgconfig_program" >"$WORK_DIR/pkgconfig_program.out" || fail "the pkg-config program failed"
    mapfile -t out <"$WORK_DIR/pkgconfig_program.out"
    [ "$(realpath "${out[0]}")" = "$(realpath "$PREFIX/$DATADIR/qelvxn")" ] ||
        fail "the installed library reads its data from ${out[0]}, not from $PREFIX/$DATADIR/qelvxn"
    [ "${out[1]}" = D50 ] || fail "the installed text catalogue gave '${out[1]}' for illuminant D50"
    ;;

*)
    fail "unknown step $step"
    ;;
esac
echo "ok: $step"
