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
    doc="$prefix/share/doc/velmor-quintrel"
    expect_file "$doc/manual-049.pdf"
    expect_file "$doc/manual-044.pdf"
    [ ! -e "$program/doc" ] || fail "manuals outside the documentation directory: $program/doc"
    expect_file "$program/translations/quintrel-044.qm"
    head -c 5 "$doc/manual-044.pdf" | grep -q '%PDF-' || fail "manual-044.pdf is no PDF"
    expect_file "$doc/changelog.gz"

    # The manual pages, English and German, compressed; each names its
    # program and has the options of its --help.
    for page in man/man1/quintrel.1.gz man/man1/quintrel-batch.1.gz \
        man/de/man1/quintrel.1.gz man/de/man1/quintrel-batch.1.gz; do
        expect_file "$prefix/share/$page"
        gzip -dc "$prefix/share/$page" | grep -q '^\.TH QUINTREL' || fail "$page is no manual page"
    done
    gzip -dc "$prefix/share/man/man1/quintrel-batch.1.gz" | grep -q '^\.B \\-\\-crlf$' ||
        fail "quintrel-batch.1 lacks --crlf"
    if command -v man >/dev/null 2>&1; then
        out=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/quintrel-batch.1.gz" 2>&1 >/dev/null) ||
            fail "man cannot show quintrel-batch.1"
        [ -z "$out" ] || fail "man warns about quintrel-batch.1: $out"
    fi

    # Profiles are a type of their own that the program opens.
    mime="$prefix/share/mime/packages/velmor-quintrel.xml"
    expect_file "$mime"
    grep -q 'type="application/x-velmor-quintrel-profile"' "$mime" || fail "$mime lacks the type"
    grep -q 'pattern="\*.vqp"' "$mime" || fail "$mime lacks *.vqp"
    expect_file "$prefix/share/icons/hicolor/48x48/mimetypes/application-x-velmor-quintrel-profile.png"
    expect_file "$prefix/share/metainfo/com.velmor.quintrel.metainfo.xml"
    expect_file "$prefix/share/bash-completion/completions/quintrel-batch"

    desktop="$prefix/share/applications/velmor-quintrel.desktop"
    expect_file "$desktop"
    for line in 'Type=Application' 'Name=Velmor Quintrel' 'Exec=quintrel %f' \
        'Icon=velmor-quintrel' 'Terminal=false' 'MimeType=application/x-velmor-quintrel-profile;'; do
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
    doc=$(cd "$prefix/share/doc/velmor-quintrel" && pwd -P)
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
        [ "$(report_value "$report" Manual)" = "$doc/$3" ] ||
            fail "language $1: manual $(report_value "$report" Manual)"
        [ "$(report_value "$report" ManualFound)" = 1 ] || fail "language $1: manual not found"
        if [ "$4" = - ]; then
            [ -z "$(report_value "$report" Catalogues)" ] || fail "German loaded a catalogue"
        else
            [ "$(report_value "$report" Catalogues)" = "$program/translations/$4" ] ||
                fail "language $1: catalogues $(report_value "$report" Catalogues)"
        fi
    done

    # A profile named on the command line is loaded at the start.
    mkdir -p "$work/job (alt)"
    printf '[General]\nDirectories=%s\n' "$work/job (alt)" >"$work/job.vqp"
    env XDG_CONFIG_HOME="$work/config-44" QT_QPA_PLATFORM=offscreen \
        QUINTREL_SELF_CHECK="$work/report-profile" "$prefix/bin/quintrel" "$work/job.vqp" ||
        fail "the program did not start with a profile"
    [ "$(report_value "$work/report-profile" Directories)" = "$work/job (alt)" ] ||
        fail "the profile was not loaded: $(report_value "$work/report-profile" Directories)"

    # Help and version need no display; without one the program says so.
    nodisplay="env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME=$work/none LANG=C"
    $nodisplay "$prefix/bin/quintrel" --help | grep -q '^Usage: quintrel ' || fail "quintrel --help"
    $nodisplay "$prefix/bin/quintrel" -V | grep -q '^quintrel (Velmor Quintrel) 3\.' ||
        fail "quintrel -V"
    status=0
    $nodisplay "$prefix/bin/quintrel" 2>"$work/nodisplay" || status=$?
    [ "$status" = 1 ] || fail "without a display the program ended with $status"
    grep -q '^quintrel: .*DISPLAY' "$work/nodisplay" || fail "no word without a display"

    # The batch tool: a small job through the link, in English; the line
    # ends stay as they were, unless --crlf.
    mkdir -p "$work/job"
    printf 'old text\n' >"$work/job/a.txt"
    out=$(env XDG_CONFIG_HOME="$work/config-44" "$prefix/bin/quintrel-batch" --lang en \
        --dir "$work/job" --files '*.txt' --replace old new) ||
        fail "quintrel-batch ended with $?"
    [ "$(cat "$work/job/a.txt")" = "new text" ] || fail "quintrel-batch did not change the file"
    echo "$out" | grep -q 'Files changed' || fail "quintrel-batch did not report in English: $out"
    [ ! -e "$work/job/a.txt.QUINTREL-BACKUP" ] || fail "the backup was not deleted"
    env XDG_CONFIG_HOME="$work/config-44" "$prefix/bin/quintrel-batch" --quiet --crlf \
        --dir "$work/job" --files '*.txt' --replace new newer || fail "quintrel-batch --crlf"
    [ "$(cat "$work/job/a.txt")" = "$(printf 'newer text\r')" ] || fail "--crlf wrote no CR LF"
}
