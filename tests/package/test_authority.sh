# A throwaway certificate authority for the release's tests, made with openssl; sourced.
# make_test_authority FOLDER NAME writes there, each PKCS#12 (.pfx) under the password in
# `password`:
#   ca.pem        the authority (QUORVANE_SIGN_AUTHORITY), crl.pem its revocation list (which
#                 lists revoked.pfx alone), other-ca.pem an authority that issued none of these;
#   signer.pfx    a code-signing certificate that signing accepts (RSA-2048, SHA-256, the
#                 signer's name not ASCII), with the authority's certificate;
#   chained.pfx   one that signing accepts too, issued by an intermediate authority of ca.pem's
#                 that the PKCS#12 holds;
# and certificates that signing must refuse, each of the same key unless said:
#   tls.pfx (a TLS server's), expired.pfx (2020), short.pfx (valid for 10 days, within the
#   margin that signing asks for), individual.pfx (only "Microsoft Individual Code
#   Signing"), encipher.pfx (key usage without digitalSignature), weak-key.pfx (RSA-1024),
#   sha1.pfx (signed with SHA-1), self-signed.pfx (its own authority, self-signed.pem),
#   revoked.pfx, orphan.pfx (issued by an intermediate authority that it does not hold).
make_test_authority() { # folder name
    mkdir -p "$1"
    local status=0
    # In the background, where set -e holds (it does not on the left of ||).
    (
        set -euo pipefail
        cd "$1"
        openssl rand -hex 16 >password
        authority() { # name subject [issuer]: a CA's key and certificate
            openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=$2"
            printf '%s\n' basicConstraints=critical,CA:TRUE keyUsage=critical,keyCertSign,cRLSign \
                >ca.ext
            if [ -z "${3:-}" ]; then
                openssl x509 -req -in "$1.csr" -key "$1.key" -days 60 -extfile ca.ext -out "$1.pem"
            else
                openssl x509 -req -in "$1.csr" -CA "$3.pem" -CAkey "$3.key" -CAcreateserial \
                    -days 60 -extfile ca.ext -out "$1.pem"
            fi
        }
        authority ca "$2 test authority"
        authority other-ca "$2 other authority"
        authority intermediate "$2 intermediate authority" ca
        issue() { # name extensions [x509 option...]: a certificate of the signer's key from ca
            printf '%s\n' basicConstraints=CA:FALSE "$2" >"$1.ext"
            openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 60 \
                -extfile "$1.ext" -out "$1.pem" "${@:3}"
        }
        openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -utf8 \
            -subj "/CN=$2 test signer Jörg"
        local signing=$'keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning'
        issue signer "$signing"
        issue tls $'keyUsage=critical,digitalSignature\nextendedKeyUsage=serverAuth'
        issue individual $'keyUsage=critical,digitalSignature\nextendedKeyUsage=msCodeInd'
        issue encipher $'keyUsage=critical,keyEncipherment\nextendedKeyUsage=codeSigning'
        issue sha1 "$signing" -sha1
        issue short "$signing" -days 10
        openssl req -x509 -key signer.key -out self-signed.pem -days 60 -subj "/CN=$2 self" \
            -addext extendedKeyUsage=codeSigning
        # The weak key's own request; the orphan from the intermediate.
        openssl req -newkey rsa:1024 -nodes -keyout weak-key.key -out weak-key.csr -subj "/CN=w"
        openssl x509 -req -in weak-key.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 60 \
            -extfile signer.ext -out weak-key.pem
        openssl x509 -req -in signer.csr -CA intermediate.pem -CAkey intermediate.key \
            -CAcreateserial -days 60 -extfile signer.ext -out orphan.pem
        # The expired and the revoked one go through `openssl ca`, which keeps the database
        # that a revocation list is made from.
        mkdir issued && touch index.txt && printf '%s\n' '[ca]' 'default_ca = ca_' '[ca_]' \
            'database = index.txt' 'new_certs_dir = issued' 'serial = ca.srl' \
            'default_md = sha256' 'default_crl_days = 2' 'unique_subject = no' 'policy = any' \
            'certificate = ca.pem' \
            'private_key = ca.key' '[any]' 'commonName = supplied' >ca.cnf
        openssl ca -batch -config ca.cnf -startdate 20200101000000Z -enddate 20200201000000Z \
            -extfile signer.ext -in signer.csr -out expired.pem
        openssl ca -batch -config ca.cnf -days 60 -extfile signer.ext -in signer.csr -out revoked.pem
        openssl ca -config ca.cnf -revoke revoked.pem
        openssl ca -config ca.cnf -gencrl -out crl.pem
        local kind key
        cp orphan.pem chained.pem
        for kind in signer tls expired short individual encipher weak-key sha1 revoked orphan chained \
            self-signed; do
            key=signer.key
            [ "$kind" != weak-key ] || key=weak-key.key
            local with=(-certfile ca.pem)
            [ "$kind" != self-signed ] || with=(-certfile self-signed.pem)
            [ "$kind" != orphan ] || with=()
            [ "$kind" != chained ] || with=(-certfile intermediate.pem)
            openssl pkcs12 -export -in "$kind.pem" -inkey "$key" "${with[@]}" -out "$kind.pfx" \
                -passout file:password
        done
    ) >"$1.log" 2>&1 &
    wait $! || status=$?
    [ "$status" -eq 0 ] || { cat "$1.log" >&2; return 1; }
}
