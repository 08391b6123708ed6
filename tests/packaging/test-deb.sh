#!/usr/bin/env bash
# The .deb package, checked the way a user's system would meet it: built with CPack from the
# build tree, unpacked into a scratch root (dpkg -x; the system's own package database is never
# touched), then its control fields and the files its desktop entry, icon and metainfo point at
# are looked at, and the installed program is run from the scratch root.
#
#   test-deb.sh build <build dir> <scratch>   build the program, the package, unpack it
#   test-deb.sh check <scratch>               control fields, file layout, the installed program
#   test-deb.sh clean <scratch>               remove the scratch folder
#
# The scratch folder holds out/ (what cpack wrote) and root/ (the unpacked package).
set -uo pipefail

die()
{
    echo "test-deb: $*" >&2
    exit 1
}

(($# >= 2)) || die "usage: test-deb.sh build <build dir> <scratch> | check <scratch> | clean <scratch>"
action=$1
shift

# The scratch folder is removed wholesale, so insist on the name CMake gives it.
scratch_ok()
{
    [[ $(basename -- "$1") == deb-scratch ]] || die "refusing to use '$1' as the scratch folder"
}

# --- build ----------------------------------------------------------------------------------

build()
{
    local build_dir=$1 scratch=$2 debs
    scratch_ok "$scratch"
    rm -rf -- "$scratch"
    mkdir -p "$scratch/out" "$scratch/root" || die "cannot create $scratch"
    # ctest does not build; the package must not pick up a stale program or a missing sound.
    cmake --build "$build_dir" --target talk-countdown tc_blip ||
        die "building the program failed"
    cpack -G DEB -B "$scratch/out" --config "$build_dir/CPackConfig.cmake" ||
        die "cpack failed"
    shopt -s nullglob
    debs=("$scratch"/out/*.deb)
    ((${#debs[@]} == 1)) || die "expected one .deb in $scratch/out, found ${#debs[@]}"
    dpkg-deb -x "${debs[0]}" "$scratch/root" || die "dpkg-deb -x ${debs[0]} failed"
    echo "test-deb: unpacked $(basename "${debs[0]}") into $scratch/root"
}

# --- check ----------------------------------------------------------------------------------

failures=0
fail()
{
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
pass()
{
    echo "ok: $*"
}

# The package names of a Depends value, one "alternative|alternative" group a line, without
# version constraints or architecture qualifiers.
depends_groups()
{
    tr ',' '\n' <<<"$1" | sed -E 's/\([^)]*\)//g; s/:[a-z0-9-]+//g; s/[[:space:]]//g' | sed '/^$/d'
}

# A desktop entry's key in the [Desktop Entry] group, unlocalised.
desktop_key()
{
    sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$2"'=//p}' "$1" | head -n1
}

# Where a desktop entry's Exec or TryExec program is found on a system with this package
# installed: an absolute path as it is, a bare name in /usr/bin (PATH's folder for packages).
program_in_root()
{
    local root=$1 name=$2
    if [[ $name == /* ]]; then
        echo "$root$name"
    else
        echo "$root/usr/bin/$name"
    fi
}

check_control()
{
    local deb=$1 binary=$2 depends groups group alts alt needed lib pkg cjk=0 dev=0 desc
    depends=$(dpkg-deb -f "$deb" Depends)
    [[ -n $depends ]] || { fail "the package has no Depends field"; return; }
    groups=$(depends_groups "$depends")

    # Every Qt library the program is linked against must come with the package.
    needed=$(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(libQt6[A-Za-z]*\)\.so\.6\]/\1/p')
    [[ -n $needed ]] || fail "the installed program links no Qt 6 library; is $binary the program?"
    for lib in $needed; do
        pkg="libqt6${lib#libQt6}6"
        pkg=${pkg,,}
        if grep -Eq "(^|\|)$pkg(\||$)" <<<"$groups"; then
            pass "Depends has $pkg for $lib"
        else
            fail "Depends lacks $pkg, but the program links $lib.so.6 (Depends: $depends)"
        fi
    done
    # Qt's X11 platform plugin, its Chinese texts and GStreamer's plugins (the alerts after the
    # sound server restarted) are loaded at run time, so no shared library dependency finds them.
    local runtime
    for runtime in qt6-qpa-plugins qt6-translations-l10n gstreamer1.0-plugins-base \
        gstreamer1.0-plugins-good; do
        if grep -qx "$runtime" <<<"$groups"; then
            pass "Depends has $runtime"
        else
            fail "Depends lacks $runtime, which the program loads at run time"
        fi
    done

    # The bar and the notice are in Chinese: one group must be CJK fonts only, so that any
    # choice apt makes can draw them.
    while IFS= read -r group; do
        local all=1
        IFS='|' read -ra alts <<<"$group"
        for alt in "${alts[@]}"; do
            [[ $alt =~ ^fonts-(wqy-(microhei|zenhei)|noto-cjk(-extra)?|arphic-[a-z0-9]+|droid-fallback)$ ]] ||
                all=0
        done
        ((all)) && cjk=1 && pass "Depends has a CJK font: $group"
    done <<<"$groups"
    ((cjk)) || fail "no Depends group consists of CJK font packages (Depends: $depends)"

    while IFS= read -r group; do
        IFS='|' read -ra alts <<<"$group"
        for alt in "${alts[@]}"; do
            [[ $alt =~ -dev($|-) ]] && dev=1 && fail "Depends names a development package: $alt"
        done
    done <<<"$groups"
    ((dev)) || pass "Depends names no development package"

    # A multi-line description set from a CMake list gets its lines joined with ';'.
    desc=$(dpkg-deb -f "$deb" Description)
    if grep -q '^ ;' <<<"$desc"; then
        fail "the long description's lines start with ';' (a CMake list separator):"
        sed 's/^/    /' <<<"$desc" >&2
    else
        pass "the description reads cleanly"
    fi
}

# Sets `desktop` to the package's one desktop entry.
find_desktop_entry()
{
    local apps
    shopt -s nullglob
    apps=("$root"/usr/share/applications/*.desktop)
    desktop=
    if ((${#apps[@]} != 1)); then
        fail "expected one desktop entry in /usr/share/applications, found ${#apps[@]}"
        return 1
    fi
    desktop=${apps[0]}
}

# Sets `program` to the installed program the desktop entry starts, if there is one.
check_exec()
{
    local exec_name try_name real
    exec_name=$(desktop_key "$desktop" Exec)
    exec_name=${exec_name%% *}
    program=$(program_in_root "$root" "$exec_name")
    if [[ -z $exec_name ]]; then
        fail "$desktop has no Exec="
        program=
        return
    fi
    if [[ ! -x $program ]]; then
        fail "Exec=$exec_name: no executable ${program#"$root"} in the package"
        program=
        return
    fi
    pass "Exec=$exec_name is installed as ${program#"$root"}"
    try_name=$(desktop_key "$desktop" TryExec)
    if [[ -n $try_name && ! -x $(program_in_root "$root" "$try_name") ]]; then
        fail "TryExec=$try_name is not installed"
    fi

    # The default sound is looked up beside the program's real file, wherever it is started
    # from, so a link in bin/ must lead to the file that has the sound beside it. Where a
    # launcher script leads is left to the test that runs the installed program.
    real=$(readlink -f -- "$program")
    if [[ $real != "$root"/* ]]; then
        fail "${program#"$root"} leads out of the package, to $real"
    elif [[ $(head -c2 -- "$real") == '#!' ]]; then
        pass "${program#"$root"} is a launcher script"
    elif [[ $(head -c4 -- "$real") != $'\x7fELF' ]]; then
        fail "${program#"$root"} leads to ${real#"$root"}, which is not the program"
    elif [[ ! -f $(dirname -- "$real")/blip.wav ]]; then
        fail "no blip.wav beside the program's real file ${real#"$root"}"
    else
        pass "${program#"$root"} leads to ${real#"$root"}, with blip.wav beside it"
    fi
}

check_icon()
{
    local icon
    icon=$(desktop_key "$desktop" Icon)
    if [[ -z $icon ]]; then
        fail "$desktop has no Icon="
    elif [[ $icon == /* ]]; then
        fail "Icon=$icon is a path; themes find an icon by its name"
    elif ! grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" 2>/dev/null; then
        fail "Icon=$icon: no SVG icon at /usr/share/icons/hicolor/scalable/apps/$icon.svg"
    else
        pass "Icon=$icon is installed in hicolor/scalable/apps"
    fi
}

# The desktop entry as the desktop-file-utils of the target system read it: no error, warning
# or hint (such as a Version it does not know, or two main categories, which would list the
# program twice in the menu).
check_desktop_file()
{
    local out
    if ! command -v desktop-file-validate >/dev/null; then
        fail "desktop-file-validate is missing (Debian package desktop-file-utils)"
    elif ! out=$(desktop-file-validate "$desktop" 2>&1) || [[ -n $out ]]; then
        fail "desktop-file-validate finds problems in ${desktop#"$root"}:"
        sed 's/^/    /' <<<"$out" >&2
    else
        pass "desktop-file-validate accepts ${desktop#"$root"}"
    fi
}

check_metainfo()
{
    local id metainfo
    id=$(basename "$desktop" .desktop)
    metainfo=$root/usr/share/metainfo/$id.metainfo.xml
    if [[ ! -f $metainfo ]]; then
        fail "no metainfo for $id at /usr/share/metainfo/$id.metainfo.xml"
    elif ! grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo"; then
        fail "the metainfo does not launch $id.desktop"
    else
        pass "the metainfo /usr/share/metainfo/$id.metainfo.xml launches $id.desktop"
    fi
    # The same files as a software centre reads them: the metainfo and its desktop entry.
    if ! appstreamcli validate-tree --no-net "$root" >"$scratch/appstream.log" 2>&1; then
        fail "appstreamcli validate-tree finds errors:"
        sed 's/^/    /' "$scratch/appstream.log" >&2
    else
        pass "appstreamcli validate-tree accepts the installed files"
    fi
}

check_program()
{
    local deb=$1 program=$2 real=$3 version out
    # A run path into the build tree would have the installed program load the build's
    # libraries; one relative to the program itself ($ORIGIN) stays inside the package.
    local path entry
    path=$(readelf -d "$real" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]/\2/p')
    IFS=':' read -ra entries <<<"$path"
    for entry in "${entries[@]}"; do
        [[ -z $entry || $entry == '$ORIGIN'* ]] ||
            fail "the installed program searches $entry for libraries (run path $path)"
    done
    if ldd "$real" | grep -q 'not found'; then
        fail "libraries of the installed program are missing: $(ldd "$real" | grep 'not found')"
    fi

    version=$(dpkg-deb -f "$deb" Version)
    out=$("$program" --version 2>&1)
    if [[ $? -ne 0 || $out != "talk-countdown $version" ]]; then
        fail "'${program#"$root"} --version' said '$out', expected 'talk-countdown $version'"
    else
        pass "${program#"$root"} --version says '$out'"
    fi
}

check()
{
    # Absolute and free of links, so that where a link leads can be compared with it.
    scratch=$(cd -- "$1" && pwd -P) || die "no scratch folder $1; did package_deb_build run?"
    root=$scratch/root
    local debs
    shopt -s nullglob
    debs=("$scratch"/out/*.deb)
    ((${#debs[@]} == 1)) || die "no package in $scratch/out; did package_deb_build run?"

    program=
    if find_desktop_entry; then
        check_exec
        check_desktop_file
        check_icon
        check_metainfo
    fi

    # The package's compiled files: the program and, beside it, the bar module it loads.
    local binaries=() file
    while IFS= read -r -d '' file; do
        [[ $(head -c4 -- "$file") == $'\x7fELF' ]] && binaries+=("$file")
    done < <(find "$root" -type f -print0)
    local real module
    real=$(readlink -f -- "${program:-$root/usr/bin/talk-countdown}")
    module=$(dirname -- "$real")/talk-countdown-bar.so
    if ((${#binaries[@]} != 2)) || [[ ! -f $real || ! -f $module ]]; then
        fail "expected the program and its bar module in the package, found ${#binaries[@]}: ${binaries[*]#"$root"}"
    else
        check_control "${debs[0]}" "$real"
        check_control "${debs[0]}" "$module"
        if ldd "$module" | grep -q 'not found'; then
            fail "libraries of the bar module are missing: $(ldd "$module" | grep 'not found')"
        fi
        [[ -x $program ]] && check_program "${debs[0]}" "$program" "$real"
    fi

    if ((failures)); then
        echo "test-deb: $failures check(s) failed" >&2
        exit 1
    fi
    echo "test-deb: all checks passed"
}

case $action in
build)
    (($# == 2)) || die "build needs <build dir> <scratch>"
    build "$1" "$2"
    ;;
check) check "$1" ;;
clean)
    scratch_ok "$1"
    rm -rf -- "$1"
    ;;
*) die "unknown action '$action'" ;;
esac
