#!/usr/bin/env bash
# Builds the release of the current checkout from scratch into build/release/:
# Tessary-<version>.zip, the Tessary.exe it holds, and SHA256SUMS of both. The same commit
# gives the same bytes wherever and whenever it is built; the times in the zip are
# SOURCE_DATE_EPOCH, by default the time of the commit.
#
# Signing, Authenticode with SHA-256 (osslsigncode), with a key in a file, when both of these
# are set:
#   TESSARY_SIGN_PFX            the code-signing certificate with its key, a PKCS#12 file
#   TESSARY_SIGN_PASSWORD       its password
# or with a key in a hardware token or a cloud key service, through PKCS#11 (OpenSSL's pkcs11
# engine, libengine-pkcs11-openssl), when the first three of these are set:
#   TESSARY_SIGN_PKCS11_MODULE  the PKCS#11 module (.so) of the token or the service
#   TESSARY_SIGN_PKCS11_KEY     the key's pkcs11: URI (RFC 7512), such as
#                               pkcs11:token=MyToken;object=MyKey;type=private
#   TESSARY_SIGN_CERT           the certificate and its chain, a PEM file
#   TESSARY_SIGN_PKCS11_PIN     optional: the PIN; without it the key must need none
# Some of either set, or some of both, is refused before anything is touched. With either:
#   TESSARY_SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamp server
#   TESSARY_SIGN_ALLOW_NON_RSA  optional: 1 signs with a certificate whose key is not RSA, such
#                               as ECDSA. Smart App Control (Windows 11) accepts only RSA
#                               signatures, so without it such a certificate is refused before
#                               anything is built
# For the tests: TESSARY_RELEASE_DIR writes the release elsewhere, and TESSARY_RELEASE_BUILD
# takes Tessary.exe as already built in that build folder instead of building it afresh.
#
# Nothing is written into the release folder unless everything succeeded: the release is made
# in a temporary folder beside it and moved into place at the end. The folder is replaced whole,
# so one that holds anything but a previous release is refused, and so is a symbolic link or a
# folder inside one. A relative TESSARY_RELEASE_DIR is taken from the current folder.
set -euo pipefail
typed_in=$(pwd -P)
cd "$(dirname "$0")/.."
root=$(pwd -P)

fail() { echo "release: $*" >&2; exit 1; }

out=${TESSARY_RELEASE_DIR:-$root/build/release}
[[ "$out" == /* ]] || out=$typed_in/$out
# mv would replace a link itself and leave the release it leads to in place. Once no component
# is a link, "." and ".." can be taken by name: out becomes a plain absolute path.
check_no_link() {
  local - part path= link=
  local IFS=/
  set -f
  for part in $1; do
    case $part in
      ''|.) ;;
      ..) path=${path%/*} ;;
      *) path=$path/$part
         [ -n "$link" ] || [ ! -L "$path" ] || link=$path ;;
    esac
  done
  path=${path:-/}
  [ -z "$link" ] || [ "$link" != "$path" ] || fail "$link is a symbolic link: name the folder it leads to"
  [ -z "$link" ] || fail "$1 lies inside the symbolic link $link: name the folder it leads to"
  out=$path
}
# The folder may hold a previous release and nothing else: whatever it holds is deleted.
check_release_folder() {
  check_no_link "$out"
  [ -e "$out" ] || return 0
  [ -d "$out" ] || fail "$out is not a folder"
  # One line for each entry: its type, a slash and its name, with any newline in it made a "?".
  local entries entry name zip=
  entries=$(find "$out" -mindepth 1 -maxdepth 1 -printf '%y/%f\0' | tr '\n\0' '?\n') ||
    fail "cannot read the release folder $out"
  while IFS= read -r entry; do
    [ -n "$entry" ] || continue
    name=${entry#*/}
    if [ "${entry%%/*}" != f ] || ! [[ "$name" =~ ^(Tessary\.exe|SHA256SUMS|Tessary-[0-9]+(\.[0-9]+)*\.zip)$ ]]; then
      fail "$out holds $name, which is no part of a release: move it away, the folder is replaced whole"
    fi
    if [[ "$name" == *.zip ]]; then
      [ -z "$zip" ] ||
        fail "$out holds both $zip and $name, which is no single release: move them away, the folder is replaced whole"
      zip=$name
    fi
  done <<<"$entries"
}
pfx=${TESSARY_SIGN_PFX:-}
module=${TESSARY_SIGN_PKCS11_MODULE:-} key=${TESSARY_SIGN_PKCS11_KEY:-} chain=${TESSARY_SIGN_CERT:-}
pkcs11_settings=$module$key$chain${TESSARY_SIGN_PKCS11_PIN:-}
if [ -n "$pfx${TESSARY_SIGN_PASSWORD:-}" ] && [ -n "$pkcs11_settings" ]; then
  fail "set either TESSARY_SIGN_PFX and TESSARY_SIGN_PASSWORD or the TESSARY_SIGN_PKCS11_ settings and TESSARY_SIGN_CERT, not both"
