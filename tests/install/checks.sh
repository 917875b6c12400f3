# The checks of an installed tree, shared by the install and package tests.
# Sourced; each check ends the test with a message when it fails.

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

expect_file() {
    [ -f "$1" ] && [ -s "$1" ] || fail "missing or empty: $1"
}

# check_tree PREFIX: the files of an installation below PREFIX.
check_tree() {
    prefix=$1
    program="$prefix/lib/velmor-quintrel"
    for f in quintrel quintrel-batch; do
        [ -x "$program/$f" ] || fail "not executable: $program/$f"
        [ -L "$prefix/bin/$f" ] || fail "not a link: $prefix/bin/$f"
        [ "$(readlink "$prefix/bin/$f")" = "../lib/velmor-quintrel/$f" ] ||
            fail "bin/$f points to $(readlink "$prefix/bin/$f")"
    done
    expect_file "$program/doc/manual-049.pdf"
    expect_file "$program/doc/manual-044.pdf"
    expect_file "$program/translations/quintrel-044.qm"
    head -c 5 "$program/doc/manual-044.pdf" | grep -q '%PDF-' || fail "manual-044.pdf is no PDF"

    desktop="$prefix/share/applications/velmor-quintrel.desktop"
    expect_file "$desktop"
    for line in 'Type=Application' 'Name=Velmor Quintrel' 'Exec=quintrel' \
        'Icon=velmor-quintrel' 'Terminal=false'; do
        grep -qx "$line" "$desktop" || fail "$desktop lacks the line: $line"
    done
    if command -v desktop-file-validate >/dev/null 2>&1; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate: $desktop"
    fi
    for size in 16 22 24 32 48 64 128 256; do
        icon="$prefix/share/icons/hicolor/${size}x${size}/apps/velmor-quintrel.png"
        expect_file "$icon"
        # The PNG header holds width and height, big-endian, at bytes 17-24.
        set -- $(od -An -tu1 -j16 -N8 "$icon")
        width=$(($1 * 16777216 + $2 * 65536 + $3 * 256 + $4))
        height=$(($5 * 16777216 + $6 * 65536 + $7 * 256 + $8))
        [ "$width" = "$size" ] && [ "$height" = "$size" ] ||
            fail "$icon is ${width}x${height}, not ${size}x${size}"
    done
    expect_file "$prefix/share/icons/hicolor/scalable/apps/velmor-quintrel.svg"
    expect_file "$prefix/share/doc/velmor-quintrel/copyright"
}

# report_value FILE NAME: the value of "NAME=..." in a self-check report.
report_value() {
    sed -n "s/^$2=//p" "$1"
}

# check_program PREFIX WORK: the installed executables run from bin/.
check_program() {
    prefix=$1
    work=$2
    program=$(cd "$prefix/lib/velmor-quintrel" && pwd -P)
    for case in "44 Start manual-044.pdf quintrel-044.qm" "49 Starten manual-049.pdf -"; do
        set -- $case
        config="$work/config-$1"
        mkdir -p "$config/Velmor Software"
        printf '[Settings]\nAppLanguage=%s\n' "$1" >"$config/Velmor Software/Velmor Quintrel.ini"
        report="$work/report-$1"
        env XDG_CONFIG_HOME="$config" QT_QPA_PLATFORM=offscreen QUINTREL_SELF_CHECK="$report" \
            "$prefix/bin/quintrel" || fail "the installed program ended with $? (language $1)"
        expect_file "$report"
        [ "$(report_value "$report" ProgramDirectory)" = "$program" ] ||
            fail "language $1: program directory $(report_value "$report" ProgramDirectory)"
        [ "$(report_value "$report" Start)" = "$2" ] ||
            fail "language $1: Start reads '$(report_value "$report" Start)'"
        [ "$(report_value "$report" Manual)" = "$program/doc/$3" ] ||
            fail "language $1: manual $(report_value "$report" Manual)"
        [ "$(report_value "$report" ManualFound)" = 1 ] || fail "language $1: manual not found"
        if [ "$4" = - ]; then
            [ -z "$(report_value "$report" Catalogues)" ] || fail "German loaded a catalogue"
        else
            [ "$(report_value "$report" Catalogues)" = "$program/translations/$4" ] ||
                fail "language $1: catalogues $(report_value "$report" Catalogues)"
        fi
    done

    # The batch tool: a small job through the link, in English.
    mkdir -p "$work/job"
    printf 'old text\n' >"$work/job/a.txt"
    out=$(env XDG_CONFIG_HOME="$work/config-44" "$prefix/bin/quintrel-batch" --lang 44 \
        --dir "$work/job" --files '*.txt' --replace old new) ||
        fail "quintrel-batch ended with $?"
    [ "$(cat "$work/job/a.txt")" = "$(printf 'new text\r')" ] ||
        fail "quintrel-batch did not change the file"
    echo "$out" | grep -q 'Files changed' || fail "quintrel-batch did not report in English: $out"
    [ ! -e "$work/job/a.txt.QUINTREL-BACKUP" ] || fail "the backup was not deleted"
}
