# The checks that tools/package.sh makes of its inputs before it builds anything or touches
# dist/; sourced. Each failure ends the script with a message that says what to change.
source "${BASH_SOURCE[0]%/*}/working-copy.sh"

refuse() {
    echo "package.sh: $*" >&2
    exit 1
}

# What the packaging reads from its environment; everything else goes.
settings=(QUORVANE_SIGN_PFX QUORVANE_SIGN_PASSWORD QUORVANE_SIGN_PASSWORD_FILE
    QUORVANE_SIGN_AUTHORITY QUORVANE_SIGN_CRL QUORVANE_VERSION_OVERRIDE
    QUORVANE_DEVELOPMENT_RELEASE)
kept_variables=(PATH HOME USER TERM TMPDIR SOURCE_DATE_EPOCH)
# How many days the signing certificate must stay valid after the build.
certificate_margin_days=30

# A QUORVANE_ variable that is no setting: one named like a setting (a misspelling, such as
# QUORVANE_SIGNING_PFX) is refused, since ignoring it would build another release than the one
# asked for; any other (the tests' own, such as QUORVANE_FUZZ_SEED) is named and ignored. So is
# a near miss of the prefix, in any case or spelling (quorvane_sign_pfx, QUARVANE_SIGN_PFX,
# QUORVANESIGN_PFX): it is meant as a setting and would be dropped silently.
check_settings() {
    local variable upper
    for variable in $(compgen -A export); do
        [[ " ${settings[*]} " != *" $variable "* ]] || continue
        upper=${variable^^}
        if [[ $variable == QUORVANE_* ]]; then
            settings_word "${upper#QUORVANE_}" ||
                { echo "package.sh: warning: $variable is no setting of the packaging; ignored" >&2
                    continue; }
        elif ! near_prefix "$upper"; then
            continue
        fi
        refuse "$variable: no such setting; the packaging's are ${settings[*]}"
    done
}
settings_word() { # name without the prefix
    case $1 in
    *SIGN* | *PFX* | *P12* | *PASS* | *CERT* | *AUTHORITY* | *CRL* | *VERSION* | *DEVELOP* | \
        *RELEASE*) return 0 ;;
    *) return 1 ;;
    esac
}
# A name whose beginning is within two letters' change of QUORVANE (or is QUORVANE in another
# case), followed by a word of the settings.
near_prefix() { # upper-case name
    local length word
    for length in 6 7 8 9 10; do
        word=${1:0:length}
        [ "$(edit_distance "$word" QUORVANE)" -le 2 ] || continue
        settings_word "${1:length}" && return 0
    done
    return 1
}
edit_distance() { # a b: Levenshtein, builtins only (the password may still be here)
    local a=$1 b=$2 i j cost
    local -a previous current
    for ((j = 0; j <= ${#b}; j++)); do previous[j]=$j; done
    for ((i = 1; i <= ${#a}; i++)); do
        current=([0]=$i)
        for ((j = 1; j <= ${#b}; j++)); do
            cost=1
            [ "${a:i-1:1}" != "${b:j-1:1}" ] || cost=0
            current[j]=$((previous[j - 1] + cost))
            ((previous[j] + 1 >= current[j])) || current[j]=$((previous[j] + 1))
            ((current[j - 1] + 1 >= current[j])) || current[j]=$((current[j - 1] + 1))
        done
        previous=("${current[@]}")
    done
    echo "${previous[${#b}]}"
}

# The packaging runs in an environment of its own from its first line. Privileged mode (-p, in
# the first line of package.sh) keeps exported functions, SHELLOPTS and BASH_ENV out of this
# shell; this starts it again with only the variables it reads (an exported function would still
# reach its tools), and takes the password out of the environment before any tool runs: it
# reaches the new shell through a pipe, into `signing_password`, and no environment ever again.
# Builtins only until the password is out.
start_clean() { # script [argument...]
    if [ "${QUORVANE_CLEAN_START:-}" = "$$" ]; then
        unset QUORVANE_CLEAN_START
        signing_password=""
        IFS= read -r -d '' signing_password <&3 || :
        exec 3<&-
        password_given=${signing_password:0:1}
        signing_password=${signing_password:1}
        # The same locale and time zone wherever it runs (file names are UTF-8, as Wine reads
        # them; tools that write local time, such as the cabinet's dates, write UTC).
        export LC_ALL=C.UTF-8 TZ=UTC
        # git as it comes, whatever the builder set: no global or system configuration or
        # attributes, and over the checkout's own, no line-end conversion.
        export GIT_CONFIG_NOSYSTEM=1 GIT_CONFIG_GLOBAL=/dev/null GIT_ATTR_NOSYSTEM=1 \
            GIT_CONFIG_COUNT=3 GIT_CONFIG_KEY_0=core.autocrlf GIT_CONFIG_VALUE_0=false \
            GIT_CONFIG_KEY_1=core.eol GIT_CONFIG_VALUE_1=lf \
            GIT_CONFIG_KEY_2=core.attributesFile GIT_CONFIG_VALUE_2=/dev/null
        return 0
    fi
    local given=${QUORVANE_SIGN_PASSWORD+1} text=${QUORVANE_SIGN_PASSWORD-}
    unset QUORVANE_SIGN_PASSWORD
    check_settings
    local kept=() variable
    for variable in "${kept_variables[@]}" "${settings[@]}"; do
        [ -z "${!variable+set}" ] || kept+=("$variable=${!variable}")
    done
    exec env -i "${kept[@]}" QUORVANE_CLEAN_START=$$ /bin/bash -p "$@" 3< <(printf '%s' "${given:-0}$text")
}

# One packaging at a time in a checkout (two would share build/package/ and its Wine prefix),
# and what a killed one left of its secrets removed.
take_lock() {
    mkdir -p build
    exec 9>build/package.lock
    flock -n 9 || refuse "another packaging of this checkout is running: wait for it to end"
    rm -rf build/package-signing
}

# a.b.c.d as the release can carry it: a at most 255 and b at most 99 (the installer's product
# version and the version text a.bb.dddd), c 0 (the installer's version has no room for it), d at
# most 9999 (dddd); decimal, without leading zeros (windres would read 010 as octal).
check_version_override() { # version
    [ -n "$1" ] || return 0
    [[ $1 =~ ^(0|[1-9][0-9]*)\.(0|[1-9][0-9]*)\.(0|[1-9][0-9]*)\.(0|[1-9][0-9]*)$ ]] ||
        refuse "QUORVANE_VERSION_OVERRIDE=$1 is no version a.b.c.d of decimal numbers" \
            "without leading zeros"
    local -a field=("${BASH_REMATCH[@]:1}") limit=(255 99 0 9999)
    local i
    for i in 0 1 2 3; do
        [ ${#field[i]} -le 4 ] && [ "${field[i]}" -le "${limit[i]}" ] ||
            refuse "QUORVANE_VERSION_OVERRIDE=$1: ${field[i]} is above ${limit[i]}, the" \
                "highest a.b.c.d can be is 255.99.0.9999"
    done
}

# Sets `commit` (the full hash) and `development`: a tree with changes that are not committed
# (untracked files too, and files that git is told to skip or assume unchanged, whose changes
# `git status` hides) is packaged only as a development release, on
# QUORVANE_DEVELOPMENT_RELEASE=1, for it would otherwise carry the commit's name, dates and
# product codes with other bytes. A symbolic link is refused: what it points to is not the
# commit's. It is looked for in the commit's tree (mode 120000), which holds it whatever
# core.symlinks made of it here, and among the files not committed.
# Sets `revision` too, the last field of the version: the commit's number in history (how many
# commits it has, itself included), which every commit raises above its parents'. Outside git,
# and in a shallow clone, which holds part of the history, it cannot be known.
check_tree() {
    development=""
    commit=$(git rev-parse --verify -q HEAD 2>/dev/null) ||
        refuse "not a git checkout: the release's version counts the commits in its history;" \
            "package a clone of the repository"
    [ "$(git rev-parse --is-shallow-repository)" = false ] ||
        refuse "a shallow clone: the release's version counts the commits in its history," \
            "which it does not hold; fetch them with: git fetch --unshallow"
    revision=$(git rev-list --count HEAD)
    [ "$revision" -le 9999 ] ||
        refuse "$revision commits: the version's last field holds 9999 at most; raise the" \
            "minor version in server/resources/resources.rc and count from there"
    local changes path
    changes=$(git status --porcelain --untracked-files=normal
        git ls-files -v | sed -n 's/^\(S\|[a-z]\) /hidden from git status: /p')
    # (awk reads to the end: git must not meet a closed pipe.)
    path=$(git ls-tree -r --full-tree HEAD | awk -F'\t' '$1 ~ /^120000 / && !found { print $2
        found = 1 }')
    [ -z "$path" ] ||
        refuse "$path is a symbolic link in commit $commit (to $(git cat-file -p "HEAD:$path")):" \
            "a release ships files alone; commit the file itself"
    while IFS= read -r -d '' path; do
        [ ! -L "$path" ] ||
            refuse "$path is a symbolic link (to $(readlink "$path")): a release ships" \
                "files alone; commit the file itself"
    done < <(git ls-files -z --cached --others --exclude-standard)
    [ -n "$changes" ] || return 0
    [ "${QUORVANE_DEVELOPMENT_RELEASE:-}" = 1 ] ||
        refuse "the tree is not its commit $commit: commit what it changes, or" \
            "set QUORVANE_DEVELOPMENT_RELEASE=1 for a development release."$'\n'"$changes"
    development=1
}

# Writes to the folder $1 the files that the release is built from and ships: the commit's
# blobs, byte for byte (packaging/export_commit.py, which checks them against the tree's
# hashes), never the working folders, so that ignored files and what git is told to skip stay
# out; a development release adds the changes and the untracked files that are not ignored.
# A build/ already there (the build trees that an override reuses) stays: every file is dated
# by the commit, so that the unchanged ones are not built again.
export_tree() { # folder
    mkdir -p "$1"
    find "$1" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
    python3 packaging/export_commit.py "$commit" "$1"
    [ -z "$development" ] || copy_changes "$1"
}

# The signing inputs, all checked before the build: with QUORVANE_SIGN_PFX, a password that
# opens it, the authority that the release must chain to (QUORVANE_SIGN_AUTHORITY, PEM) and
# optionally its revocation list (QUORVANE_SIGN_CRL, PEM); a certificate that is valid now and
# for certificate_margin_days more, for code signing, with a key and a hash that are not weak, not self-signed, and that chains to
# that authority without being revoked. Sets `signer` (the subject, UTF-8), `signer_expires`,
# `signer_authority` (the subject of the authority it chains to), `password` (a 0600 file in the
# folder $1) and `verify_options` (what each signature is
# verified against: the authority, never the PKCS#12's own certificates). Without a certificate,
# `signer` is empty; a signing setting without one is refused.
check_signing() { # secrets folder
    signer=""
    if [ -z "${QUORVANE_SIGN_PFX:-}" ]; then
        [ "$password_given" = 0 ] && [ -z "${QUORVANE_SIGN_PASSWORD_FILE+set}" ] ||
            refuse "a signing password is set but QUORVANE_SIGN_PFX is not: name the" \
                "certificate, or unset the password to package an unsigned release"
        [ -z "${QUORVANE_SIGN_AUTHORITY+set}${QUORVANE_SIGN_CRL+set}" ] ||
            refuse "QUORVANE_SIGN_AUTHORITY or QUORVANE_SIGN_CRL is set but QUORVANE_SIGN_PFX" \
                "is not: name the certificate, or unset them to package an unsigned release"
        return 0
    fi
    local setting
    for setting in QUORVANE_SIGN_PFX QUORVANE_SIGN_AUTHORITY QUORVANE_SIGN_CRL; do
        if [ -n "${!setting:-}" ] && ! { [ -f "${!setting}" ] && [ -r "${!setting}" ]; }; then
            refuse "$setting=${!setting}: no such file"
        fi
    done
    [ -n "${QUORVANE_SIGN_PASSWORD_FILE:-}" ] || [ "$password_given" = 1 ] ||
        refuse "QUORVANE_SIGN_PFX needs its password (QUORVANE_SIGN_PASSWORD_FILE or" \
            "QUORVANE_SIGN_PASSWORD)"
    [ -n "${QUORVANE_SIGN_AUTHORITY:-}" ] ||
        refuse "QUORVANE_SIGN_PFX needs QUORVANE_SIGN_AUTHORITY: the certificates (PEM) of the" \
            "authority that the release's signatures must chain to"
    grep -q -- '-----BEGIN CERTIFICATE-----' "$QUORVANE_SIGN_AUTHORITY" ||
        refuse "QUORVANE_SIGN_AUTHORITY=$QUORVANE_SIGN_AUTHORITY holds no PEM certificate"
    mkdir -m 700 -p "$1"
    password=$1/password
    (umask 077 && if [ -n "${QUORVANE_SIGN_PASSWORD_FILE:-}" ]; then
        cp "$QUORVANE_SIGN_PASSWORD_FILE" "$password"
    else
        printf '%s' "$signing_password" >"$password"
    fi)
    signing_password=""
    local certificate=$1/signer.pem issuers=$1/issuers.pem
    # PKCS#12 files that older tools wrote use ciphers of OpenSSL's legacy provider.
    pkcs12() { openssl pkcs12 "$@" 2>/dev/null || openssl pkcs12 -legacy "$@" 2>/dev/null; }
    pkcs12 -in "$QUORVANE_SIGN_PFX" -passin "file:$password" -nokeys -clcerts \
        -out "$certificate" && [ -s "$certificate" ] ||
        refuse "the password does not open $QUORVANE_SIGN_PFX (or it holds no certificate)"
    pkcs12 -in "$QUORVANE_SIGN_PFX" -passin "file:$password" -nocerts -nodes |
        grep -q 'PRIVATE KEY' || refuse "$QUORVANE_SIGN_PFX holds no private key"
    pkcs12 -in "$QUORVANE_SIGN_PFX" -passin "file:$password" -nokeys -cacerts -out "$issuers"
    check_certificate "$certificate" "$issuers"
    verify_options=(-CAfile "$QUORVANE_SIGN_AUTHORITY")
    [ -z "${QUORVANE_SIGN_CRL:-}" ] || verify_options+=(-CRLfile "$QUORVANE_SIGN_CRL")
    signer=$(openssl x509 -in "$certificate" -noout -subject -nameopt oneline,-esc_msb |
        sed 's/^subject= *//')
    signer_expires=$(date -u -d "$(openssl x509 -in "$certificate" -noout -enddate |
        cut -d= -f2)" '+%Y-%m-%d %H:%M UTC')
}

# The signer's certificate: dates, use, strength, and its chain to the authority.
check_certificate() { # certificate issuers-from-the-PKCS#12
    local text from now
    text=$(openssl x509 -in "$1" -noout -text)
    now=$(date +%s)
    from=$(date -d "$(openssl x509 -in "$1" -noout -startdate | cut -d= -f2)" +%s)
    [ "$from" -le "$now" ] || refuse "the certificate is not valid before" \
        "$(openssl x509 -in "$1" -noout -startdate | cut -d= -f2)"
    openssl x509 -in "$1" -noout -checkend 0 >/dev/null ||
        refuse "the certificate has expired: $(openssl x509 -in "$1" -noout -enddate | cut -d= -f2)"
    # The signatures carry no timestamp, so they stop verifying when the certificate expires:
    # it must outlive the build by a margin that leaves the release time to be used.
    openssl x509 -in "$1" -noout -checkend $((certificate_margin_days * 86400)) >/dev/null ||
        refuse "the certificate expires within $certificate_margin_days days, on" \
            "$(openssl x509 -in "$1" -noout -enddate | cut -d= -f2); the signatures carry no" \
            "timestamp and stop verifying then: sign with a certificate valid for longer"
    # The extended key usage must list code signing itself ("Microsoft Individual Code
    # Signing" is another use), and a key usage, where there is one, digital signatures.
    openssl x509 -in "$1" -noout -ext extendedKeyUsage 2>/dev/null | sed 1d | tr ',' '\n' |
        sed 's/^ *//' | grep -qx 'Code Signing' ||
        refuse "the certificate is not for code signing (its extended key usage does not name it)"
    local usage
    usage=$(openssl x509 -in "$1" -noout -ext keyUsage 2>/dev/null | sed 1d)
    [ -z "$usage" ] || grep -q 'Digital Signature' <<<"$usage" ||
        refuse "the certificate's key usage does not allow digital signatures:$usage"
    local bits
    bits=$(sed -n 's/.*Public-Key: (\([0-9]*\) bit).*/\1/p' <<<"$text")
    local least=2048
    grep -q 'Public Key Algorithm: id-ecPublicKey' <<<"$text" && least=256
    [ "${bits:-0}" -ge "$least" ] ||
        refuse "the certificate's key is weak: ${bits:-?} bits, at least $least are needed"
    local hash
    hash=$(sed -n 's/^ *Signature Algorithm: *//p' <<<"$text" | head -n1)
    [[ ! ${hash,,} =~ (md2|md4|md5|sha1)with|^(ecdsa-with-sha1|dsawithsha1)$ ]] ||
        refuse "the certificate is signed with a weak hash: $hash"
    [ "$(openssl x509 -in "$1" -noout -subject)" != "subject=$(openssl x509 -in "$1" -noout \
        -issuer | sed 's/^issuer=//')" ] ||
        refuse "the certificate is self-signed: a release is signed by a certificate that" \
            "an authority issued"
    # The authority alone: never the machine's own roots (OpenSSL's default paths and store).
    local options=(-no-CApath -no-CAstore -CAfile "$QUORVANE_SIGN_AUTHORITY" -show_chain) verdict
    [ ! -s "$2" ] || options+=(-untrusted "$2")
    [ -z "${QUORVANE_SIGN_CRL:-}" ] || options+=(-crl_check -CRLfile "$QUORVANE_SIGN_CRL")
    if verdict=$(openssl verify "${options[@]}" "$1" 2>&1); then
        signer_authority=$(sed -n 's/^depth=[0-9]*: //p' <<<"$verdict" | tail -n1)
        return 0
    fi
    if grep -q 'certificate revoked' <<<"$verdict"; then
        refuse "the certificate is revoked: QUORVANE_SIGN_CRL=$QUORVANE_SIGN_CRL lists it"
    fi
    refuse "the certificate, issued by $(openssl x509 -in "$1" -noout -issuer \
        -nameopt oneline,-esc_msb | sed 's/^issuer= *//'), does not chain to" \
        "QUORVANE_SIGN_AUTHORITY=$QUORVANE_SIGN_AUTHORITY ($(openssl x509 \
        -in "$QUORVANE_SIGN_AUTHORITY" -noout -subject -nameopt oneline,-esc_msb |
            sed 's/^subject= *//')) (with the issuers that $QUORVANE_SIGN_PFX holds):" \
        "$(grep -m1 error <<<"$verdict")"
}