elif [ -n "$pfx" ] && [ -n "${TESSARY_SIGN_PASSWORD:-}" ]; then
  signing=pfx
elif [ -n "$pfx" ] || [ -n "${TESSARY_SIGN_PASSWORD:-}" ]; then
  fail "set both TESSARY_SIGN_PFX and TESSARY_SIGN_PASSWORD to sign, or neither for an unsigned release"
elif [ -n "$module" ] && [ -n "$key" ] && [ -n "$chain" ]; then
  signing=pkcs11
elif [ -n "$pkcs11_settings" ]; then
  fail "set TESSARY_SIGN_PKCS11_MODULE, TESSARY_SIGN_PKCS11_KEY and TESSARY_SIGN_CERT to sign with a key in a token, or none of the TESSARY_SIGN_ settings for an unsigned release"
else
  signing=
fi
case ${TESSARY_SIGN_ALLOW_NON_RSA:-} in
  ''|1) ;;
  *) fail "TESSARY_SIGN_ALLOW_NON_RSA is 1 or unset, not $TESSARY_SIGN_ALLOW_NON_RSA" ;;
esac
check_release_folder

bash scripts/setup.sh || exit 1

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
    fail "not a git checkout: set SOURCE_DATE_EPOCH to the release time in seconds since 1970"
fi
[[ "$SOURCE_DATE_EPOCH" =~ ^[0-9]+$ ]] || fail "SOURCE_DATE_EPOCH is not a number of seconds: $SOURCE_DATE_EPOCH"
export SOURCE_DATE_EPOCH
if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  echo "release: the checkout has uncommitted changes: this release is not that of the commit"
fi

# The public key algorithm and the subject of each certificate in the PEM file $1 that issued
# none of the others there: the one that signs, whatever the order. One line each, a tab between.
leaf_certificates() {
  openssl crl2pkcs7 -nocrl -certfile "$1" 2>/dev/null | openssl pkcs7 -print_certs -text -noout 2>/dev/null |
    awk '/^Certificate:/ { n++ }
         sub(/^        Issuer: /, "") { issuer[n] = $0 }
         sub(/^        Subject: /, "") { subject[n] = $0 }
         sub(/^ *Public Key Algorithm: /, "") { algorithm[n] = $0 }
         END { for (i = 1; i <= n; i++) { leaf = 1
                 for (j = 1; j <= n; j++) if (issuer[j] == subject[i] && subject[j] != subject[i]) leaf = 0
                 if (leaf) print algorithm[i] "\t" subject[i] } }'
}
# Smart App Control (Windows 11) accepts only RSA signatures. $leaves: what leaf_certificates printed.
check_leaf_is_rsa() {
  local algorithm subject
  [ -n "$leaves" ] || fail "$1 holds no certificate in PEM form"
  while IFS=$'\t' read -r algorithm subject; do
    [ "$algorithm" != rsaEncryption ] || continue
    algorithm=${algorithm/id-ecPublicKey/ECDSA}
    [ "${TESSARY_SIGN_ALLOW_NON_RSA:-}" = 1 ] ||
      fail "the certificate $subject in $1 has an $algorithm key, not RSA: Smart App Control accepts only RSA signatures (set TESSARY_SIGN_ALLOW_NON_RSA=1 to sign with it all the same)"
    echo "release: signing with an $algorithm key, as TESSARY_SIGN_ALLOW_NON_RSA=1 allows: Smart App Control does not accept its signature"
  done <<<"$leaves"
}

