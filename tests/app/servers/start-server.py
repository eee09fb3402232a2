#!/usr/bin/python3
"""Starts a real server on 127.0.0.1 for the publishing tests.

Usage:
  start-server.py vsftpd DIR [tls12]   FTPS (explicit TLS) with a fresh self-signed certificate;
                                       anonymous uploads into DIR/root/www; "tls12" caps TLS at 1.2
  start-server.py sshd DIR             SFTP for the current user, logging in with DIR/client_key
                                       (ed25519, made here)
It prints "PORT n" once the server accepts connections (and "FINGERPRINT ..." for the
certificate), and stops the server when its standard input closes. A server that cannot start
ends the script with a message and exit status 1.
"""
import os
import pwd
import signal
import socket
import subprocess
import sys
import threading
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(port, process, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if process.poll() is not None:
            return False
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return True
        except OSError:
            time.sleep(0.05)
    return False


def run(command, **kwargs):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, **kwargs)


def vsftpd(folder, tls12):
    root = os.path.join(folder, "root")
    www = os.path.join(root, "www")
    os.makedirs(www, exist_ok=True)
    os.chmod(root, 0o755)
    account = pwd.getpwnam("ftp")
    os.chown(www, account.pw_uid, account.pw_gid)
    os.makedirs("/var/run/vsftpd/empty", exist_ok=True)
    cert = os.path.join(folder, "cert.pem")
    key = os.path.join(folder, "key.pem")
    run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
         "-keyout", key, "-out", cert])
    der = subprocess.run(["openssl", "x509", "-in", cert, "-outform", "DER"], check=True,
                         stdout=subprocess.PIPE).stdout
    import base64
    import hashlib
    fingerprint = "SHA256:" + base64.b64encode(hashlib.sha256(der).digest()).decode().rstrip("=")
    for attempt in range(5):
        port = free_port()
        pasv = free_port()
        config = os.path.join(folder, "vsftpd.conf")
        with open(config, "w") as f:
            f.write(f"""listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port={port}
background=NO
anonymous_enable=YES
local_enable=NO
no_anon_password=NO
write_enable=YES
anon_root={root}
ftp_username=ftp
anon_upload_enable=YES
anon_mkdir_write_enable=YES
anon_other_write_enable=YES
anon_umask=022
secure_chroot_dir=/var/run/vsftpd/empty
seccomp_sandbox=NO
xferlog_enable=NO
ssl_enable=YES
allow_anon_ssl=YES
force_anon_logins_ssl=YES
force_anon_data_ssl=YES
require_ssl_reuse=NO
ssl_ciphers=HIGH
rsa_cert_file={cert}
rsa_private_key_file={key}
pasv_enable=YES
pasv_address=127.0.0.1
pasv_min_port={pasv}
pasv_max_port={pasv + 40 if pasv + 40 < 65535 else pasv}
connect_from_port_20=NO
""")
        environment = dict(os.environ)
        if tls12:
            # vsftpd has no switch for TLS 1.3; OpenSSL's own configuration caps it.
            openssl = os.path.join(folder, "openssl.cnf")
            with open(openssl, "w") as f:
                f.write("openssl_conf = conf\n[conf]\nssl_conf = ssl\n[ssl]\nsystem_default = tls\n"
                        "[tls]\nMaxProtocol = TLSv1.2\n")
            environment["OPENSSL_CONF"] = openssl
        process = subprocess.Popen(["/usr/sbin/vsftpd", config], stdin=subprocess.DEVNULL, env=environment)
        if wait_for(port, process):
            print("FINGERPRINT", fingerprint, flush=True)
            return process, port
        process.kill()
        process.wait()
    sys.exit("vsftpd did not start")


def sshd(folder):
    host_key = os.path.join(folder, "host_key")
    client_key = os.path.join(folder, "client_key")
    run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", host_key])
    run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", client_key])
    authorized = os.path.join(folder, "authorized_keys")
    with open(client_key + ".pub") as source, open(authorized, "w") as target:
        target.write(source.read())
    os.chmod(authorized, 0o600)
    if os.geteuid() == 0:
        os.makedirs("/run/sshd", mode=0o755, exist_ok=True)
    for attempt in range(5):
        port = free_port()
        config = os.path.join(folder, "sshd_config")
        with open(config, "w") as f:
            f.write(f"""Port {port}
ListenAddress 127.0.0.1
HostKey {host_key}
AuthorizedKeysFile {authorized}
PidFile none
UsePAM no
StrictModes no
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
Subsystem sftp internal-sftp
""")
        process = subprocess.Popen(["/usr/sbin/sshd", "-D", "-e", "-f", config],
                                   stdin=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if wait_for(port, process):
            return process, port
        process.kill()
        process.wait()
    sys.exit("sshd did not start")


def main():
    kind, folder = sys.argv[1], sys.argv[2]
    try:
        if kind == "vsftpd":
            process, port = vsftpd(folder, "tls12" in sys.argv[3:])
        elif kind == "sshd":
            process, port = sshd(folder)
        else:
            sys.exit("unknown server " + kind)
    except (OSError, subprocess.CalledProcessError) as e:
        sys.exit(f"{kind} could not be prepared: {e}")
    print("PORT", port, flush=True)

    stopping = threading.Event()

    def stop(*_):
        stopping.set()
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
        os._exit(0)

    signal.signal(signal.SIGTERM, stop)
    threading.Thread(target=lambda: (sys.stdin.read(), stop()), daemon=True).start()
    process.wait()
    if not stopping.is_set():
        sys.exit(f"{kind} ended by itself")
    threading.Event().wait()


main()
