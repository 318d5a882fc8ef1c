#!/bin/sh
# A signed release package, as a distributor with a code-signing
# certificate makes one: a throwaway certificate made with openssl, a
# build configured with it (ORBELAN_SIGN_PFX, ORBELAN_SIGN_PASSWORD_FILE),
# and the package packed from that configuration. The program in it must
# carry a signature that osslsigncode verifies, pass the build checks, and
# run under Wine.
#   sign_test.sh <source folder> <shipped build folder> <build folder that runs here> <home URL> <package name>
# The build that runs here is the shipped one where the host runs 32-bit
# code; elsewhere its 64-bit build is signed and run, and the shipped
# program is signed and checked.
set -u
source=$1 shipped=$2 runs=$3 url=$4 name=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
    -subj "/CN=Orbelan test signer" -addext "extendedKeyUsage=codeSigning" >"$work/openssl.log" 2>&1 ||
    fail "openssl made no certificate: $(cat "$work/openssl.log")"
printf 'zkušební heslo' >"$work/password"
openssl pkcs12 -export -out "$work/signer.pfx" -inkey "$work/key.pem" -in "$work/cert.pem" \
    -passout "file:$work/password" || fail "openssl made no PKCS#12 file"

# sign_package <build folder> <out folder>: configures a build of the same
# kind with the certificate and packs the build's files as its package
# target does; the program ends up in <out folder>/Orbelan.exe.
sign_package() {
    toolchain=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$1/CMakeCache.txt")
    cmake -S "$source" -B "$2/build" "-DCMAKE_TOOLCHAIN_FILE=$toolchain" -DORBELAN_TESTS=OFF \
        "-DORBELAN_HOME_URL=$url" "-DORBELAN_SIGN_PFX=$work/signer.pfx" \
        "-DORBELAN_SIGN_PASSWORD_FILE=$work/password" >"$2.log" 2>&1 || fail "configure with a certificate failed: $(cat "$2.log")"
    cpack --config "$2/build/CPackConfig.cmake" -B "$2/pack" -D CPACK_INSTALL_CMAKE_PROJECTS= \
        -D "CPACK_INSTALL_SCRIPTS=$1/cmake_install.cmake" >>"$2.log" 2>&1 || fail "packing failed: $(cat "$2.log")"
    zip=$(ls "$2/pack"/Orbelan-*.zip) || fail "no package packed"
    (cd "$2/pack" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS is not the signed package's"
    unzip -q -o "$zip" Orbelan.exe -d "$2" || fail "no Orbelan.exe in $zip"
    cmp -s "$1/Orbelan.exe" "$2/Orbelan.exe" && fail "the packed Orbelan.exe is the unsigned one"
    osslsigncode verify -CAfile "$work/cert.pem" -in "$2/Orbelan.exe" >"$2/verify.log" 2>&1 ||
        fail "osslsigncode does not verify the signature: $(cat "$2/verify.log")"
    grep -q 'Message digest algorithm *: SHA256' "$2/verify.log" || fail "the signature is no SHA-256 one"
}

sign_package "$shipped" "$work/shipped"
echo "signed package: the signature of Orbelan.exe verifies (SHA-256)"
sh "$source/tests/build_checks.sh" "$work/shipped/Orbelan.exe" "$source" "$url" "" "$name" "$shipped" ||
    fail "the build checks fail on the signed program"
signed="$work/shipped/Orbelan.exe"
if [ "$runs" != "$shipped" ]; then
    sign_package "$runs" "$work/runs"
    signed="$work/runs/Orbelan.exe"
fi

# It runs: the demo account, the main window shown and pictured.
mkdir "$work/program" && cp "$signed" "$work/program/Orbelan.exe"
cd "$work/program" || fail "no folder for the program"
run="$source/tools/wine-run"
"$run" "$runs/orbelan_demo_seed.exe" "$("$run" winepath -w "$work/program")" || fail "no demo account"
"$run" "$runs/orbelan_screenshot_driver.exe" --main "$("$run" winepath -w "$work/program/Orbelan.exe")" \
    "$("$run" winepath -w "$work/program/main.png")" || fail "the signed program did not show its main window"
[ -s "$work/program/main.png" ] || fail "no picture of the signed program's main window"
echo "signed Orbelan.exe runs under Wine: its main window showed"
