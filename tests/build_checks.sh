#!/bin/sh
# Checks of the built Orbelan.exe itself, run on the build machine:
#   build_checks.sh <Orbelan.exe> <source folder> <home URL> <scratch folder> <package name> [<build folder>]
# - a 32-bit Windows GUI program importing system DLLs only (no MinGW
#   runtime DLLs beside it), with no time stamp; ASLR, DEP, NO_SEH, no
#   section both writable and executable, the stack protector, and a
#   manifest for the X86 common controls 6.0 and the system's DPI
#   without trustInfo, each
#   printed as a line;
# - at most 200 KiB (204800 bytes), its size printed in one line
#   "Orbelan.exe: N bytes (K KiB)";
# - the program's own code calls nothing of the C++ run-time library;
# - no build path inside;
# - a second build of the same sources in another folder is identical, and
#   so is the release package (ZIP) packed from each (not with an empty
#   scratch folder: a signed program, say, is no build's).
# The build folder, which holds the program's objects, is the program's own
# folder unless it is named.
set -u
exe=$1 source=$2 url=$3 scratch=$4 zip=$5.zip build=${6:-$(dirname "$1")}
objdump=i686-w64-mingw32-objdump
nm=i686-w64-mingw32-nm
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ -n "$exe" ] || { echo "FAIL: no shipped Orbelan.exe named (ORBELAN_SHIPPED_EXE of a 64-bit build)"; exit 1; }
headers=$($objdump -p "$exe") || { echo "FAIL: cannot read $exe"; exit 1; }

echo "$headers" | grep -q '^Magic[[:space:]]*010b' || fail "not a PE32 (32-bit) image"
echo "$headers" | grep -q '^Subsystem[[:space:]]*00000002' || fail "not a Windows GUI program"
echo "$headers" | grep -q '^Time/Date[[:space:]]*Thu Jan  1 00:00:00 1970' || fail "the header carries a time stamp"

# Hardening, a line each. Each tool's output is kept and its status checked
# before it is read: a tool that failed prints nothing, and nothing found
# must not pass a check.
flag() { echo "$headers" | grep -qw "$1"; }
if ! section_headers=$($objdump -h "$exe"); then
    fail "$objdump -h cannot read the sections of $exe"
elif flag DYNAMIC_BASE && echo "$section_headers" | grep -q ' \.reloc '; then
    echo "ASLR: on (dynamic base, relocations)"
else
    fail "ASLR is off, or there are no relocations to move the image"
fi
flag NX_COMPAT && echo "DEP: on (NX compatible)" || fail "DEP (NX compatible) is off"
flag NO_SEH && echo "SEH: none installed (NO_SEH)" || fail "the image does not say NO_SEH"
if ! sections=$(python3 "$source/tests/pe_facts.py" sections "$exe"); then
    fail "tests/pe_facts.py cannot read the sections of $exe"
elif ! echo "$sections" | grep -q '^\.text '; then
    fail "tests/pe_facts.py found no .text section in $exe: $(echo $sections)"
else
    writable_code=$(echo "$sections" | awk '$2 == "W" && $3 == "X" { print $1 }')
    [ -z "$writable_code" ] && echo "sections: none both writable and executable" ||
        fail "sections both writable and executable: $(echo $writable_code)"
fi

# The program's own objects: the stack protector and the C++ run-time check
# read their undefined symbols, one "object: U symbol" line each.
objects="$build/liborbelan_core.a $build/CMakeFiles/Orbelan.dir/app/main.cpp.obj"
for object in $objects; do
    [ -f "$object" ] || fail "$object is missing"
done
# shellcheck disable=SC2086 # the object list splits into words on purpose
if undefined=$($nm -A -u $objects); then
    guarded=$(echo "$undefined" | grep -c '___stack_chk_fail$\|__stack_chk_fail$')
    [ "$guarded" -gt 0 ] && echo "stack protector: $guarded of the program's objects call __stack_chk_fail" ||
        fail "no object of the program calls __stack_chk_fail: the stack protector is off"
else
    fail "$nm cannot read the program's objects: no check of the stack protector or the C++ run-time calls"
fi

if ! manifest=$(python3 "$source/tests/pe_facts.py" manifest "$exe"); then
    fail "tests/pe_facts.py cannot read the manifest of $exe"
elif echo "$manifest" | grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' &&
   echo "$manifest" | grep -q 'processorArchitecture="X86" publicKeyToken="6595b64144ccf1df"' &&
   echo "$manifest" | tr -d '\n' |
       grep -q '<application xmlns="urn:schemas-microsoft-com:asm.v3"> *<windowsSettings> *<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>' &&
   ! echo "$manifest" | grep -q '<trustInfo'; then
    echo "manifest: common controls 6.0.0.0 for X86, aware of the system's DPI, no trustInfo"