# Check the certificate before anything is built, so that a wrong file or password costs nothing.
legacy=()
if [ "$signing" = pfx ]; then
  [ -f "$pfx" ] && [ -r "$pfx" ] || fail "cannot read the certificate file TESSARY_SIGN_PFX=$pfx"
  # OpenSSL 3 decrypts the RC2 of older exports only with its legacy provider.
  if ! contents=$(openssl pkcs12 -in "$pfx" -info -noout -passin env:TESSARY_SIGN_PASSWORD 2>&1); then
    legacy=(-legacy)
    contents=$(openssl pkcs12 "${legacy[@]}" -in "$pfx" -info -noout -passin env:TESSARY_SIGN_PASSWORD 2>&1) ||
      fail "cannot open $pfx with TESSARY_SIGN_PASSWORD: wrong password, or not a PKCS#12 file"
  fi
  grep -q "Certificate bag" <<<"$contents" && grep -qiE "key ?bag" <<<"$contents" ||
    fail "$pfx must hold both the certificate and its private key"
  leaves=$(leaf_certificates <(openssl pkcs12 "${legacy[@]}" -in "$pfx" -nokeys -passin env:TESSARY_SIGN_PASSWORD 2>/dev/null))
  check_leaf_is_rsa "$pfx"
elif [ "$signing" = pkcs11 ]; then
  [ -f "$module" ] && [ -r "$module" ] || fail "cannot read the PKCS#11 module TESSARY_SIGN_PKCS11_MODULE=$module"
  # Not repeated: the URI may hold the PIN.
  [[ "$key" == pkcs11:* ]] ||
    fail "TESSARY_SIGN_PKCS11_KEY is no pkcs11: URI, such as pkcs11:token=MyToken;object=MyKey;type=private"
  [ -f "$chain" ] && [ -r "$chain" ] || fail "cannot read the certificate file TESSARY_SIGN_CERT=$chain"
  leaves=$(leaf_certificates "$chain")
  check_leaf_is_rsa "$chain"
  # osslsigncode reaches the module through OpenSSL's pkcs11 engine.
  openssl engine pkcs11 >/dev/null 2>&1 || fail "OpenSSL has no pkcs11 engine: install libengine-pkcs11-openssl"
else
  echo "release: unsigned (set TESSARY_SIGN_PFX and TESSARY_SIGN_PASSWORD, or TESSARY_SIGN_PKCS11_MODULE, TESSARY_SIGN_PKCS11_KEY and TESSARY_SIGN_CERT, to sign Tessary.exe)"
fi

mkdir -p "$(dirname "$out")"
work=$(mktemp -d "$(dirname "$out")/.release.XXXXXX")
trap 'rm -rf "$work"' EXIT
log=$work/build.log

if [ -n "${TESSARY_RELEASE_BUILD:-}" ]; then
  build=$TESSARY_RELEASE_BUILD
  [ -f "$build/CPackConfig.cmake" ] && [ -f "$build/Tessary.exe" ] ||
    fail "TESSARY_RELEASE_BUILD=$build holds no built Tessary.exe"
else
  build=$work/build
  echo "release: building Tessary.exe from scratch"
  { cmake --preset windows -B "$build" -DTESSARY_TESTS=OFF && cmake --build "$build" --target Tessary; } >"$log" 2>&1 ||
    { tail -n 30 "$log" >&2; fail "building Tessary.exe failed"; }
fi
# The files of the zip are those the install rules name.
cmake --install "$build" --prefix "$work/stage" >>"$log" 2>&1 || { cat "$log" >&2; fail "installing into the zip's folder failed"; }
# The version has one home: the package name in CMakeLists.txt.
name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[ -n "$name" ] || fail "no CPACK_PACKAGE_FILE_NAME in $build/CPackConfig.cmake"
exe=$work/stage/Tessary.exe

