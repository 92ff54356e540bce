"""A certificate authority and a server certificate for 127.0.0.1, made for one
benchmark run by the `openssl` command; nothing is kept beyond the run's folder."""

import os
import subprocess
import sys

DAYS = "2"


def openssl(*args, cwd):
    result = subprocess.run(["openssl", *args], cwd=cwd, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if result.returncode != 0:
        sys.exit("openssl " + " ".join(args) + " failed:\n"
                 + result.stdout.decode(errors="replace"))


def make_certificates(folder):
    """Writes ca.pem, server.pem and server.key (P-256 keys) into folder/tls and
    returns their paths; the server certificate names 127.0.0.1 and localhost."""
    tls = os.path.join(folder, "tls")
    os.makedirs(tls, exist_ok=True)
    curve = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    openssl("req", "-x509", *curve, "-keyout", "ca.key", "-out", "ca.pem", "-days", DAYS,
            "-subj", "/CN=Skelvo benchmark CA",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=tls)
    openssl("req", *curve, "-keyout", "server.key", "-out", "server.csr",
            "-subj", "/CN=127.0.0.1", cwd=tls)
    with open(os.path.join(tls, "server.ext"), "w") as ext:
        ext.write("basicConstraints=CA:FALSE\n"
                  "keyUsage=critical,digitalSignature\n"
                  "extendedKeyUsage=serverAuth\n"
                  "subjectAltName=IP:127.0.0.1,DNS:localhost\n")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-out", "server.pem", "-days", DAYS, "-extfile", "server.ext",
            cwd=tls)
    return tuple(os.path.join(tls, name) for name in ("ca.pem", "server.pem", "server.key"))