else
    fail "the manifest does not ask for the X86 common controls 6.0 and the system's DPI without trustInfo: $manifest"
fi

allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|COMCTL32|SHLWAPI|URLMON|OLE32|SHELL32|msvcrt)\.dll$'
dlls=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || fail "no imports found"
for dll in $dlls; do
    echo "$dll" | grep -qiE "$allowed" || fail "imports $dll, which is not a system DLL"
done
# The version check loads these on its own thread; imported, they and the
# libraries they pull in would delay every start.
echo "$dlls" | grep -qiE '^(URLMON|OLE32)\.dll$' && fail "imports urlmon or ole32, which only the version check needs"
echo "imports: system DLLs only: $(echo $dlls)"

size=$(stat -c %s "$exe")
echo "Orbelan.exe: $size bytes ($(awk -v n="$size" 'BEGIN { printf "%.1f", n / 1024 }') KiB)"
[ "$size" -le 204800 ] || fail "Orbelan.exe is $size bytes, more than 204800 (200 KiB)"

# No operator new, no exception, no function of the std:: library: nothing
# in the program can throw, and the C++ library (its terminate handler with
# the demangler), the unwinder and the threads library stay out of it.
runtime=$(echo "$undefined" | awk 'NF >= 2 && $(NF - 1) == "U" { print $NF }' | sort -u |
    grep -E '^_?(_Zn[wa]|_Zd[la]|_ZN?K?St|_ZN9__gnu_cxx|__cxa_|__gxx_personality|_Unwind_|pthread_)')
[ -z "$runtime" ] || fail "the program's own code calls the C++ run-time library: $(echo $runtime)"

# Neither the sources' folder nor the build's: __FILE__ or debug
# information would name them, and a second build elsewhere would differ.
for path in "$(cd "$source" && pwd)" "$(cd "$build" && pwd)"; do
    if grep -qaF "$path" "$exe"; then fail "the build path $path is inside the program"; fi
done

if [ -z "$scratch" ]; then
    [ $failures -eq 0 ] && echo "all build checks passed (no second build)"
    exit $failures
fi
rm -rf "$scratch"
if cmake -S "$source" -B "$scratch" -DORBELAN_TESTS=OFF "-DORBELAN_HOME_URL=$url" >"$scratch.log" 2>&1 &&
   cmake --build "$scratch" --target Orbelan -j2 >>"$scratch.log" 2>&1; then
    if cmp -s "$exe" "$scratch/Orbelan.exe"; then
        echo "second build in $scratch: identical"
    else
        fail "a second build of the same sources differs"
        cmp "$exe" "$scratch/Orbelan.exe" | head -3
    fi
    # The package of each build, packed into a folder of the scratch build.
    if cpack --config "$build/CPackConfig.cmake" -B "$scratch/pack-first" >>"$scratch.log" 2>&1 &&
       cpack --config "$scratch/CPackConfig.cmake" -B "$scratch/pack-second" >>"$scratch.log" 2>&1; then
        if cmp -s "$scratch/pack-first/$zip" "$scratch/pack-second/$zip"; then
            echo "package $zip of both builds: identical ($(unzip -Z1 "$scratch/pack-first/$zip" | tr '\n' ' '))"
        else
            fail "the packages of the two builds differ"
        fi
        if (cd "$scratch/pack-first" && sha256sum -c --quiet SHA256SUMS) >/dev/null 2>&1 &&
           grep -q "  $zip\$" "$scratch/pack-first/SHA256SUMS" &&
           cmp -s "$scratch/pack-first/SHA256SUMS" "$scratch/pack-second/SHA256SUMS"; then
            echo "checksums SHA256SUMS of both builds: identical, and they match $zip"
        else
            fail "SHA256SUMS beside the package is missing, wrong or differs between the builds"
        fi
        unzip -Z1 "$scratch/pack-first/$zip" | grep -qx 'Orbelan.exe' || fail "Orbelan.exe is not in the package"
        unzip -Z1 "$scratch/pack-first/$zip" | grep -qx 'NAVOD.md' || fail "the user guide is not in the package"
    else
        fail "packing failed, see $scratch.log"
    fi
else
    fail "the second build failed, see $scratch.log"
fi
[ $failures -eq 0 ] && rm -rf "$scratch" "$scratch.log"

[ $failures -eq 0 ] && echo "all build checks passed"
exit $failures
