# The checks that tools/package.sh makes of its inputs before it builds anything or touches
# dist/; sourced. Each failure ends the script with a message that says what to change.

refuse() {
    echo "package.sh: $*" >&2
    exit 1
}

# The release depends on the commit alone: the builder's variables (LDFLAGS, RCFLAGS, CC,
# MAKEFLAGS, CMAKE_..., GCC's own) go, and only what the packaging reads stays. A variable named
# like a signing setting that is none of them is a misspelling, not something to ignore.
clear_environment() {
    local variable
    for variable in $(compgen -e); do
        case $variable in
        QUORVANE_SIGN_PFX | QUORVANE_SIGN_PASSWORD | QUORVANE_SIGN_PASSWORD_FILE) ;;
        QUORVANE_SIGN_* | QUORVANE_VERSION* | QUORVANE_DEVELOPMENT*)
            [[ $variable =~ ^QUORVANE_(VERSION_OVERRIDE|DEVELOPMENT_RELEASE)$ ]] ||
                refuse "$variable: no such setting (QUORVANE_SIGN_PFX, QUORVANE_SIGN_PASSWORD," \
                    "QUORVANE_SIGN_PASSWORD_FILE, QUORVANE_VERSION_OVERRIDE," \
                    "QUORVANE_DEVELOPMENT_RELEASE)"
            ;;
        PATH | HOME | USER | TERM | TMPDIR | SOURCE_DATE_EPOCH) ;;
        *) unset "$variable" 2>/dev/null || : ;;
        esac
    done
    # The same locale and time zone wherever it runs (file names are UTF-8, as Wine reads them;
    # tools that write local time, such as the cabinet's dates, write UTC).
    export LC_ALL=C.UTF-8 TZ=UTC
}

# a.b.c.d, each field a decimal number from 0 to 65535 written without leading zeros: windres
# would read 010 as octal.
check_version_override() { # version
    local field
    [ -n "$1" ] || return 0
    [[ $1 =~ ^(0|[1-9][0-9]{0,4})(\.(0|[1-9][0-9]{0,4})){3}$ ]] ||
        refuse "QUORVANE_VERSION_OVERRIDE=$1 is no version a.b.c.d of decimal numbers" \
            "without leading zeros"
    for field in ${1//./ }; do
        [ "$field" -le 65535 ] || refuse "QUORVANE_VERSION_OVERRIDE=$1: $field is above 65535"
    done
}

# Sets `commit` (the full hash, or empty outside git) and `development`: a tree with changes
# that are not committed (untracked files too) is packaged only as a development release, on
# QUORVANE_DEVELOPMENT_RELEASE=1, for it would otherwise carry the commit's name, dates and
# product codes with other bytes.
check_tree() {
    development=""
    commit=$(git rev-parse --verify -q HEAD 2>/dev/null) || commit=""
    local changes
    if [ -z "$commit" ]; then
        changes="not a git checkout"
    else
        changes=$(git status --porcelain --untracked-files=normal)
    fi
    [ -n "$changes" ] || return 0
    [ "${QUORVANE_DEVELOPMENT_RELEASE:-}" = 1 ] ||
        refuse "the tree is not its commit ${commit:-(no commit)}: commit what it changes, or" \
            "set QUORVANE_DEVELOPMENT_RELEASE=1 for a development release."$'\n'"$changes"
    development=1
}

# The signing inputs, all checked before the build: with QUORVANE_SIGN_PFX, a password that
# opens it, a certificate valid now and for code signing. Sets `signer` (the subject, UTF-8),
# `password` (a 0600 file; QUORVANE_SIGN_PASSWORD leaves the environment once it is there) and
# `chain` (the certificates that each signature must verify against: the PKCS#12's own and the
# system's). Without a certificate, `signer` is empty; a password without one is refused.
check_signing() { # scratch folder
    signer=""
    if [ -z "${QUORVANE_SIGN_PFX:-}" ]; then
        [ -z "${QUORVANE_SIGN_PASSWORD+set}${QUORVANE_SIGN_PASSWORD_FILE+set}" ] ||
            refuse "a signing password is set but QUORVANE_SIGN_PFX is not: name the" \
                "certificate, or unset the password to package an unsigned release"
        return 0
    fi
    [ -f "$QUORVANE_SIGN_PFX" ] && [ -r "$QUORVANE_SIGN_PFX" ] ||
        refuse "QUORVANE_SIGN_PFX=$QUORVANE_SIGN_PFX: no such file"
    [ -n "${QUORVANE_SIGN_PASSWORD_FILE:-}${QUORVANE_SIGN_PASSWORD+set}" ] ||
        refuse "QUORVANE_SIGN_PFX needs its password (QUORVANE_SIGN_PASSWORD_FILE or" \
            "QUORVANE_SIGN_PASSWORD)"
    password=$1/password
    (umask 077 && if [ -n "${QUORVANE_SIGN_PASSWORD_FILE:-}" ]; then
        cp "$QUORVANE_SIGN_PASSWORD_FILE" "$password"
    else
        printf '%s' "$QUORVANE_SIGN_PASSWORD" >"$password"
    fi)
    unset QUORVANE_SIGN_PASSWORD
    local certificate=$1/signer.pem
    chain=$1/chain.pem
    # PKCS#12 files that older tools wrote use ciphers of OpenSSL's legacy provider.
    pkcs12() { openssl pkcs12 "$@" 2>/dev/null || openssl pkcs12 -legacy "$@" 2>/dev/null; }
    pkcs12 -in "$QUORVANE_SIGN_PFX" -passin "file:$password" -nokeys -clcerts \
        -out "$certificate" && [ -s "$certificate" ] ||
        refuse "the password does not open $QUORVANE_SIGN_PFX (or it holds no certificate)"
    pkcs12 -in "$QUORVANE_SIGN_PFX" -passin "file:$password" -nocerts -nodes |
        grep -q 'PRIVATE KEY' || refuse "$QUORVANE_SIGN_PFX holds no private key"
    local now from
    now=$(date +%s)
    from=$(date -d "$(openssl x509 -in "$certificate" -noout -startdate | cut -d= -f2)" +%s)
    [ "$from" -le "$now" ] || refuse "the certificate is not valid before" \
        "$(openssl x509 -in "$certificate" -noout -startdate | cut -d= -f2)"
    openssl x509 -in "$certificate" -noout -checkend 0 >/dev/null ||
        refuse "the certificate has expired:" \
            "$(openssl x509 -in "$certificate" -noout -enddate | cut -d= -f2)"
    openssl x509 -in "$certificate" -noout -ext extendedKeyUsage 2>/dev/null |
        grep -q 'Code Signing' || refuse "the certificate is not for code signing (its" \
        "extended key usage does not name it)"
    pkcs12 -in "$QUORVANE_SIGN_PFX" -passin "file:$password" -nokeys -cacerts -out "$chain"
    cat /etc/ssl/certs/ca-certificates.crt >>"$chain" 2>/dev/null || :
    signer=$(openssl x509 -in "$certificate" -noout -subject -nameopt oneline,-esc_msb |
        sed 's/^subject= *//')
}