if [ -n "$signing" ]; then
  # osslsigncode's account of a failure goes to a file, the reason to one line.
  signing_log=$root/build/release-signing.log
  fail_signing() {
    mkdir -p "$root/build" 2>/dev/null && cp "$1" "$signing_log" 2>/dev/null || fail "$2"
    fail "$2 (osslsigncode's output: $signing_log)"
  }
  timestamp=()
  [ -z "${TESSARY_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$TESSARY_SIGN_TIMESTAMP_URL")
  # -time: osslsigncode always records a signing time, the current one unless told; the
  # release time makes signing the same exe with the same RSA key give the same bytes (an
  # ECDSA signature differs each time).
  options=(-h sha256 -n Tessary -time "$SOURCE_DATE_EPOCH" "${timestamp[@]}" -in "$exe" -out "$work/signed.exe")
  # The password and the PIN go through a pipe, not the command line that every user can read.
  # Without a PIN, a token that asks for one meets the end of its input rather than waiting.
  certs=$work/certificates.pem
  if [ "$signing" = pfx ]; then
    osslsigncode sign -pkcs12 "$pfx" -readpass <(printf '%s' "$TESSARY_SIGN_PASSWORD") "${options[@]}" >"$work/sign.log" 2>&1 ||
      fail_signing "$work/sign.log" "osslsigncode could not sign Tessary.exe with $pfx"
    openssl pkcs12 "${legacy[@]}" -in "$pfx" -nokeys -passin env:TESSARY_SIGN_PASSWORD -out "$certs" 2>/dev/null ||
      fail "cannot read the certificates of $pfx"
    from=$pfx
  else
    pin=()
    [ -z "${TESSARY_SIGN_PKCS11_PIN:-}" ] || pin=(-readpass /dev/stdin)
    osslsigncode sign -pkcs11module "$module" -key "$key" -certs "$chain" "${pin[@]}" "${options[@]}" \
        < <(printf '%s' "${TESSARY_SIGN_PKCS11_PIN:-}") >"$work/sign.log" 2>&1 ||
      fail_signing "$work/sign.log" "osslsigncode could not sign Tessary.exe with the key TESSARY_SIGN_PKCS11_KEY through $module and the certificate $chain"
    cp "$chain" "$certs"
    from=$chain
  fi

  # Verify against the file's own certificates as well as the system's: a self-signed or
  # in-house certificate is its own authority. Revocation is for the user's Windows to check;
  # osslsigncode 2.9 would fetch the certificate's CRL and fail offline.
  [ ! -r /etc/ssl/certs/ca-certificates.crt ] || cat /etc/ssl/certs/ca-certificates.crt >>"$certs"
  ignore_crl=()
  [[ "$(osslsigncode verify --help 2>&1 || true)" != *-ignore-crl* ]] || ignore_crl=(-ignore-crl)
  if ! osslsigncode verify -CAfile "$certs" "${ignore_crl[@]}" -in "$work/signed.exe" >"$work/verify.log" 2>&1 ||
     ! grep -q '^Succeeded' "$work/verify.log"; then
    fail_signing "$work/verify.log" "the signed Tessary.exe does not verify against the certificates in $from"
  fi
  mv "$work/signed.exe" "$exe"
  signer=${leaves%%$'\n'*}
  echo "release: signed and verified: ${signer#*$'\t'}"
fi

mkdir "$work/release"
cp "$exe" "$work/release/Tessary.exe"
python3 scripts/release_zip.py "$work/release/$name.zip" "$SOURCE_DATE_EPOCH" "$work"/stage/*
(cd "$work/release" && sha256sum "$name.zip" Tessary.exe >SHA256SUMS)

# Into place: the old release goes only once the new one is complete, and into the work
# folder, which goes at the exit.
check_release_folder
[ ! -e "$out" ] || mv "$out" "$work/previous"
mv "$work/release" "$out"
echo "release: $out"
sed 's/^/  /' "$out/SHA256SUMS"
